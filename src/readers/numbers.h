// Number conversions of the parameter and settings readers. One
// implementation on every platform, so that every build reads the same values
// from the same text (the C library's strtol and strtod differ between
// systems in the width of long, in locale and in the forms they accept).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tasc {

// Why a text is or is not a number.
enum class NumberStatus : uint8_t {
  Ok = 0,          // a number begins the text and fits
  NoNumber = 1,    // no number begins the text
  OutOfRange = 2,  // a number begins the text but does not fit
};
const char* numberStatusName(NumberStatus status);

// One reading: the value, why, and where the number ended, so that a caller
// never reads twice to learn why. `stop` points into the text read, just past
// the number (at its start when no number begins it). For OutOfRange the
// value is what the C function would give (an infinity or 0 for a decimal, 0
// for an integer).
template <typename T>
struct NumberRead {
  T value{};
  NumberStatus status = NumberStatus::NoNumber;
  const char* stop = nullptr;

  bool ok() const { return status == NumberStatus::Ok; }
  // The number took the whole text, up to `end`.
  bool whole(const char* end) const { return ok() && stop == end; }
};

// strtol in base 10 (see parseInteger), with the reason and the stop.
NumberRead<int32_t> readInteger(std::string_view text) noexcept;
// strtod (see parseDecimal), with the reason and the stop.
NumberRead<double> readDecimal(std::string_view text) noexcept;

// strtol in base 10: leading white space, an optional sign, decimal digits;
// the rest of the text is ignored. Nothing when no digit follows the sign or
// the value lies outside the 32-bit signed range.
std::optional<int32_t> parseInteger(std::string_view text);

// strtod: leading white space, an optional sign, then a decimal number (digits
// with an optional '.', an optional exponent), a hexadecimal one (0x...),
// "inf", "infinity" or "nan" in any case; the rest of the text is ignored.
// Nothing when no number begins the text or the value overflows or underflows
// a 64-bit float (where strtod would report ERANGE).
std::optional<double> parseDecimal(std::string_view text);

// atof: parseDecimal, with 0.0 where no number begins the text. Unlike
// parseDecimal, a value out of range gives what strtod returns: an infinity
// with the sign for an overflow, the value rounded to 0 or a subnormal for an
// underflow.
double parseAtof(std::string_view text);

namespace detail {

// The exact fast path of parseDecimal, for a text without sign or hexadecimal
// prefix: digits, an optional '.' and digits (one digit at least), an optional
// exponent (e or E, an optional sign, digits). When the significant digits
// number at most 15 and the decimal exponent e of value = digits * 10^e lies
// in -22..22, both factors are exact doubles and one correctly rounded
// multiplication or division gives what from_chars gives. Returns the end of
// the number, where from_chars would stop, and sets `value`; null (value
// untouched) for every other text, which from_chars then reads.
const char* fastDecimal(const char* first, const char* last, double& value) noexcept;

}  // namespace detail

}  // namespace tasc
