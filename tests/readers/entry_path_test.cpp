// How an entry of csvPath.ini and the list's path form the path of a
// parameter file on POSIX: rows of data/entry_paths.txt. Both texts lie in
// heap buffers of their exact size, so that the sanitizer sees a read past
// either terminator (preset sanitize); "<null>" is a null pointer.
#include "readers/entry_path.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/cases.h"

namespace tasc {
namespace {

TEST(FormEntryPath, Golden) {
  for (const test::Case& c : test::readCases("readers/data/entry_paths.txt")) {
    const auto exact = [](const std::string& text) {
      return std::vector<char>(text.c_str(), text.c_str() + text.size() + 1);
    };
    const auto entry = exact(test::expand(c.f[1])), list = exact(c.f[0]);
    PathBuilder out;
    const char* path = formEntryPath(out, c.f[1] == "<null>" ? nullptr : entry.data(),
                                     c.f[0] == "<null>" ? nullptr : list.data());
    EXPECT_EQ(path ? std::string(path) : "-", test::expand(c.f[2])) << c.where;
  }
}

}  // namespace
}  // namespace tasc
