// How an entry of csvPath.ini and the list's path form the path of a
// parameter file on POSIX: rows of data/entry_paths.txt.
#include "readers/entry_path.h"

#include <gtest/gtest.h>

#include <string>

#include "support/cases.h"

namespace tasc {
namespace {

TEST(FormEntryPath, Golden) {
  for (const test::Case& c : test::readCases("readers/data/entry_paths.txt")) {
    PathBuilder out;
    const char* path = formEntryPath(out, test::expand(c.f[1]).c_str(), c.f[0].c_str());
    EXPECT_EQ(path ? std::string(path) : "-", test::expand(c.f[2])) << c.where;
  }
}

}  // namespace
}  // namespace tasc
