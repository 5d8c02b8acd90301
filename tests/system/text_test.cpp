// The tools' UTF-8 text and the system's names: full-width characters named
// for what they are, and UTF-8 names that come back as they went in.
#include <gtest/gtest.h>

#include <string>

#include "support/cases.h"
#include "system/text.h"

namespace tasc::platform {
namespace {

TEST(Text, FullWidthCharactersInNumbersAreNamed) {
  for (const test::Case& c : test::readCases("system/data/full_width.txt")) {
    EXPECT_EQ(fullWidthNote(c.f[1]), c.f[2]) << c.where;
  }
}

TEST(Text, Utf8NamesComeBackAsTheyWentIn) {
  for (const std::string name : {"予備/表定.csv", "車両データ", "My Trains/a b.csv", ""}) {
    EXPECT_EQ(utf8Of(pathFromUtf8(name)), name);
  }
  // Joined to a path, a UTF-8 name is one step, whatever its bytes.
  EXPECT_EQ(utf8Of(pathFromUtf8("車両") / pathFromUtf8("表.csv")).size(),
            std::string("車両/表.csv").size());
}

}  // namespace
}  // namespace tasc::platform
