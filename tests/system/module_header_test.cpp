// peMachine: the Machine field of Windows modules, and 0 (never a crash or a
// read past the file) for anything that is not one.
#include <gtest/gtest.h>

#include <string>

#include "support/cases.h"
#include "support/vehicle_folder.h"
#include "system/host_loader.h"

namespace tasc::platform {
namespace {

// The rows of data/pe_machine.txt, then a missing file and no name.
TEST(PeMachine, ReadsTheMachineOrZero) {
  const test::TempFolder t;
  for (const test::Case& c : test::readCases("system/data/pe_machine.txt")) {
    const auto file = t.write("module.bin", test::expand(c.f[1]));
    EXPECT_EQ(peMachine(file.string().c_str()), std::stoi(c.f[2], nullptr, 16)) << c.where;
  }
  EXPECT_EQ(peMachine((t.path() / "missing").string().c_str()), 0);
  EXPECT_EQ(peMachine(nullptr), 0);
}

}  // namespace
}  // namespace tasc::platform
