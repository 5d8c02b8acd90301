// The Machine field of a Windows module, read from its headers with plain
// file reads: the loaders on both systems name a module of the wrong machine
// type instead of failing to load it without a reason.
#include <array>
#include <cstdio>

#include "system/host_loader.h"
#include "system/text.h"

namespace tasc::platform {
namespace {

// Little-endian fields of the headers, whatever the host's byte order.
std::uint32_t le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t le16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

bool readAt(std::FILE* f, long offset, unsigned char* out, std::size_t size) {
  return std::fseek(f, offset, SEEK_SET) == 0 && std::fread(out, 1, size, f) == size;
}

}  // namespace

std::uint16_t peMachine(const char* path) noexcept {
  return path == nullptr ? 0 : peMachine(pathFromSystem(path));
}

std::uint16_t peMachine(const std::filesystem::path& path) noexcept {
#if defined(_WIN32)
  std::FILE* f = _wfopen(path.c_str(), L"rb");  // the name's own characters
#else
  std::FILE* f = std::fopen(path.c_str(), "rb");
#endif
  if (f == nullptr) return 0;
  // DOS header: "MZ", and at 0x3C the offset of "PE\0\0", followed by Machine.
  std::array<unsigned char, 64> dos{};
  std::array<unsigned char, 6> pe{};
  std::uint16_t machine = 0;
  if (readAt(f, 0, dos.data(), dos.size()) && dos[0] == 'M' && dos[1] == 'Z') {
    const std::uint32_t at = le32(&dos[0x3C]);
    // A PE header lies well inside the first megabyte; a larger offset is garbage.
    if (at < (1U << 20) && readAt(f, static_cast<long>(at), pe.data(), pe.size()) && pe[0] == 'P' &&
        pe[1] == 'E' && pe[2] == 0 && pe[3] == 0) {
      machine = le16(&pe[4]);
    }
  }
  std::fclose(f);
  return machine;
}

}  // namespace tasc::platform
