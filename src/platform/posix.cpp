// POSIX implementation of the platform layer.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "readers/profile.h"

namespace tasc::platform {
namespace {

bool copyText(std::string_view text, std::span<char> out) {
  if (out.empty()) return false;
  if (text.size() >= out.size()) {
    out[0] = '\0';
    return false;
  }
  std::memcpy(out.data(), text.data(), text.size());
  out[text.size()] = '\0';
  return true;
}

// The whole file as text; nothing when it does not open as a regular file.
std::optional<std::string> readWholeFile(const char* path) {
  if (path == nullptr || *path == '\0') return std::nullopt;
  // Not blocking: a FIFO in the file's place is refused below, not waited on.
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  // Sized by the file, and read to its end: a file that grows meanwhile is
  // read whole all the same.
  std::string text(static_cast<std::size_t>(st.st_size), '\0');
  std::size_t used = 0;
  for (;;) {
    if (used == text.size()) text.resize(text.size() + 4096);
    const ssize_t n = ::read(fd, text.data() + used, text.size() - used);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  text.resize(used);
  return text;
}

}  // namespace

bool moduleFileName(std::span<char> out) {
  Dl_info info{};
  // Any address inside this library names the library's own file.
  if (::dladdr(reinterpret_cast<void*>(&moduleFileName), &info) == 0 || info.dli_fname == nullptr) {
    if (!out.empty()) out[0] = '\0';
    return false;
  }
  return copyText(info.dli_fname, out);
}

bool splitPath(const char* path, std::span<char> drive, std::span<char> dir) {
  const std::string_view p = path ? path : "";
  const std::size_t slash = p.rfind('/');
  const std::string_view directory = slash == std::string_view::npos ? "" : p.substr(0, slash + 1);
  // No drives on POSIX.
  if (copyText("", drive) && copyText(directory, dir)) return true;
  if (!drive.empty()) drive[0] = '\0';
  if (!dir.empty()) dir[0] = '\0';
  return false;
}

ProfileFile::ProfileFile(const char* file) {
  try {
    text_ = readWholeFile(file);
  } catch (...) {
    text_.reset();  // out of memory: read as missing
  }
}

uint32_t ProfileFile::readString(const char* section, const char* key, const char* defaultValue,
                                 char* out, uint32_t size) const {
  return profile::getString(text_ ? *text_ : std::string_view{}, section, key,
                            defaultValue ? defaultValue : "", out, size);
}

uint32_t readProfileString(const char* section, const char* key, const char* defaultValue,
                           char* out, uint32_t size, const char* file) {
  return ProfileFile(file).readString(section, key, defaultValue, out, size);
}

int32_t readProfileInt(const char* section, const char* key, int32_t defaultValue,
                       const char* file) {
  try {
    const std::optional<std::string> text = readWholeFile(file);
    return text ? profile::getInt(*text, section, key, defaultValue) : defaultValue;
  } catch (...) {
    return defaultValue;
  }
}

}  // namespace tasc::platform
