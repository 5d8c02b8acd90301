// Parameter-file paths on POSIX.
//
// Vehicle folders are written on Windows, so an entry may use '\' as well as
// '/' between its steps; both are separators here. The rules:
// - an entry that begins with a separator is absolute: it starts at the root
//   of the file system (POSIX has no drives; "\x\a.csv" is "/x/a.csv") and is
//   used as it stands, its backslashes read as '/';
// - any other entry is relative to the folder that holds csvPath.ini (the
//   list path up to its last '/'); "." and ".." steps of the joined path are
//   removed lexically, as the Windows path step does; ".." above the root
//   stays at the root; a list path that is itself relative stays relative
//   (to the working directory) with its leading ".." steps kept;
// - a drive letter means nothing: "C:\x\a.csv" is a relative entry;
// - an empty list path (its folder did not fit the buffer) makes every
//   relative entry missing; an empty entry names the folder, which is no file;
// - only a regular file opens; a folder, a FIFO, a device, a missing or an
//   unreadable file give null. The file is opened without blocking, so a FIFO
//   that nobody writes cannot hang the caller.
// No allocation: the path is built in a fixed buffer, and an entry too long
// for it counts as missing.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <string_view>

#include "platform/platform.h"

namespace tasc::platform {
namespace {

// Room for a list folder and an entry of 259 characters each, and more.
constexpr std::size_t kJoinedPathSize = 2048;

bool isSeparator(char c) {
  return c == '/' || c == '\\';
}

class PathBuilder {
 public:
  bool fits(std::size_t more) const { return size_ + more < buffer_.size(); }
  void push(char c) { buffer_[size_++] = c; }
  std::size_t size() const { return size_; }
  void truncate(std::size_t size) { size_ = size; }
  char at(std::size_t i) const { return buffer_[i]; }
  const char* terminated() {
    buffer_[size_] = '\0';
    return buffer_.data();
  }

 private:
  std::array<char, kJoinedPathSize> buffer_{};
  std::size_t size_ = 0;
};

// Appends the steps of `text` to `out`, which holds `rootLength` characters
// that no ".." may remove ("/" or nothing). The list path comes from the
// system and keeps its backslashes as name characters; in an entry a
// backslash separates steps (`backslashSeparates`).
bool appendSteps(PathBuilder& out, std::size_t rootLength, std::string_view text,
                 bool backslashSeparates) {
  std::size_t i = 0;
  while (i < text.size()) {
    auto separates = [&](char c) { return c == '/' || (backslashSeparates && c == '\\'); };
    std::size_t end = i;
    while (end < text.size() && !separates(text[end])) ++end;
    const std::string_view step = text.substr(i, end - i);
    i = end + 1;
    if (step.empty() || step == ".") continue;
    if (step == "..") {
      // The last step of out, unless it is itself a kept "..".
      std::size_t lastStart = out.size();
      while (lastStart > rootLength && out.at(lastStart - 1) != '/') --lastStart;
      const std::size_t lastLength = out.size() - lastStart;
      const bool keptUp =
          lastLength == 2 && out.at(lastStart) == '.' && out.at(lastStart + 1) == '.';
      if (lastLength > 0 && !keptUp) {
        // Remove the step and the separator before it (not the root's).
        out.truncate(lastStart > rootLength ? lastStart - 1 : lastStart);
        continue;
      }
      if (rootLength > 0) continue;  // above the root: stays at the root
      // A relative path going above its start keeps the "..".
    }
    const bool needsSeparator = out.size() > rootLength;
    if (!out.fits(step.size() + 1)) return false;
    if (needsSeparator) out.push('/');
    for (char c : step) out.push(c);
  }
  return true;
}

// The file system path of an entry; null when it cannot be formed.
const char* formPath(PathBuilder& out, const char* entry, const char* listPath) {
  const std::string_view e(entry);
  if (!e.empty() && isSeparator(e.front())) {
    if (!out.fits(e.size())) return nullptr;
    for (char c : e) out.push(c == '\\' ? '/' : c);
    return out.terminated();
  }
  const std::string_view list = listPath ? std::string_view(listPath) : std::string_view{};
  if (list.empty()) return nullptr;
  const std::size_t slash = list.rfind('/');
  const std::string_view folder =
      slash == std::string_view::npos ? std::string_view{} : list.substr(0, slash + 1);
  std::size_t root = 0;
  if (!folder.empty() && folder.front() == '/') {
    out.push('/');
    root = 1;
  }
  if (!appendSteps(out, root, folder, false) || !appendSteps(out, root, e, true)) return nullptr;
  // Nothing left names the folder the path started from.
  if (out.size() == 0) {
    if (!out.fits(1)) return nullptr;
    out.push('.');
  }
  return out.terminated();
}

}  // namespace

File openParamFile(const char* entry, const char* listPath) noexcept {
  if (entry == nullptr) return nullptr;
  PathBuilder builder;
  const char* path = formPath(builder, entry, listPath);
  if (path == nullptr) return nullptr;

  // Non-blocking, so that opening a FIFO returns at once; fstat then turns
  // away everything that is not a regular file.
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  std::FILE* file = ::fdopen(fd, "rb");
  if (file == nullptr) {
    ::close(fd);
    return nullptr;
  }
  return File(file);
}

}  // namespace tasc::platform
