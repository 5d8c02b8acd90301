// Windows implementation of the platform layer: the module's own file name,
// the private-profile functions and the keyboard query. The parameter-file
// path step is in windows_files.cpp.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

namespace tasc::platform {
namespace {

void clear(std::span<char> out) {
  if (!out.empty()) out[0] = '\0';
}

// Length of a terminated text within `limit` characters; `limit` when there
// is no terminator in reach.
std::size_t boundedLength(const char* text, std::size_t limit) {
  const void* end = std::memchr(text, '\0', limit);
  return end == nullptr ? limit : static_cast<std::size_t>(static_cast<const char*>(end) - text);
}

}  // namespace

bool moduleFileName(std::span<char> out) {
  if (out.empty()) return false;
  out[0] = '\0';
  // The module that holds this code: the DLL in the plug-in, the program in a
  // tool that links the layer statically.
  HMODULE self = nullptr;
  if (!::GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCSTR>(&moduleFileName), &self)) {
    return false;
  }
  const DWORD size = out.size() > MAXDWORD ? MAXDWORD : static_cast<DWORD>(out.size());
  const DWORD n = ::GetModuleFileNameA(self, out.data(), size);
  // n == size: the name was cut (and, before Vista, left unterminated).
  if (n == 0 || n >= size) {
    out[0] = '\0';
    return false;
  }
  return true;
}

bool splitPath(const char* path, std::span<char> drive, std::span<char> dir) {
  clear(drive);
  clear(dir);
  if (path == nullptr || drive.empty() || dir.empty()) return false;
  // Every part of a path of at most 259 characters fits buffers of 260, so
  // _splitpath_s never reaches the invalid-parameter handler; the parts are
  // then checked against the caller's buffers.
  constexpr std::size_t kLocal = MAX_PATH;
  if (boundedLength(path, kLocal) >= kLocal) return false;
  char localDrive[kLocal];
  char localDir[kLocal];
  if (::_splitpath_s(path, localDrive, kLocal, localDir, kLocal, nullptr, 0, nullptr, 0) != 0) {
    return false;
  }
  const std::size_t driveLength = std::strlen(localDrive);
  const std::size_t dirLength = std::strlen(localDir);
  if (driveLength >= drive.size() || dirLength >= dir.size()) return false;
  std::memcpy(drive.data(), localDrive, driveLength + 1);
  std::memcpy(dir.data(), localDir, dirLength + 1);
  return true;
}

uint32_t readProfileString(const char* section, const char* key, const char* defaultValue,
                           char* out, uint32_t size, const char* file) {
  if (out == nullptr || size == 0) return 0;
  const char* fallback = defaultValue ? defaultValue : "";
  // An empty file name would make the system look in the Windows folder.
  if (file == nullptr || *file == '\0') {
    const std::size_t n = boundedLength(fallback, size - 1);
    std::memcpy(out, fallback, n);
    out[n] = '\0';
    return static_cast<uint32_t>(n);
  }
  return ::GetPrivateProfileStringA(section, key, fallback, out, size, file);
}

ProfileFile::ProfileFile(const char* file) : file_(file) {}

uint32_t ProfileFile::readString(const char* section, const char* key, const char* defaultValue,
                                 char* out, uint32_t size) const {
  return readProfileString(section, key, defaultValue, out, size, file_);
}

int32_t readProfileInt(const char* section, const char* key, int32_t defaultValue,
                       const char* file) {
  if (file == nullptr || *file == '\0') return defaultValue;
  // The system reads a signed value and hands it back in an unsigned one.
  return static_cast<int32_t>(::GetPrivateProfileIntA(section, key, defaultValue, file));
}

bool isKeyDown(int32_t virtualKey) {
  // Down when the most significant bit of the 16-bit result is set.
  return ::GetAsyncKeyState(virtualKey) < 0;
}

}  // namespace tasc::platform
