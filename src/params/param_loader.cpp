// The parameter CSV loader: splitting, column conversions, line reading and
// the controller's loadParamFile.
#include "params/param_loader.h"

#include <cstdio>
#include <cstring>

#include "control/tasc_controller.h"
#include "params/numbers.h"
#include "platform/platform.h"

namespace tasc {
namespace {

// A failed reading as the reason a column keeps its default.
ColumnStatus columnStatusOf(NumberStatus status) {
  return status == NumberStatus::OutOfRange ? ColumnStatus::OutOfRange : ColumnStatus::NoNumber;
}

constexpr ColumnKind kColumnKinds[kParamColumnCount] = {
    ColumnKind::Integer, ColumnKind::Integer, ColumnKind::Decimal, ColumnKind::Decimal,
    ColumnKind::Decimal, ColumnKind::Decimal, ColumnKind::Decimal, ColumnKind::Decimal,
    ColumnKind::Decimal, ColumnKind::Decimal, ColumnKind::Decimal, ColumnKind::Flag,
    ColumnKind::Flag,    ColumnKind::Flag,    ColumnKind::Flag,
};

constexpr const char* kColumnNames[kParamColumnCount] = {
    "recordId",    "subId",        "leadTime[0]",  "leadTime[1]",  "leadTime[2]",
    "leadTime[3]", "leadTime[4]",  "decelFar",     "decelNear",    "blendLength",
    "blendStart",  "hmPtnFlag[0]", "hmPtnFlag[1]", "hmPtnFlag[2]", "hmPtnFlag[3]",
};

// The decimal field of column 2..10.
template <typename Record>  // ParamRecord, or const ParamRecord to read
auto& decimalField(std::size_t column, Record& r) {
  switch (column) {
    case 7:
      return r.decelFar;
    case 8:
      return r.decelNear;
    case 9:
      return r.blendLength;
    case 10:
      return r.blendStart;
    default:
      return r.leadTime[column - 2];  // 2..6
  }
}

// Bytes read from the file per call; lines inside one chunk are parsed in place.
constexpr std::size_t kReadChunk = std::size_t{16} * 1024;

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

const char* columnKindName(ColumnKind kind) {
  switch (kind) {
    case ColumnKind::Integer:
      return "integer";
    case ColumnKind::Decimal:
      return "decimal";
    case ColumnKind::Flag:
      return "flag";
  }
  return "?";
}

ColumnKind columnKind(std::size_t column) noexcept {
  return column < kParamColumnCount ? kColumnKinds[column] : ColumnKind::Integer;
}

const char* columnName(std::size_t column) noexcept {
  return column < kParamColumnCount ? kColumnNames[column] : "?";
}

double columnValue(const ParamRecord& record, std::size_t column) noexcept {
  switch (columnKind(column)) {
    case ColumnKind::Decimal:
      return decimalField(column, record);
    case ColumnKind::Flag:
      return record.hmPtnFlag[column - 11] ? 1.0 : 0.0;
    case ColumnKind::Integer:
      break;
  }
  return column == 0 ? record.recordId : column == 1 ? record.subId : 0.0;
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
  const ColumnKind kind = kColumnKinds[column];
  if (kind == ColumnKind::Decimal) {
    const NumberRead<double> v = readDecimal(field);
    if (!v.ok()) return columnStatusOf(v.status);
    decimalField(column, record) = v.value;
    return ColumnStatus::Converted;
  }
  const NumberRead<int32_t> v = readInteger(field);
  if (!v.ok()) return columnStatusOf(v.status);
  switch (column) {
    case 0:
      record.recordId = v.value;
      break;
    case 1:
      record.subId = v.value;
      break;
    default:
      record.hmPtnFlag[column - 11] = v.value != 0;
      break;  // 11..14
  }
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

void TascController::loadParamFile(const char* entry) {
  // Whatever happens below, the table ends with the default record first.
  paramTable.clear();
  try {
    paramTable.push_back(kDefaultParamRecord);
    if (entry == nullptr || std::strcmp(entry, "NULL") == 0) return;

    const platform::File file = platform::openParamFile(entry, paramListPath.data());
    if (!file) return;

    ParamFileReader reader(paramTable);
    char buffer[kReadChunk];
    for (;;) {
      const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
      if (n > 0) reader.feed(std::string_view(buffer, n));
      // A short read is the end of the file or a read error; both end it.
      if (n < sizeof buffer) break;
    }
    reader.finish();
  } catch (...) {
    // Out of memory (a huge file): the default record alone. Give back the
    // memory the records took if a small table can be had; else reuse the
    // capacity already held, which the clear kept, so the push cannot throw.
    paramTable.clear();
    try {
      std::vector<ParamRecord> small;
      small.push_back(kDefaultParamRecord);
      paramTable.swap(small);
    } catch (...) {
      if (paramTable.capacity() > 0) paramTable.push_back(kDefaultParamRecord);
    }
  }
}

}  // namespace tasc
