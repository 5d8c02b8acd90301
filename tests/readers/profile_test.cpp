// The private-profile reader on plain text: lookups as rows of
// data/profile.txt (integers are rows of data/numbers.txt).
#include "readers/profile.h"

#include <gtest/gtest.h>

#include "support/cases.h"

namespace tasc::profile {
namespace {

TEST(Profile, Golden) {
  for (const test::Case& c : test::readCases("readers/data/profile.txt")) {
    EXPECT_EQ(findValue(c.f[0], c.f[1], c.f[2]).value_or("<missing>"), c.f[3]) << c.where;
  }
}

TEST(Profile, StringIsCutToTheBufferAndTerminated) {
  char buf[8];
  EXPECT_EQ(getString("[S]\nk=3.123456789\n", "S", "k", "d", buf, sizeof buf), 7u);
  EXPECT_STREQ(buf, "3.12345");
  EXPECT_EQ(getString("", "S", "k", "NULL", buf, sizeof buf), 4u);
  EXPECT_STREQ(buf, "NULL");
  EXPECT_EQ(getString("[S]\nk=v\n", "S", "k", "d", buf, 1), 0u);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(getString("[S]\nk=v\n", "S", "k", "d", nullptr, 8), 0u);
}

}  // namespace
}  // namespace tasc::profile
