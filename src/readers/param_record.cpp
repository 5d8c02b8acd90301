#include "readers/param_record.h"

#include <cmath>
#include <limits>
#include <type_traits>

namespace tasc {
namespace {

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

// The field of column 0..14 passed to `visit` (int32_t&, double& or bool&,
// const with a const record); `none()` past the last column. The one place
// that knows which field a column is.
template <typename Record, typename Visit, typename None>
auto withColumn(Record& r, std::size_t column, Visit&& visit, None&& none) {
  switch (column) {
    case 0:
      return visit(r.recordId);
    case 1:
      return visit(r.subId);
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
      return visit(r.leadTime[column - 2]);
    case 7:
      return visit(r.decelFar);
    case 8:
      return visit(r.decelNear);
    case 9:
      return visit(r.blendLength);
    case 10:
      return visit(r.blendStart);
    case 11:
    case 12:
    case 13:
    case 14:
      return visit(r.hmPtnFlag[column - 11]);
    default:
      return none();
  }
}

int32_t toInt32(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

}  // namespace

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
  return withColumn(
      record, column,
      [](const auto& field) -> double {
        if constexpr (std::is_same_v<std::remove_cvref_t<decltype(field)>, bool>) {
          return field ? 1.0 : 0.0;
        } else {
          return static_cast<double>(field);
        }
      },
      [] { return 0.0; });
}

void setColumnValue(ParamRecord& record, std::size_t column, double value) noexcept {
  withColumn(
      record, column,
      [value](auto& field) {
        using Field = std::remove_cvref_t<decltype(field)>;
        if constexpr (std::is_same_v<Field, bool>) {
          field = value != 0.0;
        } else if constexpr (std::is_same_v<Field, int32_t>) {
          field = toInt32(value);
        } else {
          field = value;
        }
      },
      [] {});
}

}  // namespace tasc
