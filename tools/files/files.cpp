#include "files/files.h"

#include <memory>

namespace fs = std::filesystem;

namespace tasc::files {
namespace {

// Closes the file at the end of a reader's scope.
struct Closer {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using OwnedFile = std::unique_ptr<std::FILE, Closer>;

}  // namespace

std::optional<std::string> readAll(std::FILE* file) {
  if (file == nullptr) return std::nullopt;
  std::string bytes;
  char chunk[4096];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, n);
  if (std::ferror(file) != 0) return std::nullopt;
  return bytes;
}

std::optional<std::string> readWholeFile(const fs::path& path) {
#if defined(_WIN32)
  const OwnedFile file(_wfopen(path.c_str(), L"rb"));  // the path's own characters
#else
  const OwnedFile file(std::fopen(path.c_str(), "rb"));
#endif
  return readAll(file.get());
}

std::optional<std::string> readWholeFileNarrow(const std::string& path) {
  const OwnedFile file(std::fopen(path.c_str(), "rb"));
  return readAll(file.get());
}

}  // namespace tasc::files
