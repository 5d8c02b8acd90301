#include "beacon_tool.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tasc::tool {

std::optional<int32_t> kindOfType(int64_t type) {
  if (type >= 501 && type <= 503) return static_cast<int32_t>(type - 500);
  return std::nullopt;
}

int32_t encodeBeaconWord(const BeaconWord& w) {
  const uint32_t u = (static_cast<uint32_t>(w.distanceCode) & 0x3Fu) |
                     ((static_cast<uint32_t>(w.formationCode) & 0xFu) << 6) |
                     ((static_cast<uint32_t>(w.recordCode) & 0x1Fu) << 10) |
                     ((static_cast<uint32_t>(w.fileIndex) & 0x3Fu) << 15) |
                     ((static_cast<uint32_t>(w.subCode) & 0x3u) << 21);
  // At most 23 bits: the value fits the signed word.
  return static_cast<int32_t>(u);
}

std::optional<int32_t> nearestCode(int32_t kind, double metres) {
  if (!std::isfinite(metres)) return std::nullopt;
  int32_t best = 0;
  double bestOff = std::fabs(beaconDistance(kind, 0) - metres);
  for (int32_t code = 1; code < kDistanceCodeCount; ++code) {
    const double off = std::fabs(beaconDistance(kind, code) - metres);
    if (off < bestOff) {
      best = code;
      bestOff = off;
    }
  }
  return best;
}

std::optional<std::string> rangeError(const FieldRange& range, int64_t value) {
  if (value >= 0 && value <= range.max) return std::nullopt;
  return std::string(range.name) + " must be 0.." + std::to_string(range.max) + ", not " +
         std::to_string(value);
}

std::optional<int64_t> parseWholeInteger(std::string_view text) {
  int64_t v = 0;
  const char* end = text.data() + text.size();
  const auto [stop, ec] = std::from_chars(text.data(), end, v, 10);
  if (ec != std::errc() || stop != end || text.empty()) return std::nullopt;
  return v;
}

std::optional<int32_t> parseWord(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    const std::string_view digits = text.substr(2);
    uint32_t v = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, ec] = std::from_chars(digits.data(), end, v, 16);
    if (ec != std::errc() || stop != end) return std::nullopt;
    return static_cast<int32_t>(v);  // modular since C++20
  }
  const std::optional<int64_t> v = parseWholeInteger(text);
  if (!v || *v < INT32_MIN || *v > int64_t{UINT32_MAX}) return std::nullopt;
  return static_cast<int32_t>(static_cast<uint32_t>(*v));
}

std::optional<double> parseWholeDecimal(std::string_view text) {
  double v = 0;
  const char* end = text.data() + text.size();
  const auto [stop, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || stop != end || text.empty() || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::string exactText(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.17g", value);
  return buffer;
}

}  // namespace tasc::tool
