// The tools' UTF-8 text and the system's names: full-width characters named
// for what they are, and UTF-8 names that come back as they went in.
#include <gtest/gtest.h>

#include <string>

#include "system/text.h"

namespace tasc::platform {
namespace {

TEST(Text, FullWidthCharactersInNumbersAreNamed) {
  const struct {
    const char* name;
    std::string text;
    std::string note;
  } cases[] = {
      {"digit alone", "３", "full-width digit '３': write 3"},
      {"digit after plain ones", "1２", "full-width digit '２': write 2"},
      {"zero and nine", "０９", "full-width digit '０': write 0"},
      {"nine", "９", "full-width digit '９': write 9"},
      {"ideographic space", "3\xE3\x80\x80", "full-width space: write a plain space"},
      {"full-width point", "3．5", "full-width '．': write ."},
      {"full-width minus", "－1", "full-width '－': write -"},
      {"full-width plus", "＋1", "full-width '＋': write +"},
      {"plain number", "3.5", ""},
      {"empty", "", ""},
      {"full-width letter is no digit", "ａ", ""},
      {"cut sequence", "\xEF\xBC", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(fullWidthNote(c.text), c.note) << c.name;
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
