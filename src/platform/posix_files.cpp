// Parameter-file paths on POSIX.
//
// The path of an entry is formed by params/entry_path.h: '\' and '/' both
// separate, absolute entries start at the root, relative ones at the folder of
// csvPath.ini. Only a regular file opens; a folder, a FIFO, a device, a
// missing or an unreadable file give null. The file is opened without blocking, so a FIFO
// that nobody writes cannot hang the caller.
// No allocation: the path is built in a fixed buffer, and an entry too long
// for it counts as missing.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"
#include "readers/entry_path.h"

namespace tasc::platform {

File openParamFile(const char* entry, const char* listPath) noexcept {
  PathBuilder joined;
  const char* path = formEntryPath(joined, entry, listPath);
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
