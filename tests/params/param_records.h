// Test helpers for parameter records: building expected records from the
// default record, and comparing records field by field with readable output.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <sstream>
#include <string>
#include <vector>

#include "control/param_record.h"

namespace tasc::test {

// The default record with `edit` applied.
template <typename Edit>
ParamRecord recordWith(Edit edit) {
  ParamRecord r = kDefaultParamRecord;
  edit(r);
  return r;
}

inline ParamRecord keys(int32_t recordId, int32_t subId) {
  return recordWith([&](ParamRecord& r) {
    r.recordId = recordId;
    r.subId = subId;
  });
}

inline std::string describe(const ParamRecord& r) {
  std::ostringstream out;
  out.precision(17);
  out << "{" << r.recordId << ", " << r.subId;
  for (double t : r.leadTime) out << ", " << t;
  out << ", " << r.decelFar << ", " << r.decelNear << ", " << r.blendLength << ", " << r.blendStart;
  for (bool f : r.hmPtnFlag) out << ", " << (f ? 1 : 0);
  out << "}";
  return out.str();
}

inline std::string describe(const std::vector<ParamRecord>& table) {
  std::string s;
  for (const ParamRecord& r : table) s += "\n  " + describe(r);
  return s;
}

// Field by field, so that a failure names the record.
inline ::testing::AssertionResult sameRecord(const ParamRecord& got, const ParamRecord& want) {
  if (got == want) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got " << describe(got) << "\nwant " << describe(want);
}

inline ::testing::AssertionResult sameTable(const std::vector<ParamRecord>& got,
                                            const std::vector<ParamRecord>& want) {
  if (got == want) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got" << describe(got) << "\nwant" << describe(want);
}

}  // namespace tasc::test
