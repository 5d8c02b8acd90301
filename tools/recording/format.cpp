#include "format.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace tasc::recording {

char* putLongInt(char* p, int64_t value) noexcept {
  return std::to_chars(p, p + kMaxFieldChars, value).ptr;
}

namespace {

struct EventInfo {
  const char* name;
  int args;
};
constexpr std::array<EventInfo, kEventKindCount> kEvents = {{
    {"load", 0},
    {"version", 1},
    {"vehicle", 5},
    {"power", 1},
    {"brake", 1},
    {"reverser", 1},
    {"keydown", 1},
    {"keyup", 1},
    {"horn", 1},
    {"dooropen", 0},
    {"doorclose", 0},
    {"signal", 1},
    {"beacon", 3},
    {"keystate", 2},
}};

constexpr std::array<const char*, 5> kEndReasons = {"next_initialize", "dispose", "detach",
                                                    "size_cap", "writer_behind"};

char* putHexBits(char* p, uint64_t bits, int digits) noexcept {
  *p++ = 'x';
  for (int i = digits - 1; i >= 0; --i) *p++ = kHexDigits[(bits >> (4 * i)) & 0xf];
  return p;
}

int hexValue(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Exactly `digits` hex digits after an 'x'.
bool parseHexBits(std::string_view text, int digits, uint64_t& bits) noexcept {
  if (text.size() != static_cast<std::size_t>(digits) + 1 || text[0] != 'x') return false;
  bits = 0;
  for (char c : text.substr(1)) {
    const int v = hexValue(c);
    if (v < 0) return false;
    bits = bits << 4 | static_cast<uint64_t>(v);
  }
  return true;
}

template <typename T>
bool parseWhole(std::string_view text, T& value) noexcept {
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc{} && end == text.data() + text.size();
}

}  // namespace

const char* eventKindName(EventKind kind) {
  const auto i = static_cast<std::size_t>(kind);
  return i < kEvents.size() ? kEvents[i].name : "?";
}

std::optional<EventKind> eventKindFromName(std::string_view name) {
  for (std::size_t i = 0; i < kEvents.size(); ++i) {
    if (name == kEvents[i].name) return static_cast<EventKind>(i);
  }
  return std::nullopt;
}

int eventArgCount(EventKind kind) {
  const auto i = static_cast<std::size_t>(kind);
  return i < kEvents.size() ? kEvents[i].args : 0;
}

const char* endReasonName(EndReason reason) {
  const auto i = static_cast<std::size_t>(reason);
  return i < kEndReasons.size() ? kEndReasons[i] : "?";
}

std::optional<EndReason> endReasonFromName(std::string_view name) {
  for (std::size_t i = 0; i < kEndReasons.size(); ++i) {
    if (name == kEndReasons[i]) return static_cast<EndReason>(i);
  }
  return std::nullopt;
}

namespace {
// The shortest text that reads back to the value; a value that is not finite
// as its raw bits, which no decimal text carries (NaN payloads).
template <typename Bits, typename Float>
char* putBinaryFloat(char* p, Float value) noexcept {
  if (!std::isfinite(value)) {
    Bits bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return putHexBits(p, bits, 2 * static_cast<int>(sizeof bits));
  }
  return std::to_chars(p, p + kMaxFieldChars, value).ptr;
}
}  // namespace

char* putDouble(char* p, double value) noexcept {
  return putBinaryFloat<uint64_t>(p, value);
}

char* putFloat(char* p, float value) noexcept {
  return putBinaryFloat<uint32_t>(p, value);
}

char* putEscaped(char* p, std::string_view text) noexcept {
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b < 0x7f && c != '\\') {
      *p++ = c;
      continue;
    }
    *p++ = '\\';
    switch (c) {
      case '\\':
        *p++ = '\\';
        break;
      case '\r':
        *p++ = 'r';
        break;
      case '\n':
        *p++ = 'n';
        break;
      case '\t':
        *p++ = 't';
        break;
      default:
        *p++ = 'x';
        *p++ = kHexDigits[b >> 4];
        *p++ = kHexDigits[b & 0xf];
        break;
    }
  }
  return p;
}

bool parseInt32(std::string_view text, int32_t& value) noexcept {
  return parseWhole(text, value);
}

bool parseInt64(std::string_view text, int64_t& value) noexcept {
  return parseWhole(text, value);
}

bool parseHex32(std::string_view text, uint32_t& value) noexcept {
  if (text.size() != 8) return false;
  value = 0;
  for (char c : text) {
    const int v = hexValue(c);
    if (v < 0) return false;
    value = value << 4 | static_cast<uint32_t>(v);
  }
  return true;
}

bool parseDouble(std::string_view text, double& value) noexcept {
  uint64_t bits = 0;
  if (parseHexBits(text, 16, bits)) {
    std::memcpy(&value, &bits, sizeof value);
    return true;
  }
  return parseWhole(text, value);
}

bool parseFloat(std::string_view text, float& value) noexcept {
  uint64_t bits = 0;
  if (parseHexBits(text, 8, bits)) {
    const auto narrow = static_cast<uint32_t>(bits);
    std::memcpy(&value, &narrow, sizeof value);
    return true;
  }
  return parseWhole(text, value);
}

bool parseEscaped(std::string_view text, std::string& out) {
  out.clear();
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x20 || b >= 0x7f) return false;
    if (text[i] != '\\') {
      out.push_back(text[i]);
      continue;
    }
    if (++i >= text.size()) return false;
    switch (text[i]) {
      case '\\':
        out.push_back('\\');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 't':
        out.push_back('\t');
        break;
      case 'x': {
        const int hi = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
        const int lo = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
        if (hi < 0 || lo < 0) return false;
        out.push_back(static_cast<char>(hi << 4 | lo));
        i += 2;
        break;
      }
      default:
        return false;
    }
  }
  return true;
}

}  // namespace tasc::recording
