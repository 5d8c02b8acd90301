// Every subcommand runs through one runner: what its body throws becomes one
// line on standard error and the exit status the commands document.
#include <gtest/gtest.h>

#include <functional>
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

}  // namespace
}  // namespace tasc::cli
