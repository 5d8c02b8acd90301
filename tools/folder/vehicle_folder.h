// A vehicle folder as the plug-in reads it: the encoding of its text files
// and the entries of its csvPath.ini, each read, resolved and opened with the
// plug-in's own functions. The one reading behind `tasc check`, the run
// folders of sim and tune, and the tuner's choice of the file it rewrites.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tasc::folder {

// How a text file's bytes are encoded, as far as its readers care.
enum class Encoding {
  Narrow,   // the system's code page (ANSI; UTF-8 bytes pass through)
  Utf8Bom,  // UTF-8 behind a byte-order mark
  Utf16Le,  // UTF-16, low byte first (with or without a byte-order mark)
  Utf16Be,  // UTF-16, high byte first
};
const char* encodingName(Encoding encoding);

// The encoding of `bytes`: a byte-order mark says it; without one, UTF-16 is
// text with a NUL byte in at least a quarter of its even (big-endian) or odd
// (little-endian) places, and none in the others, over the first 512 bytes.
Encoding sniffEncoding(std::string_view bytes);
inline bool isUtf16(Encoding e) {
  return e == Encoding::Utf16Le || e == Encoding::Utf16Be;
}
// "NAME is UTF-16 (...): ... save it as ANSI or UTF-8" for a UTF-16 file,
// empty for any other: the one message of check, sim and tune. A profile
// file (TASC.ini, csvPath.ini) in UTF-16 with a byte-order mark is read by
// the Windows profile functions alone; a parameter file by no build.
std::string utf16Problem(std::string_view name, Encoding encoding, bool profileFile);

// One entry of csvPath.ini that is set (not "NULL").
struct ListEntry {
  int index = 0;               // 0..63
  std::string value;           // as the plug-in reads it: the system's code page, <= 259 bytes
  std::string shown;           // the same in UTF-8
  std::string path;            // where it leads, in UTF-8 with '/' steps: relative to the
                               // folder unless absolute
  bool opens = false;          // the plug-in opens it as a file
  std::filesystem::path file;  // the file it names, as the tools open it (absolute)
  std::string bytes;           // what the plug-in reads from it, when it opens
};

struct VehicleList {
  std::filesystem::path listFile;   // the folder's csvPath.ini
  std::optional<std::string> text;  // its bytes; none when it does not open
  Encoding encoding = Encoding::Narrow;
  std::vector<ListEntry> entries;  // the entries that are set, in key order
};

// The csvPath.ini of `folder` (a path of any name) as the plug-in reads it.
// A folder whose name the system's code page cannot write gives no entries:
// the plug-in could not open anything in it either.
VehicleList readList(const std::filesystem::path& folder);

// The narrow path of `file` that the plug-in's readers take; nothing when
// the system's code page cannot write its name.
std::optional<std::string> pluginPath(const std::filesystem::path& file);

}  // namespace tasc::folder
