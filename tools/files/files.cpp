#include "files/files.h"

#include <cstdint>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace tasc::files {
namespace {

constexpr int kNameAttempts = 100;

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

bool writeWholeFile(const fs::path& path, std::string_view text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.flush();
  return static_cast<bool>(out);
}

TempFolder::TempFolder(std::string_view prefix) {
  std::random_device rd;
  std::mt19937_64 gen((static_cast<uint64_t>(rd()) << 32) ^ rd());
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::ostringstream name;
    name << prefix << std::hex << gen();
    std::error_code ec;
    if (fs::create_directory(base / name.str(), ec)) {
      path_ = base / name.str();
      return;
    }
  }
  throw FileError("cannot create a folder under " + base.string());
}

TempFolder::~TempFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

}  // namespace tasc::files
