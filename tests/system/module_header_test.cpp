// peMachine: the Machine field of Windows modules, and 0 (never a crash or a
// read past the file) for anything that is not one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "system/host_loader.h"

namespace {

namespace fs = std::filesystem;

// A DOS header of 64 bytes: "MZ" and the offset of the PE header.
std::string dosHeader(std::uint32_t peAt) {
  std::string b(64, '\0');
  b[0] = 'M';
  b[1] = 'Z';
  for (int i = 0; i < 4; ++i) b[0x3C + i] = static_cast<char>(peAt >> (8 * i) & 0xFF);
  return b;
}

// A module image cut after `keep` bytes: the DOS header, then at `peAt`
// (64 or more) "PE\0\0" and the machine.
std::string image(std::uint32_t peAt, std::uint16_t machine, std::size_t keep = std::string::npos) {
  std::string b = dosHeader(peAt) + std::string(peAt - 64, '\0') + std::string("PE\0\0", 4);
  b += static_cast<char>(machine & 0xFF);
  b += static_cast<char>(machine >> 8);
  return b.substr(0, keep);
}

TEST(PeMachine, ReadsTheMachineOrZero) {
  const struct {
    const char* name;
    std::string bytes;
    std::uint16_t machine;
  } cases[] = {
      {"x64 image", image(0x80, tasc::platform::kMachineX64), tasc::platform::kMachineX64},
      {"x86 image", image(0x100, tasc::platform::kMachineX86), tasc::platform::kMachineX86},
      {"ELF module", "\177ELF" + std::string(64, '\0'), 0},
      {"empty file", "", 0},
      {"DOS header cut short", image(0x80, tasc::platform::kMachineX64, 40), 0},
      {"PE header cut short", image(0x80, tasc::platform::kMachineX64, 0x84), 0},
      {"PE offset past the file", image(0x80, tasc::platform::kMachineX64, 0x80), 0},
      {"PE offset of 4 GiB", dosHeader(0xFFFFFFF0U), 0},
      {"MZ without PE signature", image(0x40, 0).replace(0x40, 2, "NE"), 0},
  };
  const fs::path file = fs::temp_directory_path() / "tasc_pe_machine_test.bin";
  for (const auto& c : cases) {
    std::ofstream(file, std::ios::binary) << c.bytes;
    EXPECT_EQ(tasc::platform::peMachine(file.string().c_str()), c.machine) << c.name;
  }
  fs::remove(file);
  EXPECT_EQ(tasc::platform::peMachine((file.string() + ".missing").c_str()), 0);
  EXPECT_EQ(tasc::platform::peMachine(nullptr), 0);
}

}  // namespace
