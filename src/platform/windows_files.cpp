// Parameter-file paths on Windows.
//
// An entry of csvPath.ini is narrow text in the file-system code page: UTF-8
// when the C runtime's locale uses it, else the ANSI code page when the file
// functions use that (AreFileApisANSI), else the OEM code page. It becomes a
// wide path, characters that are invalid in that code page failing the step.
// - An absolute entry is used as it stands: a drive letter, ':' and a
//   separator; or a root name that is not a drive (two separators and a
//   network name, "\\?\", "\\.\", "\??\").
// - Any other entry is appended to the folder of csvPath.ini with the rules of
//   path appending: an entry that begins with a separator keeps only the
//   drive of that folder; an entry with a drive of its own ("D:a.csv") other
//   than the folder's replaces the folder and is completed against the current
//   directory of that drive; an entry with the folder's own drive drops it.
//   GetFullPathNameW then makes the result absolute, removing "." and ".."
//   steps and turning '/' into '\'.
// - Only a file on disk opens: a folder, a device (CON, NUL) or a pipe gives
//   null. The file is opened for shared reading (others may read and write).
// - Binary mode: the line reader drops a CR before each LF itself, and a
//   Ctrl-Z in the file is data as on every other platform, so every build reads
//   the same lines from the same bytes.
// No allocation: the paths live in fixed buffers, and a path too long for them
// counts as missing, as does any failure of the path step.
#include <windows.h>

#include <io.h>
#include <locale.h>
#include <share.h>

#include <cstdio>
#include <cwchar>

#include "platform/platform.h"

namespace tasc::platform {
namespace {

// Wide characters of a joined path before and after GetFullPathNameW.
constexpr int kWidePathSize = 2048;

class WidePath {
 public:
  bool append(const wchar_t* text, std::size_t length) {
    if (length >= static_cast<std::size_t>(kWidePathSize) - size_) return false;
    std::wmemcpy(buffer_ + size_, text, length);
    size_ += length;
    buffer_[size_] = L'\0';
    return true;
  }
  const wchar_t* text() const { return buffer_; }
  std::size_t size() const { return size_; }

 private:
  wchar_t buffer_[kWidePathSize] = {};
  std::size_t size_ = 0;
};

bool isSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}
bool isLetter(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// The code page in which the narrow paths are written.
UINT fileSystemCodePage() {
  if (::___lc_codepage_func() == CP_UTF8) return CP_UTF8;
  return ::AreFileApisANSI() ? CP_ACP : CP_OEMCP;
}

// Narrow text to a terminated wide text; false when a character is invalid in
// the code page or the text does not fit.
bool widen(const char* text, UINT codePage, wchar_t* out, int size) {
  if (*text == '\0') {
    out[0] = L'\0';
    return true;
  }
  return ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text, -1, out, size) > 0;
}

// Length of the root name: "X:", or "\\server", or one of the namespace
// prefixes "\\?\", "\\.\", "\??\" without their last backslash; 0 without.
std::size_t rootNameLength(const wchar_t* p, std::size_t n) {
  if (n >= 2 && isLetter(p[0]) && p[1] == L':') return 2;
  if (n >= 4 && p[0] == L'\\' && p[3] == L'\\' &&
      ((p[1] == L'\\' && (p[2] == L'?' || p[2] == L'.')) || (p[1] == L'?' && p[2] == L'?'))) {
    return 3;
  }
  if (n >= 3 && isSeparator(p[0]) && isSeparator(p[1]) && !isSeparator(p[2])) {
    std::size_t end = 3;
    while (end < n && !isSeparator(p[end])) ++end;
    return end;
  }
  return 0;
}

// Absolute in the Windows sense: a drive with a separator after it, or a root
// name that is not a drive.
bool isAbsolute(const wchar_t* p, std::size_t n) {
  const std::size_t root = rootNameLength(p, n);
  if (root == 2) return n > 2 && isSeparator(p[2]);
  return root > 0;
}

// folder (csvPath.ini's, ending with its separator) appended with `entry`.
bool appendEntry(WidePath& out, const wchar_t* folder, std::size_t folderLength,
                 const wchar_t* entry, std::size_t entryLength) {
  const std::size_t folderRoot = rootNameLength(folder, folderLength);
  const std::size_t entryRoot = rootNameLength(entry, entryLength);
  if (entryRoot > 0 && (entryRoot != folderRoot || std::wmemcmp(entry, folder, entryRoot) != 0)) {
    // A root name of its own: the entry replaces the folder.
    return out.append(entry, entryLength);
  }
  const wchar_t* rest = entry + entryRoot;
  const std::size_t restLength = entryLength - entryRoot;
  if (restLength > 0 && isSeparator(rest[0])) {
    // From the root of the folder's drive.
    return out.append(folder, folderRoot) && out.append(rest, restLength);
  }
  if (!out.append(folder, folderLength)) return false;
  // A folder that ends in a name (only a bare "X:" ends otherwise) needs a
  // separator before the entry.
  const bool needsSeparator = folderLength > folderRoot && !isSeparator(folder[folderLength - 1]);
  if (needsSeparator && !out.append(L"\\", 1)) return false;
  return out.append(rest, restLength);
}

// The absolute wide path of an entry; false when it cannot be formed.
bool formPath(const char* entry, const char* listPath, wchar_t* out, DWORD outSize) {
  const UINT codePage = fileSystemCodePage();
  static_assert(kWidePathSize > 2 * MAX_PATH);
  wchar_t wideEntry[kWidePathSize];
  if (!widen(entry, codePage, wideEntry, kWidePathSize)) return false;
  const std::size_t entryLength = std::wcslen(wideEntry);
  if (isAbsolute(wideEntry, entryLength)) {
    if (entryLength >= outSize) return false;
    std::wmemcpy(out, wideEntry, entryLength + 1);
    return true;
  }

  if (listPath == nullptr || *listPath == '\0') return false;
  wchar_t wideList[kWidePathSize];
  if (!widen(listPath, codePage, wideList, kWidePathSize)) return false;
  // The folder: the list path without its last component, keeping the
  // separator before it (a bare root name when there is no separator).
  std::size_t folderLength = std::wcslen(wideList);
  const std::size_t listRoot = rootNameLength(wideList, folderLength);
  while (folderLength > listRoot && !isSeparator(wideList[folderLength - 1])) --folderLength;

  WidePath joined;
  if (!appendEntry(joined, wideList, folderLength, wideEntry, entryLength)) return false;
  if (joined.size() == 0) return false;
  const DWORD n = ::GetFullPathNameW(joined.text(), outSize, out, nullptr);
  return n > 0 && n < outSize;
}

}  // namespace

File openParamFile(const char* entry, const char* listPath) noexcept {
  if (entry == nullptr) return nullptr;
  wchar_t path[kWidePathSize];
  if (!formPath(entry, listPath, path, kWidePathSize)) return nullptr;
  std::FILE* file = ::_wfsopen(path, L"rb", _SH_DENYNO);
  if (file == nullptr) return nullptr;
  // A device or a pipe opens like a file; only a file on disk is read.
  const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(file)));
  BY_HANDLE_FILE_INFORMATION info{};
  if (handle == INVALID_HANDLE_VALUE || ::GetFileType(handle) != FILE_TYPE_DISK ||
      !::GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    std::fclose(file);
    return nullptr;
  }
  return File(file);
}

}  // namespace tasc::platform
