// The exact fast path of the decimal reader against from_chars: the same bits
// and the same end of the number for every text it takes.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include "params/numbers.h"

namespace tasc {
namespace {

struct Reference {
  bool number = false;
  double value = 0.0;
  std::size_t length = 0;  // characters that from_chars read
};

Reference fromChars(std::string_view text) {
  Reference r;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), r.value);
  r.number = ptr != text.data() && ec == std::errc{};
  r.length = static_cast<std::size_t>(ptr - text.data());
  return r;
}

// Empty when the fast path leaves the text to from_chars; else a failure
// message when it disagrees with from_chars, or "" when it agrees.
std::optional<std::string> compareFast(std::string_view text) {
  double fast = -1.0;
  const char* end = detail::fastDecimal(text.data(), text.data() + text.size(), fast);
  if (end == nullptr) return std::nullopt;
  const Reference ref = fromChars(text);
  const auto length = static_cast<std::size_t>(end - text.data());
  if (!ref.number) return "from_chars reads no number in \"" + std::string(text) + '"';
  if (std::bit_cast<uint64_t>(fast) != std::bit_cast<uint64_t>(ref.value) || length != ref.length) {
    char buf[200];
    std::snprintf(buf, sizeof buf, "\"%.*s\": fast %a (%zu read), from_chars %a (%zu read)",
                  static_cast<int>(text.size()), text.data(), fast, length, ref.value, ref.length);
    return std::string(buf);
  }
  return "";
}

struct EdgeCase {
  std::string_view text;
  bool fast;  // the fast path takes it
};

TEST(FastDecimal, EdgeTextsMatchFromCharsAndFallBackOutsideTheExactRange) {
  const EdgeCase cases[] = {
      {"0", true},
      {"0.0", true},
      {"00000", true},
      {"1e22", true},
      {"1e23", false},
      {"1e-22", true},
      {"1e-23", false},
      {"9007199254740993", false},  // 2^53 + 1: rounds, from_chars decides
      {"9007199254740992", false},  // 16 digits
      {"123456789012345", true},
      {"1234567890123456", false},
      {"123456789012345e7", true},
      {"123456789012345e8", true},
      {"123456789012345e-22", true},
      {"0.1", true},
      {"0.3", true},
      {"2.2", true},
      {"1.", true},
      {"1.e5", true},
      {"5..", true},
      {".5", true},
      {".", false},
      {"", false},
      {"e5", false},
      {".e5", false},
      {"000000000000000000000000001.5", true},
      {"0.000000000000000000001", true},   // 1e-21
      {"0.0000000000000000000001", true},  // 1e-22
      {"0.00000000000000000000001", false},
      {"1.000000000000000000000000000", true},  // trailing zeros cost no digits
      {"100000000000000000000000e-10", true},
      {"10000000000000000000000", true},  // 1e22 written out: trailing zeros cost no digits
      {"100000000000000000000000", false},
      {"1000000000000001000", false},
      {"1e", true},
      {"1e+", true},
      {"1e-", true},
      {"1E+5x", true},
      {"1e+022", true},
      {"1e-0022", true},
      {"1e999999999999999999999", false},
      {"1e-999999999999999999999", false},
      {"0e999999999999999999999", false},
      {"12,5", true},
      {"4.5e-1", true},
      {"3.25 ", true},
      {"inf", false},
      {"nan", false},
      {"0x10", true},  // the caller takes hexadecimal texts away first; here it is 0
      {"-1", false},   // the caller takes the sign away first
  };
  for (const auto& c : cases) {
    const std::optional<std::string> result = compareFast(c.text);
    EXPECT_EQ(result.has_value(), c.fast) << '"' << c.text << '"';
    if (result) {
      EXPECT_EQ(*result, "");
    }
  }
}

// The sign stays with the caller: -0 is negative zero, as from strtod.
TEST(FastDecimal, SignedTextsThroughParseDecimal) {
  for (std::string_view text : {"0", "0.5", "1e22", "123456789012345", "7.", "1e23", "0.1e-30"}) {
    for (const char* sign : {"", "+", "-"}) {
      const std::string signedText = sign + std::string(text);
      const std::optional<double> got = parseDecimal(signedText);
      const Reference ref = fromChars(text);
      ASSERT_TRUE(got && ref.number) << signedText;
      const double want = *sign == '-' ? -ref.value : ref.value;
      EXPECT_EQ(std::bit_cast<uint64_t>(*got), std::bit_cast<uint64_t>(want)) << signedText;
    }
  }
}

// Random plain decimals of every shape the fast path sees, with a character
// after them that may or may not continue the number.
std::string randomDecimal(std::mt19937_64& rng) {
  auto pick = [&rng](uint64_t n) { return rng() % n; };
  std::string s;
  auto digits = [&](uint64_t max) {
    const uint64_t n = pick(max + 1);
    const bool zeros = pick(4) == 0;  // runs of zeros: leading or trailing
    for (uint64_t i = 0; i < n; ++i) {
      s += static_cast<char>('0' + (zeros && pick(3) != 0 ? 0 : pick(10)));
    }
  };
  digits(pick(3) == 0 ? 20 : 9);
  if (pick(3) != 0) {
    s += '.';
    digits(pick(3) == 0 ? 25 : 8);
  }
  if (pick(2) == 0) {
    s += pick(2) == 0 ? 'e' : 'E';
    const uint64_t sign = pick(3);
    if (sign == 1) s += '+';
    if (sign == 2) s += '-';
    digits(pick(8) == 0 ? 4 : 2);
  }
  static constexpr std::string_view kAfter = " ,x.e+-0";
  if (pick(3) == 0) s += kAfter[pick(kAfter.size())];
  return s;
}

TEST(FastDecimal, RandomTextsMatchFromChars) {
  std::mt19937_64 rng(20261207);
  constexpr int kTexts = 300000;
  int taken = 0;
  int failures = 0;
  for (int i = 0; i < kTexts; ++i) {
    const std::string text = randomDecimal(rng);
    const std::optional<std::string> result = compareFast(text);
    if (!result) continue;
    ++taken;
    if (!result->empty() && ++failures <= 20) ADD_FAILURE() << *result;
  }
  EXPECT_EQ(failures, 0);
  // The texts reach both sides: the fast path and the fall-back.
  EXPECT_GT(taken, kTexts / 4);
  EXPECT_LT(taken, kTexts * 9 / 10);
}

}  // namespace
}  // namespace tasc
