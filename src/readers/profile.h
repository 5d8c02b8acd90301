// Reader of private-profile text ([section] lines and key = value lines), with
// the results that the Windows functions give on plain files:
// - names compare case-insensitively (ASCII);
// - white space is trimmed at the ends of each line, around the key name and
//   around '='; a section name is what stands between '[' and the last ']',
//   trimmed;
// - the first matching key of the first matching section wins;
// - a value in matching double or single quotes is unquoted;
// - a line without '=' is a key without value, which reads as missing;
// - lines starting with ';' never match a real key name;
// - a UTF-8 byte-order mark at the start is skipped.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tasc::profile {

// The text without the white space that the profile functions trim at its
// ends (Ctrl-Z counts as white space).
std::string_view trim(std::string_view text);

// One line of private-profile text as the profile functions see it.
enum class ProfileLineKind : uint8_t {
  Blank = 0,    // nothing but white space
  Section = 1,  // "[name]": `name` is what stands between '[' and the last ']', trimmed
  Key = 2,      // any other line: `name` before the first '=' (the whole line without
                // one), trimmed; `value` after it, trimmed and still quoted
};
const char* profileLineKindName(ProfileLineKind kind);

struct ProfileLine {
  int32_t number = 0;  // 1-based; the byte-order mark is not a line
  ProfileLineKind kind = ProfileLineKind::Blank;
  std::string_view text;  // the line, trimmed
  std::string_view name;
  bool hasValue = false;  // a key line with '='
  std::string_view value;
};

// Calls `visit(const ProfileLine&)` for every line of `text` in order, until
// it returns false. The one scanner behind findValue and the check tool. A
// UTF-8 byte-order mark at the start is skipped. Never allocates.
template <typename Visit>
void scanProfile(std::string_view text, Visit&& visit);

// A value in matching double or single quotes without them.
std::string_view unquote(std::string_view value);

// The value of `key` in `section`, unquoted; nullopt when the section or the
// key is missing or the key has no value.
std::optional<std::string_view> findValue(std::string_view text, std::string_view section,
                                          std::string_view key);

// GetPrivateProfileString: the value or the default, cut to size - 1
// characters and terminated. Returns the number of characters copied.
uint32_t getString(std::string_view text, std::string_view section, std::string_view key,
                   std::string_view defaultValue, char* out, uint32_t size);

// GetPrivateProfileInt: the default when the key is missing or its value is
// empty, else the value read by parseInt.
int32_t getInt(std::string_view text, std::string_view section, std::string_view key,
               int32_t defaultValue);

// The integer reading of the profile functions: leading control characters
// and spaces skipped, an optional sign, a base prefix 0x, 0o or 0b (lower
// case) or decimal digits; reading stops at the first character that is not a
// digit of the base; no digits give 0; the value wraps at 32 bits. Only the
// first 29 characters are looked at, as the system reads them into a buffer
// of 30.
int32_t parseInt(std::string_view text);

// Names compare case-insensitively (ASCII), as the profile functions do.
bool sameName(std::string_view a, std::string_view b);

ProfileLine classifyLine(std::string_view line, int32_t number);

template <typename Visit>
void scanProfile(std::string_view text, Visit&& visit) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (text.starts_with(kBom)) text.remove_prefix(kBom.size());
  int32_t number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = (end == std::string_view::npos) ? std::string_view{} : text.substr(end + 1);
    if (!visit(classifyLine(line, ++number))) return;
  }
}

}  // namespace tasc::profile
