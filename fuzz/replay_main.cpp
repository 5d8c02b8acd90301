// Replays saved fuzzer inputs where no libFuzzer is linked: every file of
// each directory given, in name order, is passed to LLVMFuzzerTestOneInput.
// A broken invariant aborts; a missing directory (the iterator throws), an
// unreadable file or no input at all fails.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "files/files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::size_t replayed = 0;
  for (int a = 1; a < argc; ++a) {
    std::vector<fs::path> files(fs::directory_iterator(argv[a]), {});
    std::ranges::sort(files);
    for (const fs::path& file : files) {
      const std::optional<std::string> bytes = tasc::files::readWholeFile(file);
      if (!bytes) return std::fprintf(stderr, "replay: cannot read %s\n", file.c_str()), 1;
      // A copy of exactly the input's size, so that a read past its end is
      // caught by the sanitizers.
      std::vector<uint8_t> data(bytes->begin(), bytes->end());
      LLVMFuzzerTestOneInput(data.empty() ? nullptr : data.data(), data.size());
      ++replayed;
    }
  }
  std::printf("replay: %zu inputs passed\n", replayed);
  return replayed > 0 ? 0 : 1;
}
