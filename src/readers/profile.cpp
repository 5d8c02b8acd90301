#include "readers/profile.h"

#include <algorithm>
#include <cstring>

namespace tasc::profile {
namespace {

// White space as the profile functions see it; Ctrl-Z counts as well.
bool isProfileSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == 0x1A;
}

char foldCase(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return foldCase(x) == foldCase(y);
         });
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isProfileSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isProfileSpace(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view unquote(std::string_view v) {
  if (v.size() > 1 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    return v.substr(1, v.size() - 2);
  }
  return v;
}

const char* profileLineKindName(ProfileLineKind kind) {
  switch (kind) {
    case ProfileLineKind::Blank:
      return "blank";
    case ProfileLineKind::Section:
      return "section";
    case ProfileLineKind::Key:
      return "key";
  }
  return "?";
}

ProfileLine classifyLine(std::string_view raw, int32_t number) {
  ProfileLine l;
  l.number = number;
  l.text = trim(raw);
  if (l.text.empty()) return l;
  if (l.text.front() == '[') {
    const std::size_t close = l.text.rfind(']');
    if (close != std::string_view::npos) {
      l.kind = ProfileLineKind::Section;
      l.name = trim(l.text.substr(1, close - 1));
      return l;
    }
  }
  l.kind = ProfileLineKind::Key;
  const std::size_t eq = l.text.find('=');
  l.name = trim(l.text.substr(0, eq));
  l.hasValue = eq != std::string_view::npos;
  if (l.hasValue) l.value = trim(l.text.substr(eq + 1));
  return l;
}

std::optional<std::string_view> findValue(std::string_view text, std::string_view section,
                                          std::string_view key) {
  bool inSection = false;
  bool sectionSeen = false;
  std::optional<std::string_view> found;
  scanProfile(text, [&](const ProfileLine& l) {
    if (l.kind == ProfileLineKind::Section) {
      // Only the first section of that name is searched.
      if (inSection) return false;
      inSection = !sectionSeen && sameName(l.name, section);
      sectionSeen = sectionSeen || inSection;
      return true;
    }
    if (!inSection || l.kind != ProfileLineKind::Key || !sameName(l.name, key)) return true;
    if (l.hasValue) found = unquote(l.value);  // a key without value reads as missing
    return false;
  });
  return found;
}

uint32_t getString(std::string_view text, std::string_view section, std::string_view key,
                   std::string_view defaultValue, char* out, uint32_t size) {
  if (out == nullptr || size == 0) return 0;
  const std::string_view value = findValue(text, section, key).value_or(defaultValue);
  const std::size_t n = std::min<std::size_t>(value.size(), size - 1);
  std::memcpy(out, value.data(), n);
  out[n] = '\0';
  return static_cast<uint32_t>(n);
}

int32_t getInt(std::string_view text, std::string_view section, std::string_view key,
               int32_t defaultValue) {
  const auto value = findValue(text, section, key);
  if (!value || value->empty()) return defaultValue;
  return parseInt(*value);
}

int32_t parseInt(std::string_view text) {
  text = text.substr(0, 29);
  std::size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  uint32_t base = 10;
  if (i + 1 < text.size() && text[i] == '0') {
    const char p = text[i + 1];
    base = p == 'x' ? 16 : p == 'o' ? 8 : p == 'b' ? 2 : 10;
    if (base != 10) i += 2;
  }
  uint32_t total = 0;  // unsigned: wraps at 32 bits like the system's reading
  for (; i < text.size(); ++i) {
    const char c = text[i];
    uint32_t digit = 99;
    if (c >= '0' && c <= '9')
      digit = static_cast<uint32_t>(c - '0');
    else if (c >= 'A' && c <= 'Z')
      digit = static_cast<uint32_t>(c - 'A' + 10);
    else if (c >= 'a' && c <= 'z')
      digit = static_cast<uint32_t>(c - 'a' + 10);
    if (digit >= base) break;
    total = total * base + digit;
  }
  if (negative) total = 0u - total;
  return static_cast<int32_t>(total);  // two's complement, defined since C++20
}

}  // namespace tasc::profile
