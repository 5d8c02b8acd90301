// Whole files and temporary folders for the tools: one reader of a file's
// bytes (over an open file, with thin adapters that open a path), one writer,
// and a folder of the tool's own under the system's temporary folder.
// Standard library only, so that the recording module can link it.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tasc::files {

// The rest of `file`, whole; nothing when `file` is null or a read fails.
// The file stays open.
std::optional<std::string> readAll(std::FILE* file);

// The file at `path`, whole, as bytes; nothing when it does not open or a
// read fails (a folder, for one).
std::optional<std::string> readWholeFile(const std::filesystem::path& path);
// The same for a narrow path, opened as the plug-in's own readers open one
// (in the system's code page on Windows).
std::optional<std::string> readWholeFileNarrow(const std::string& path);

// `text` as the whole file, created or emptied first; false when the file
// cannot be written.
bool writeWholeFile(const std::filesystem::path& path, std::string_view text);

// A folder that cannot be made.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A new, empty folder under the system's temporary folder, named `prefix`
// and random hex digits; removed with its content on destruction.
class TempFolder {
 public:
  // Throws FileError when no folder can be made.
  explicit TempFolder(std::string_view prefix);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace tasc::files
