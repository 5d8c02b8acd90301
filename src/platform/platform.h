// Everything of the plug-in that knows the operating system. The module reaches
// the system only through these functions, and hands the controller readers
// over them; each build links one implementation (POSIX or Windows).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace tasc::platform {

// Buffers of splitPath, as _splitpath_s fills them: drive 3 and directory 256
// characters with the terminator.
inline constexpr std::size_t kDriveSize = 3;
inline constexpr std::size_t kDirSize = 256;

// The module's own full file name, terminated. False when it is unknown or does
// not fit the buffer; the buffer then holds an empty text.
bool moduleFileName(std::span<char> out);

// Splits a full file name into drive and directory (the directory ends with its
// separator). False when either part does not fit; both are then empty.
bool splitPath(const char* path, std::span<char> drive, std::span<char> dir);

// Private-profile reading, with the results of the Windows functions.
// A missing file (or an empty path), section or key gives the default.
// readProfileString copies at most size - 1 characters and terminates; it
// returns the number of characters copied.
uint32_t readProfileString(const char* section, const char* key, const char* defaultValue,
                           char* out, uint32_t size, const char* file);
int32_t readProfileInt(const char* section, const char* key, int32_t defaultValue,
                       const char* file);

// One private-profile file for several lookups, each with the result that
// readProfileString gives. POSIX reads the file once, when the object is
// made (the 64 entries of the parameter-file list cost one read, not 64); on
// Windows each lookup asks the system, whose own rules stay in force.
class ProfileFile {
 public:
  explicit ProfileFile(const char* file);
  uint32_t readString(const char* section, const char* key, const char* defaultValue, char* out,
                      uint32_t size) const;

 private:
#if defined(_WIN32)
  const char* file_;
#else
  std::optional<std::string> text_;  // none: the file is missing
#endif
};

#if defined(_WIN32)
// True when the key with this virtual-key code is down at this moment. A POSIX
// system has no such query: the host reports the keys (SetKeyState).
bool isKeyDown(int32_t virtualKey);
#endif

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opens the parameter file that a csvPath.ini entry names: an absolute entry
// as it stands, any other relative to the folder of `listPath`. Null when the
// path cannot be formed or the file does not open as a regular file.
// Reading in text mode: the reader drops a CR before each LF itself, so
// either opening mode gives the same lines.
File openParamFile(const char* entry, const char* listPath) noexcept;

}  // namespace tasc::platform
