// The parameter-line reader: splitting and column conversions.
#include "readers/param_lines.h"

#include "readers/numbers.h"

namespace tasc {
namespace {

// A failed reading as the reason a column keeps its default.
ColumnStatus columnStatusOf(NumberStatus status) {
  return status == NumberStatus::OutOfRange ? ColumnStatus::OutOfRange : ColumnStatus::NoNumber;
}

}  // namespace

const char* columnStatusName(ColumnStatus status) {
  switch (status) {
    case ColumnStatus::Converted:
      return "converted";
    case ColumnStatus::Missing:
      return "missing";
    case ColumnStatus::NoNumber:
      return "no number";
    case ColumnStatus::OutOfRange:
      return "out of range";
  }
  return "?";
}

std::size_t splitLine(std::string_view line, std::span<std::string_view> out) noexcept {
  std::size_t count = 0;
  std::size_t start = 0;
  // A plain scan: fields are a few characters long, too short for a search
  // call per field to pay.
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] != ',') continue;
    if (count < out.size()) out[count] = line.substr(start, i - start);
    ++count;
    start = i + 1;
  }
  // The text after the last comma is a field only when it holds a character.
  if (start < line.size()) {
    if (count < out.size()) out[count] = line.substr(start);
    ++count;
  }
  return count;
}

ColumnStatus convertColumn(std::size_t column, std::string_view field,
                           ParamRecord& record) noexcept {
  if (column >= kParamColumnCount) return ColumnStatus::Missing;
  // Every int32 is exact as a double, so setColumnValue stores it unchanged.
  if (columnKind(column) == ColumnKind::Decimal) {
    const NumberRead<double> v = readDecimal(field);
    if (!v.ok()) return columnStatusOf(v.status);
    setColumnValue(record, column, v.value);
    return ColumnStatus::Converted;
  }
  const NumberRead<int32_t> v = readInteger(field);
  if (!v.ok()) return columnStatusOf(v.status);
  setColumnValue(record, column, static_cast<double>(v.value));
  return ColumnStatus::Converted;
}

ParamRecord parseParamLine(std::string_view line, ColumnStatuses* status) noexcept {
  std::array<std::string_view, kParamColumnCount> fields;
  const std::size_t count = splitLine(line, fields);
  const std::size_t present = count < fields.size() ? count : fields.size();
  ParamRecord record = kDefaultParamRecord;
  for (std::size_t c = 0; c < present; ++c) {
    const ColumnStatus s = convertColumn(c, fields[c], record);
    if (status) (*status)[c] = s;
  }
  if (status) {
    for (std::size_t c = present; c < kParamColumnCount; ++c) (*status)[c] = ColumnStatus::Missing;
  }
  return record;
}

void appendParamText(std::string_view text, std::vector<ParamRecord>& table) {
  ParamFileReader reader(table);
  reader.feed(text);
  reader.finish();
}

}  // namespace tasc
