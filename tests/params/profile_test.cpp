// The private-profile reader on plain text.
#include "params/profile.h"

#include <gtest/gtest.h>

#include <string>

namespace tasc::profile {
namespace {

struct LookupCase {
  const char* name;
  const char* text;
  const char* section;
  const char* key;
  const char* expected;  // nullptr: missing
};

TEST(ProfileReader, FindsValuesAsTheSystemDoes) {
  const LookupCase cases[] = {
      {"plain", "[TASCPtn]\nB7Dec=4.2\n", "TASCPtn", "B7Dec", "4.2"},
      {"names ignore case", "[tascptn]\nb7dec=4.2\n", "TASCPtn", "B7Dec", "4.2"},
      {"spaces around names and '='", "[TASCPtn]\n  B7Dec \t=  4.2 \t\n", "TASCPtn", "B7Dec",
       "4.2"},
      {"CR LF line ends", "[TASCPtn]\r\nB7Dec=4.2\r\n", "TASCPtn", "B7Dec", "4.2"},
      {"double quotes", "[S]\nk=\" a b \"\n", "S", "k", " a b "},
      {"single quotes", "[S]\nk='x'\n", "S", "k", "x"},
      {"unmatched quote stays", "[S]\nk=\"x\n", "S", "k", "\"x"},
      {"a lone quote stays", "[S]\nk=\"\n", "S", "k", "\""},
      {"empty value is empty, not missing", "[S]\nk=\n", "S", "k", ""},
      {"key without '=' is missing", "[S]\nk\n", "S", "k", nullptr},
      {"comment line never matches", "[S]\n;k=1\n", "S", "k", nullptr},
      {"first key wins", "[S]\nk=1\nk=2\n", "S", "k", "1"},
      {"only the first section of a name", "[S]\na=1\n[S]\nk=2\n", "S", "k", nullptr},
      {"other section", "[T]\nk=1\n", "S", "k", nullptr},
      {"key before any section", "k=1\n[S]\n", "S", "k", nullptr},
      {"value keeps inner '=' and ';'", "[S]\nk=a=b ; c\n", "S", "k", "a=b ; c"},
      {"section name up to the last ']'", "[S] ; note\nk=1\n", "S", "k", "1"},
      {"byte-order mark skipped", "\xEF\xBB\xBF[S]\nk=1\n", "S", "k", "1"},
      {"no final line end", "[S]\nk=1", "S", "k", "1"},
      {"spaces inside brackets are trimmed", "[ S ]\nk=1\n", "S", "k", "1"},
  };
  for (const auto& c : cases) {
    const auto got = findValue(c.text, c.section, c.key);
    if (c.expected == nullptr) {
      EXPECT_FALSE(got.has_value()) << c.name;
    } else {
      ASSERT_TRUE(got.has_value()) << c.name;
      EXPECT_EQ(*got, c.expected) << c.name;
    }
  }
}

TEST(ProfileReader, StringIsCutToTheBufferAndTerminated) {
  char buf[8];
  std::fill(std::begin(buf), std::end(buf), 'x');
  EXPECT_EQ(getString("[S]\nk=3.123456789\n", "S", "k", "d", buf, sizeof buf), 7u);
  EXPECT_STREQ(buf, "3.12345");
  EXPECT_EQ(getString("", "S", "k", "NULL", buf, sizeof buf), 4u);
  EXPECT_STREQ(buf, "NULL");
  EXPECT_EQ(getString("[S]\nk=v\n", "S", "k", "d", buf, 1), 0u);
  EXPECT_STREQ(buf, "");
}

TEST(ProfileReader, IntegersFollowTheSystemReading) {
  const struct {
    const char* value;
    int32_t expected;
  } cases[] = {
      {"16", 16},
      {"  -3", -3},
      {"+7", 7},
      {"0x1F", 31},
      {"0X1F", 0},
      {"0o17", 15},
      {"0b101", 5},
      {"-0x10", -16},
      {"12abc", 12},
      {"abc", 0},
      {"4294967297", 1},  // wraps at 32 bits
      {"2147483648", std::numeric_limits<int32_t>::min()},
      {"1.9", 1},
  };
  for (const auto& c : cases) {
    const std::string text = std::string("[S]\nk=") + c.value + "\n";
    EXPECT_EQ(getInt(text, "S", "k", 99), c.expected) << c.value;
  }
  EXPECT_EQ(getInt("[S]\nk=\n", "S", "k", 99), 99) << "empty value gives the default";
  EXPECT_EQ(getInt("[S]\n", "S", "k", 99), 99) << "missing key gives the default";
  EXPECT_EQ(parseInt("0000000000000000000000000000012"), 0) << "only 29 characters are read";
}

}  // namespace
}  // namespace tasc::profile
