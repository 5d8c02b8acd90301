// Text and paths between the tools' UTF-8 and the system. Inside, the tools
// hold every name in UTF-8 (arguments, TOML values, what they print); a file
// opens through a std::filesystem::path made from UTF-8, which on Windows
// holds the wide name, never through the narrow ANSI form. The plug-in's own
// readers take narrow paths in the system's code page (ANSI on Windows), so
// a path handed to them is converted once more. This is the one place that
// converts: no other file of the tools calls the system's conversions.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tasc::platform {

// The path that UTF-8 `text` names (on Windows converted to its wide name).
std::filesystem::path pathFromUtf8(std::string_view text);
// The path's name in UTF-8, for printing and for joining to UTF-8 text.
std::string utf8Of(const std::filesystem::path& path);

// The path as the plug-in's narrow file functions take it: the ANSI code
// page on Windows, the name's bytes on POSIX. Nothing when a character of
// the name has no form in that code page (the plug-in could not open it).
std::optional<std::string> systemPath(const std::filesystem::path& path);
// The path that narrow text of the system's code page names (a path given
// to a test host, the module's own file name as the plug-in reads it).
std::filesystem::path pathFromSystem(std::string_view text);
// Narrow text of the system's code page (an entry of csvPath.ini as the
// plug-in reads it) in UTF-8; bytes that form no character are shown as
// U+FFFD. POSIX: the bytes as they are.
std::string utf8FromSystem(std::string_view text);

// What makes UTF-8 `text` that an author wrote as a number unreadable, when
// it is a full-width character of an East Asian input method: "full-width
// digit '３': write 3", "full-width space: write a plain space" (also the
// full-width '.', '-' and '+'); empty when there is none.
std::string fullWidthNote(std::string_view text);

// The program's arguments in UTF-8: on Windows read as wide text from the
// system (the narrow argv holds '?' for what the ANSI code page lacks), on
// POSIX `argv` as it is.
std::vector<std::string> utf8Arguments(int argc, char** argv);

// While alive, a console that shows the program's standard output or error
// decodes UTF-8 (the code page it had is restored afterwards). Output that
// goes to a file or a pipe is left alone: the same UTF-8 bytes from every
// build. Nothing on POSIX.
class Utf8Console {
 public:
  Utf8Console() noexcept;
  // Not trivial on Windows, where it restores the console's code page.
  ~Utf8Console();  // NOLINT(performance-trivially-destructible)
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

 private:
  unsigned previous_ = 0;  // the code page to restore, 0 when unchanged
};

}  // namespace tasc::platform
