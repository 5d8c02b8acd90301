// How an entry of csvPath.ini names a parameter file on POSIX. Pure text:
// the POSIX file opener forms its path here, and the check tool shows entries
// with the same rules in every build.
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
// No allocation: the path is built in a fixed buffer, and an entry too long
// for it counts as missing.
#pragma once

#include <array>
#include <cstddef>

namespace tasc {

// Text buffers of the host's platform: 260 characters with the terminator.
// An entry of csvPath.ini is read into one, so it is at most 259 characters.
inline constexpr std::size_t kPathSize = 260;
using PathBuffer = std::array<char, kPathSize>;

// Room for a list folder and an entry of 259 characters each, and more.
inline constexpr std::size_t kJoinedPathSize = 2048;

// A path built in place, without allocation.
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

// The path of `entry` with `listPath` the path of csvPath.ini, terminated,
// in `out`'s buffer (emptied first); null when it cannot be formed (no entry,
// an empty list path for a relative entry, or too long).
const char* formEntryPath(PathBuilder& out, const char* entry, const char* listPath) noexcept;

}  // namespace tasc
