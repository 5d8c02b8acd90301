#include "folder/vehicle_folder.h"

#include "control/tasc_controller.h"
#include "files/files.h"
#include "platform/platform.h"
#include "readers/entry_path.h"
#include "system/text.h"

namespace fs = std::filesystem;

namespace tasc::folder {
namespace {

constexpr std::size_t kSniffedBytes = 512;

// The file an entry names, as the tools open it: on POSIX with the plug-in's
// own path forming; on Windows from the entry's wide name, so that a trail
// byte 0x5C of the code page never separates steps, with the rules of the
// plug-in's path step (a leading separator keeps the folder's drive only).
fs::path entryFile(const std::string& value, const fs::path& folder, const std::string& listPath) {
#if defined(_WIN32)
  (void)listPath;
  const fs::path entry = platform::pathFromSystem(value);
  fs::path joined;
  if (entry.has_root_name() && entry.has_root_directory()) {
    joined = entry;
  } else if (entry.has_root_directory()) {
    joined = folder.root_name() / entry;
  } else if (entry.has_root_name() && entry.root_name() != folder.root_name()) {
    std::error_code ec;
    joined = fs::absolute(entry, ec);
  } else {
    joined = folder / entry.relative_path();
  }
  return joined.lexically_normal();
#else
  (void)folder;
  PathBuilder path;
  const char* formed = formEntryPath(path, value.c_str(), listPath.c_str());
  if (formed == nullptr) return {};
  std::error_code ec;
  const fs::path absolute = fs::absolute(fs::path(formed), ec);
  return ec ? fs::path(formed) : absolute;
#endif
}

}  // namespace

const char* encodingName(Encoding encoding) {
  switch (encoding) {
    case Encoding::Narrow:
      return "ANSI";
    case Encoding::Utf8Bom:
      return "UTF-8 with a byte-order mark";
    case Encoding::Utf16Le:
      return "UTF-16 (little-endian)";
    case Encoding::Utf16Be:
      return "UTF-16 (big-endian)";
  }
  return "?";
}

Encoding sniffEncoding(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return Encoding::Utf8Bom;
  if (bytes.starts_with("\xFF\xFE")) return Encoding::Utf16Le;
  if (bytes.starts_with("\xFE\xFF")) return Encoding::Utf16Be;
  const std::string_view head = bytes.substr(0, kSniffedBytes);
  std::size_t evenZeros = 0;
  std::size_t oddZeros = 0;
  for (std::size_t i = 0; i < head.size(); ++i) {
    if (head[i] == '\0') ++(i % 2 == 0 ? evenZeros : oddZeros);
  }
  const std::size_t pairs = head.size() / 2;
  if (pairs == 0) return Encoding::Narrow;
  if (evenZeros == 0 && oddZeros * 4 >= pairs) return Encoding::Utf16Le;
  if (oddZeros == 0 && evenZeros * 4 >= pairs) return Encoding::Utf16Be;
  return Encoding::Narrow;
}

std::string utf16Problem(std::string_view name, Encoding encoding, bool profileFile) {
  if (!isUtf16(encoding)) return {};
  return std::string(name) + " is " + encodingName(encoding) + " text, which " +
         (profileFile ? "only the Windows build reads, and only behind a byte-order mark"
                      : "the plug-in does not read") +
         ": save it as ANSI or UTF-8";
}

std::optional<std::string> pluginPath(const fs::path& file) {
  return platform::systemPath(file);
}

VehicleList readList(const fs::path& folder) {
  VehicleList list;
  list.listFile = folder / "csvPath.ini";
  list.text = files::readWholeFile(list.listFile);
  if (list.text) list.encoding = sniffEncoding(*list.text);
  const std::optional<std::string> listPath = pluginPath(list.listFile);
  if (!listPath) return list;
  const platform::ProfileFile profile(listPath->c_str());
  for (int k = 0; k < kParamFileCount; ++k) {
    const std::string key = std::to_string(k);
    // The same read as the reset: default "NULL", a buffer of 260.
    PathBuffer read{};
    profile.readString("ParamData", key.c_str(), "NULL", read.data(),
                       static_cast<uint32_t>(read.size()));
    ListEntry e;
    e.index = k;
    e.value = read.data();
    if (e.value == "NULL") continue;
    e.shown = platform::utf8FromSystem(e.value);
    // Shown in UTF-8, where no byte of a character is a separator.
    PathBuilder shown;
    const char* p = formEntryPath(shown, e.shown.c_str(), "csvPath.ini");
    e.path = p != nullptr ? std::string(p) : e.shown;
    const platform::File f = platform::openParamFile(e.value.c_str(), listPath->c_str());
    e.opens = f != nullptr;
    if (f != nullptr) e.bytes = files::readAll(f.get()).value_or(std::string());
    if (!e.value.empty()) e.file = entryFile(e.value, folder, *listPath);
    list.entries.push_back(std::move(e));
  }
  return list;
}

}  // namespace tasc::folder
