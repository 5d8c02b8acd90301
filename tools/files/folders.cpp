// The writer and the temporary folder, apart from the readers: the recording
// module reads only, and links no stream or file-system code of these.
#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>

#include "files/files.h"

namespace fs = std::filesystem;

namespace tasc::files {
namespace {

constexpr int kNameAttempts = 100;

}  // namespace

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
  const std::u8string name = base.u8string();
  throw FileError("cannot create a folder under " + std::string(name.begin(), name.end()));
}

TempFolder::~TempFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

}  // namespace tasc::files
