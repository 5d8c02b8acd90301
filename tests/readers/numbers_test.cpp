// The number readers: golden rows of data/numbers.txt, and the exact fast
// path of the decimal reader against from_chars on random texts.
#include "readers/numbers.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <random>

#include "readers/profile.h"
#include "support/cases.h"

namespace tasc {
namespace {

// Empty when the fast path leaves the text to from_chars; "" when it agrees
// with from_chars in bits and end, else what differs.
std::optional<std::string> compareFast(std::string_view text) {
  double fast = -1.0, ref = 0.0;
  const char* end = detail::fastDecimal(text.data(), text.data() + text.size(), fast);
  if (end == nullptr) return std::nullopt;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), ref);
  if (ec != std::errc{} || ptr != end ||
      std::bit_cast<uint64_t>(fast) != std::bit_cast<uint64_t>(ref)) {
    return '"' + std::string(text) + "\": fast " + test::num(fast) + ", from_chars " +
           test::num(ref);
  }
  return "";
}

template <typename T>
std::string text(const std::optional<T>& v) {
  return v ? test::num(static_cast<double>(*v)) : "none";
}

TEST(Numbers, Golden) {
  for (const test::Case& c : test::readCases("readers/data/numbers.txt")) {
    const std::string& fn = c.f[0];
    const std::string& in = c.f[1];
    std::string got;
    if (fn == "int") got = text(parseInteger(in));
    if (fn == "dec") got = text(parseDecimal(in));
    if (fn == "atof") got = test::num(parseAtof(in));
    if (fn == "pint") got = test::num(profile::parseInt(in));
    if (fn == "whole") got = readDecimal(in).whole(in.data() + in.size()) ? "1" : "0";
    if (fn == "fast") {
      const auto r = compareFast(in);
      EXPECT_EQ(r.value_or(""), "") << c.where;
      got = r ? "1" : "0";
    }
    EXPECT_EQ(got, c.f[2]) << c.where;
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
    for (uint64_t i = 0; i < n; ++i)
      s += static_cast<char>('0' + (zeros && pick(3) != 0 ? 0 : pick(10)));
  };
  digits(pick(3) == 0 ? 20 : 9);
  if (pick(3) != 0) {
    s += '.';
    digits(pick(3) == 0 ? 25 : 8);
  }
  if (pick(2) == 0) {
    s += pick(2) == 0 ? 'e' : 'E';
    s += "\0+-"[pick(3)];
    if (s.back() == '\0') s.pop_back();
    digits(pick(8) == 0 ? 4 : 2);
  }
  if (pick(3) == 0) s += " ,x.e+-0"[pick(8)];
  return s;
}

TEST(Numbers, FastPathMatchesFromCharsOnRandomTexts) {
  std::mt19937_64 rng(20261207);
  constexpr int kTexts = 300000;
  int taken = 0, failures = 0;
  for (int i = 0; i < kTexts; ++i) {
    const std::string t = randomDecimal(rng);
    const std::optional<std::string> result = compareFast(t);
    if (!result) continue;
    ++taken;
    if (!result->empty() && ++failures <= 20) ADD_FAILURE() << *result;
  }
  // The texts reach both sides: the fast path and the fall-back.
  EXPECT_GT(taken, kTexts / 4);
  EXPECT_LT(taken, kTexts * 9 / 10);
}

}  // namespace
}  // namespace tasc
