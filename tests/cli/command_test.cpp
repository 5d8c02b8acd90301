// Every subcommand runs through one runner: what its body throws becomes one
// line on standard error and the exit status the commands document.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>

#include "cli/cli.h"

namespace tasc::cli {
namespace {

TEST(RunCommand, ErrorsBecomeALineAndTheExitStatus) {
  const struct {
    const char* name;
    std::function<int()> body;
    int status;
    const char* message;
  } cases[] = {
      {"TheBodysOwnStatus", [] { return 1; }, 1, ""},
      {"UsageNamesTheCommandAfterTasc", []() -> int { throw UsageError("--speeds: bad range"); }, 2,
       "tasc: sim: --speeds: bad range\n"},
      {"BadInputIsStatus2", []() -> int { throw InputError("a.toml:3:1: syntax"); }, 2,
       "tasc sim: a.toml:3:1: syntax\n"},
      {"AFailureIsStatus1", []() -> int { throw std::runtime_error("cannot load x"); }, 1,
       "tasc sim: cannot load x\n"},
      {"NothingEscapes", []() -> int { throw 42; }, 1, "tasc sim: unexpected error\n"},
  };
  for (const auto& c : cases) {
    testing::internal::CaptureStderr();
    const int status = runCommand("sim", c.body);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message) << c.name;
    EXPECT_EQ(status, c.status) << c.name;
  }
}

// The sweep options' lists and ranges: a range of at most 10000 steps, its
// last value kept where the steps land on it within rounding.
TEST(ValueList, ListsRangesAndTheirLimits) {
  const char* cases[][2] = {
      {"35,40.5", "2 values 35 .. 40.5"},        {"20:30:5", "3 values 20 .. 30"},
      {"0:1:0.1", "11 values 0 .. 1"},           {"0:100:0.01", "10001 values 0 .. 100"},
      {"0:100.005:0.01", "--speeds: bad range"}, {"30:20:5", "--speeds: bad range"},
      {"20:30:0", "--speeds: bad range"},        {"20:30", "--speeds: range is from:to:step"},
      {"35,x", "--speeds: not a number: \"x\""},
  };
  for (const auto& [text, expected] : cases) {
    std::ostringstream got;
    try {
      const std::vector<double> v = valueList("--speeds", text);
      got << v.size() << " values " << v.front() << " .. " << v.back();
    } catch (const UsageError& e) {
      got << e.what();
    }
    EXPECT_EQ(got.str(), expected) << text;
  }
}

}  // namespace
}  // namespace tasc::cli
