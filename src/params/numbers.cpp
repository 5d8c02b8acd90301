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
