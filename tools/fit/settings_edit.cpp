#include "fit/settings_edit.h"

#include <algorithm>
#include <optional>

#include "files/files.h"
#include "fit/fit_output.h"
#include "readers/numbers.h"
#include "readers/profile.h"
#include "system/text.h"

namespace fs = std::filesystem;

namespace tasc::fit {
namespace {

constexpr std::string_view kSection = "TASCPtn";
constexpr std::string_view kKey = "B7Dec";
// The plug-in reads B7Dec into a buffer of 8: its first 7 characters count.
constexpr std::size_t kReadChars = 7;

double pluginReading(std::string_view value) {
  return parseAtof(value.substr(0, kReadChars));
}

// The file's own line end: that of its first line; CRLF, the profile files'
// own, when it has none.
std::string_view lineEndOf(std::string_view text) {
  const std::size_t n = text.find('\n');
  if (n == std::string_view::npos) return "\r\n";
  return n > 0 && text[n - 1] == '\r' ? "\r\n" : "\n";
}

// The lines of the first [TASCPtn] section that matter for the edit.
struct Place {
  std::optional<profile::ProfileLine> section;  // its header
  std::optional<profile::ProfileLine> last;     // its last line other than a comment
  std::optional<profile::ProfileLine> key;      // the B7Dec the plug-in reads
};

// The plug-in's own search: the first matching key of the first matching
// section, a key without '=' included (it hides any later one).
Place findPlace(std::string_view ini) {
  Place p;
  bool inSection = false;
  profile::scanProfile(ini, [&](const profile::ProfileLine& l) {
    if (l.kind == profile::ProfileLineKind::Section) {
      if (inSection) return false;
      inSection = !p.section && profile::sameName(l.name, kSection);
      if (inSection) p.section = p.last = l;
      return true;
    }
    if (!inSection || l.kind == profile::ProfileLineKind::Blank) return true;
    if (l.text.front() != ';') p.last = l;
    if (!profile::sameName(l.name, kKey)) return true;
    p.key = l;
    return false;
  });
  return p;
}

std::size_t offsetIn(std::string_view text, std::string_view part) {
  return static_cast<std::size_t>(part.data() - text.data());
}

// Just past the line end of `l`, or the text's end when it has none.
std::size_t afterLine(std::string_view text, const profile::ProfileLine& l) {
  const std::size_t n = text.find('\n', offsetIn(text, l.text) + l.text.size());
  return n == std::string_view::npos ? text.size() : n + 1;
}

B7DecChange spliced(std::string_view ini, std::size_t at, std::size_t erase, std::string_view put,
                    std::size_t keyAt, B7DecEdit edit) {
  B7DecChange c;
  c.text.reserve(ini.size() + put.size());
  c.text.append(ini.substr(0, at)).append(put).append(ini.substr(at + erase));
  c.edit = edit;
  c.line = static_cast<int32_t>(1 + std::count(c.text.begin(), c.text.begin() + keyAt, '\n'));
  return c;
}

}  // namespace

const char* b7DecEditName(B7DecEdit edit) {
  switch (edit) {
    case B7DecEdit::Replaced:
      return "replaced";
    case B7DecEdit::KeyAdded:
      return "key added";
    case B7DecEdit::SectionAdded:
      return "section added";
    case B7DecEdit::Unchanged:
      return "unchanged";
  }
  return "?";
}

B7DecChange setB7Dec(std::string_view ini, std::string_view value) {
  const Place p = findPlace(ini);
  const std::string_view eol = lineEndOf(ini);
  const std::string line = std::string(kKey) + " = " + std::string(value);
  if (!p.section) {
    const bool open = !ini.empty() && ini.back() != '\n';
    const std::string put = (open ? std::string(eol) : std::string()) + "[" +
                            std::string(kSection) + "]" + std::string(eol) + line +
                            std::string(eol);
    return spliced(ini, ini.size(), 0, put, ini.size() + put.size() - eol.size() - line.size(),
                   B7DecEdit::SectionAdded);
  }
  if (!p.key) {
    const std::size_t at = afterLine(ini, *p.last);
    const bool open = at == ini.size() && (ini.empty() || ini.back() != '\n');
    const std::string put = open ? std::string(eol) + line : line + std::string(eol);
    return spliced(ini, at, 0, put, at + (open ? eol.size() : 0), B7DecEdit::KeyAdded);
  }
  const profile::ProfileLine& k = *p.key;
  const std::size_t keyAt = offsetIn(ini, k.text);
  if (!k.hasValue) {
    const std::size_t at = offsetIn(ini, k.name) + k.name.size();
    return spliced(ini, at, 0, " = " + std::string(value), keyAt, B7DecEdit::Replaced);
  }
  const std::string_view old = profile::unquote(k.value);
  if (!old.empty()) {
    const double was = pluginReading(old);
    if (was > 0 && was == pluginReading(value)) {
      return {std::string(ini), B7DecEdit::Unchanged, k.number, std::string(old)};
    }
  }
  const std::size_t at = offsetIn(ini, old);
  // An empty value after '=' gets the space a written one has.
  const bool bare = old.empty() && old.data() == k.value.data() && at > 0 && ini[at - 1] == '=';
  B7DecChange c = spliced(ini, at, old.size(), (bare ? " " : "") + std::string(value), keyAt,
                          B7DecEdit::Replaced);
  c.oldValue = std::string(old);
  return c;
}

B7DecChange writeB7Dec(const fs::path& folder, std::string_view value) {
  const fs::path file = folder / "TASC.ini";
  std::error_code ec;
  const bool existed = fs::exists(file, ec);
  if (ec) throw OutputError("cannot read " + platform::utf8Of(file) + ": " + ec.message());
  std::string old;
  if (existed) {
    const std::optional<std::string> text =
        fs::is_regular_file(file, ec) ? files::readWholeFile(file) : std::nullopt;
    if (!text) throw OutputError("cannot read " + platform::utf8Of(file));
    old = *text;
  }
  B7DecChange c = setB7Dec(old, value);
  if (c.edit == B7DecEdit::Unchanged) return c;
  const fs::path backup = folder / "TASC.ini.bak";
  const bool kept = fs::exists(backup, ec);
  if (ec) throw OutputError("cannot look for " + platform::utf8Of(backup) + ": " + ec.message());
  if (existed && !kept) writeReplacing(backup, old);
  writeReplacing(file, c.text);
  return c;
}

}  // namespace tasc::fit
