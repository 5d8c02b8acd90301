// What every `tasc` subcommand shares: exit statuses, the way a subcommand is
// added and run (its errors said and turned into its exit status), and
// whole-text readers for command-line values, built on the plug-in's own
// number reader.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace tasc::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;    // the job could not be done (a plug-in that cannot run)
inline constexpr int kExitBadInput = 2;  // bad input or usage
inline constexpr int kExitInterrupted = 130;  // Ctrl-C, as a shell reports SIGINT

// A command-line value that cannot be used; what() says which and why.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Input the command cannot use (a scenario, a recording, a record): what()
// says which and why.
class InputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Each subcommand library offers `void addXCommand(CLI::App& tasc, int& status)`:
// it adds `tasc x` with its options, and when that subcommand was chosen,
// runs it after parsing and stores its exit status. Nothing escapes.
using AddCommand = void (*)(CLI::App& tasc, int& status);

// Runs the body of `tasc NAME` and returns its exit status: the body's own,
// or for what it throws, a line on standard error and
//   Ctrl-C            "tasc NAME: interrupted"  kExitInterrupted
//   UsageError        "tasc: NAME: ..."   kExitBadInput
//   InputError        "tasc NAME: ..."    kExitBadInput
//   anything else     "tasc NAME: ..."    kExitFailed
// Standard output is set to binary first: the same bytes from every build.
// Ctrl-C stops the body at its next frame (platform::catchInterrupts).
int runCommand(std::string_view name, const std::function<int()>& body);

// The whole text as a 32-bit integer (decimal) or a finite decimal; throws
// UsageError naming `what` otherwise.
int32_t wholeInteger(std::string_view what, std::string_view text);
double wholeDecimal(std::string_view what, std::string_view text);

// A list of values "a,b,c" or a range "from:to:step" (at most 10,001 values).
std::vector<double> valueList(std::string_view what, std::string_view text);

// A path option: its value, UTF-8 like every argument, becomes the path it
// names on every system (on Windows its wide name, never the ANSI form).
CLI::Option* addPathOption(CLI::App& app, const std::string& name, std::filesystem::path& target,
                           const std::string& description);
CLI::Option* addPathOption(CLI::App& app, const std::string& name,
                           std::optional<std::filesystem::path>& target,
                           const std::string& description);

// Prints "tasc: message" on standard error and returns kExitBadInput.
int usageFailure(const std::string& message);

}  // namespace tasc::cli
