// Parameter records as the text of a parameter-file line: the fifteen
// columns, trailing columns that hold the default value left out (keys always
// written). A table is its records joined by " ; ".
#pragma once

#include <string>
#include <vector>

#include "readers/param_lines.h"
#include "support/cases.h"

namespace tasc::test {

inline std::string recordText(const ParamRecord& r) {
  std::size_t keep = 2;
  for (std::size_t c = 2; c < kParamColumnCount; ++c)
    if (!(columnValue(r, c) == columnValue(kDefaultParamRecord, c))) keep = c + 1;
  std::string s;
  for (std::size_t c = 0; c < keep; ++c) s += (c ? "," : "") + num(columnValue(r, c));
  return s;
}

inline std::string tableText(const std::vector<ParamRecord>& table) {
  std::string s;
  for (const ParamRecord& r : table) s += (s.empty() ? "" : " ; ") + recordText(r);
  return s;
}

}  // namespace tasc::test
