// Parameter records as the text of a parameter-file line: the fifteen
// columns, trailing columns that hold the default value left out (keys always
// written). A table is its records joined by " ; ".
#pragma once

#include <string>
#include <vector>

#include "readers/param_record.h"
#include "support/cases.h"

namespace tasc::test {

inline std::string recordText(const ParamRecord& r) {
  const ParamRecord& d = kDefaultParamRecord;
  std::vector<std::string> cols{std::to_string(r.recordId), std::to_string(r.subId)};
  std::size_t keep = 2;
  auto add = [&](const std::string& text, bool isDefault) {
    cols.push_back(text);
    if (!isDefault) keep = cols.size();
  };
  for (std::size_t i = 0; i < 5; ++i) add(num(r.leadTime[i]), r.leadTime[i] == d.leadTime[i]);
  add(num(r.decelFar), r.decelFar == d.decelFar);
  add(num(r.decelNear), r.decelNear == d.decelNear);
  add(num(r.blendLength), r.blendLength == d.blendLength);
  add(num(r.blendStart), r.blendStart == d.blendStart);
  for (bool f : r.hmPtnFlag) add(f ? "1" : "0", !f);
  std::string s = cols[0];
  for (std::size_t i = 1; i < keep; ++i) s += "," + cols[i];
  return s;
}

inline std::string tableText(const std::vector<ParamRecord>& table) {
  std::string s;
  for (const ParamRecord& r : table) s += (s.empty() ? "" : " ; ") + recordText(r);
  return s;
}

}  // namespace tasc::test
