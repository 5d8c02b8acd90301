#include "readers/numbers.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace tasc {
namespace {

bool isCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Skips the leading white space strtod and strtol skip and takes one sign;
// true when it was '-'. `s` is left at the first character after them.
bool takeSign(std::string_view& s) {
  while (!s.empty() && isCSpace(s.front())) s.remove_prefix(1);
  if (s.empty() || (s.front() != '+' && s.front() != '-')) return false;
  const bool negative = s.front() == '-';
  s.remove_prefix(1);
  return negative;
}

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// 10^0..10^22: every one an exact double.
constexpr double kExactPowersOf10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int64_t kMaxExactPower = 22;
constexpr int64_t kMaxFastDigits = 15;  // 10^15 - 1 < 2^53: the mantissa is an exact double
// Exponent digits past this value are still read but no longer counted: any
// exponent this large is far outside the fast range, whatever the mantissa.
constexpr int64_t kExponentCap = 100000;

NumberRead<double> scanDecimal(std::string_view text) {
  NumberRead<double> read{0.0, NumberStatus::NoNumber, text.data()};
  std::string_view s = text;
  const bool negative = takeSign(s);
  // from_chars takes no sign of its own; a second sign is no number.
  if (s.empty() || s.front() == '+' || s.front() == '-') return read;

  auto format = std::chars_format::general;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X') &&
      (isHexDigit(s[2]) || (s[2] == '.' && s.size() > 3 && isHexDigit(s[3])))) {
    s.remove_prefix(2);
    format = std::chars_format::hex;
  }
  if (format == std::chars_format::general) {
    double fast = 0.0;
    // Normal and finite whenever it applies: at least 1e-22 unless 0.
    if (const char* end = detail::fastDecimal(s.data(), s.data() + s.size(), fast)) {
      return {negative ? -fast : fast, NumberStatus::Ok, end};
    }
  }
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), read.value, format);
  if (ptr == s.data()) {
    if (format == std::chars_format::hex) {  // "0x" with no digits: strtod reads the 0
      return {negative ? -0.0 : 0.0, NumberStatus::Ok, s.data() - 1};
    }
    return read;
  }
  read.status = NumberStatus::Ok;
  read.stop = ptr;
  if (ec == std::errc::result_out_of_range) {
    read.status = NumberStatus::OutOfRange;
    // What strtod returns: a huge text overflows to infinity; a tiny one is 0.
    // Tell them apart by the exponent sign in the text that was read.
    const std::string_view taken(s.data(), static_cast<std::size_t>(ptr - s.data()));
    const std::size_t e = taken.find_first_of(format == std::chars_format::hex ? "pP" : "eE");
    const bool tiny = e != std::string_view::npos && e + 1 < taken.size() && taken[e + 1] == '-';
    read.value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
  } else if (std::isfinite(read.value) && read.value != 0.0 &&
             std::fabs(read.value) < std::numeric_limits<double>::min()) {
    read.status = NumberStatus::OutOfRange;  // subnormal: strtod reports ERANGE
  }
  if (negative) read.value = -read.value;
  return read;
}

}  // namespace

namespace detail {

const char* fastDecimal(const char* first, const char* last, double& value) noexcept {
  const char* p = first;
  // value = mantissa * 10^(exponent + pendingZeros). Zeros after the last
  // non-zero digit wait in pendingZeros, so that trailing zeros of either part
  // cost no mantissa digits; leading zeros are never counted.
  uint64_t mantissa = 0;
  int64_t digits = 0;  // significant digits in mantissa
  int64_t pendingZeros = 0;
  int64_t exponent = 0;
  bool anyDigit = false;
  bool fraction = false;
  for (; p != last; ++p) {
    const char c = *p;
    if (c == '.' && !fraction) {
      fraction = true;
      continue;
    }
    if (!isDigit(c)) break;
    anyDigit = true;
    if (fraction) --exponent;
    if (c == '0') {
      if (mantissa != 0) ++pendingZeros;
      continue;
    }
    if (digits + pendingZeros + 1 > kMaxFastDigits) return nullptr;
    digits += pendingZeros + 1;
    for (; pendingZeros > 0; --pendingZeros) mantissa *= 10;
    mantissa = mantissa * 10 + static_cast<uint64_t>(c - '0');
  }
  if (!anyDigit) return nullptr;  // ".", "inf", "nan", words: from_chars decides
  exponent += pendingZeros;

  // An exponent counts only with a digit; "1e", "1e+" stop before the e.
  if (p != last && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    bool negativeExponent = false;
    if (q != last && (*q == '+' || *q == '-')) {
      negativeExponent = *q == '-';
      ++q;
    }
    if (q != last && isDigit(*q)) {
      int64_t e = 0;
      for (; q != last && isDigit(*q); ++q) {
        if (e < kExponentCap) e = e * 10 + (*q - '0');
      }
      exponent += negativeExponent ? -e : e;
      p = q;
    }
  }
  if (exponent < -kMaxExactPower || exponent > kMaxExactPower) return nullptr;
  // mantissa < 10^15 < 2^50, converted as two 25-bit halves: each step is
  // exact, and 32-bit x86 converts an int32 with SSE2 where a 64-bit
  // integer would go through the x87 unit.
  const auto high = static_cast<int32_t>(mantissa >> 25);
  const auto low = static_cast<int32_t>(mantissa & 0x1FFFFFF);
  const double m = static_cast<double>(high) * 33554432.0 + static_cast<double>(low);
  value = exponent >= 0 ? m * kExactPowersOf10[exponent] : m / kExactPowersOf10[-exponent];
  return p;
}

}  // namespace detail

const char* numberStatusName(NumberStatus status) {
  switch (status) {
    case NumberStatus::Ok:
      return "ok";
    case NumberStatus::NoNumber:
      return "no number";
    case NumberStatus::OutOfRange:
      return "out of range";
  }
  return "?";
}

NumberRead<int32_t> readInteger(std::string_view text) noexcept {
  NumberRead<int32_t> read{0, NumberStatus::NoNumber, text.data()};
  std::string_view s = text;
  const bool negative = takeSign(s);
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t magnitude = 0;
  std::size_t digits = 0;
  for (char c : s) {
    if (c < '0' || c > '9') break;
    ++digits;
    // Saturate just past the range: the value is out of range either way.
    if (magnitude <= kLimit) magnitude = magnitude * 10 + (c - '0');
  }
  if (digits == 0) return read;
  read.stop = s.data() + digits;
  const int64_t value = negative ? -magnitude : magnitude;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    read.status = NumberStatus::OutOfRange;
    return read;
  }
  read.value = static_cast<int32_t>(value);
  read.status = NumberStatus::Ok;
  return read;
}

NumberRead<double> readDecimal(std::string_view text) noexcept {
  return scanDecimal(text);
}

std::optional<int32_t> parseInteger(std::string_view s) {
  const NumberRead<int32_t> read = readInteger(s);
  if (!read.ok()) return std::nullopt;
  return read.value;
}

std::optional<double> parseDecimal(std::string_view text) {
  const NumberRead<double> read = scanDecimal(text);
  if (!read.ok()) return std::nullopt;
  return read.value;
}

double parseAtof(std::string_view text) {
  return scanDecimal(text).value;
}

}  // namespace tasc
