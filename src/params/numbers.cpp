#include "params/numbers.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace tasc {
namespace {

bool isCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void skipSpace(std::string_view& s) {
  while (!s.empty() && isCSpace(s.front())) s.remove_prefix(1);
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

struct DecimalScan {
  bool found = false;   // a number begins the text
  bool inRange = true;  // it fits a 64-bit float (no overflow or underflow)
  double value = 0.0;
};

DecimalScan scanDecimal(std::string_view s) {
  skipSpace(s);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  // from_chars takes no sign of its own; a second sign is no number.
  if (s.empty() || s.front() == '+' || s.front() == '-') return {};

  auto format = std::chars_format::general;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X') &&
      (isHexDigit(s[2]) || (s[2] == '.' && s.size() > 3 && isHexDigit(s[3])))) {
    s.remove_prefix(2);
    format = std::chars_format::hex;
  }
  if (format == std::chars_format::general) {
    double fast = 0.0;
    // Normal and finite whenever it applies: at least 1e-22 unless 0.
    if (detail::fastDecimal(s.data(), s.data() + s.size(), fast) != nullptr) {
      return DecimalScan{true, true, negative ? -fast : fast};
    }
  }
  DecimalScan scan;
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), scan.value, format);
  if (ptr == s.data()) {
    if (format == std::chars_format::hex) {  // "0x" with no digits: strtod reads the 0
      return DecimalScan{true, true, negative ? -0.0 : 0.0};
    }
    return {};
  }
  scan.found = true;
  if (ec == std::errc::result_out_of_range) {
    scan.inRange = false;
    // What strtod returns: a huge text overflows to infinity; a tiny one is 0.
    // Tell them apart by the exponent sign in the text that was read.
    const std::string_view read(s.data(), static_cast<std::size_t>(ptr - s.data()));
    const std::size_t e = read.find_first_of(format == std::chars_format::hex ? "pP" : "eE");
    const bool tiny = e != std::string_view::npos && e + 1 < read.size() && read[e + 1] == '-';
    scan.value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
  } else if (std::isfinite(scan.value) && scan.value != 0.0 &&
             std::fabs(scan.value) < std::numeric_limits<double>::min()) {
    scan.inRange = false;  // subnormal: strtod reports ERANGE
  }
  if (negative) scan.value = -scan.value;
  return scan;
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

std::optional<int32_t> parseInteger(std::string_view s) {
  skipSpace(s);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  int64_t magnitude = 0;
  std::size_t digits = 0;
  for (char c : s) {
    if (c < '0' || c > '9') break;
    ++digits;
    // Saturate just past the range: the value is out of range either way.
    if (magnitude <= kLimit) magnitude = magnitude * 10 + (c - '0');
  }
  if (digits == 0) return std::nullopt;
  const int64_t value = negative ? -magnitude : magnitude;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int32_t>(value);
}

std::optional<double> parseDecimal(std::string_view text) {
  const DecimalScan scan = scanDecimal(text);
  if (!scan.found || !scan.inRange) return std::nullopt;
  return scan.value;
}

double parseAtof(std::string_view text) {
  const DecimalScan scan = scanDecimal(text);
  return scan.found ? scan.value : 0.0;
}

}  // namespace tasc
