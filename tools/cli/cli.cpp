#include "cli/cli.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>

#include "readers/numbers.h"
#include "system/host_loader.h"
#include "system/text.h"
#include "system/tool_system.h"

namespace tasc::cli {
namespace {

std::string quoted(std::string_view text) {
  return "\"" + std::string(text) + "\"";
}

// ": full-width digit '３': write 3" when the text holds one, else empty.
std::string fullWidth(std::string_view text) {
  const std::string note = platform::fullWidthNote(text);
  return note.empty() ? note : ": " + note;
}

}  // namespace

int32_t wholeInteger(std::string_view what, std::string_view text) {
  const NumberRead<int32_t> read = readInteger(text);
  if (read.status == NumberStatus::OutOfRange) {
    throw UsageError(std::string(what) + ": " + quoted(text) + " is out of range");
  }
  if (!read.whole(text.data() + text.size())) {
    throw UsageError(std::string(what) + ": " + quoted(text) + " is not a whole number" +
                     fullWidth(text));
  }
  return read.value;
}

double wholeDecimal(std::string_view what, std::string_view text) {
  const NumberRead<double> read = readDecimal(text);
  if (!read.whole(text.data() + text.size()) || !std::isfinite(read.value)) {
    throw UsageError(std::string(what) + ": not a number: " + quoted(text) + fullWidth(text));
  }
  return read.value;
}

std::vector<double> valueList(std::string_view what, std::string_view text) {
  std::vector<double> values;
  const std::size_t a = text.find(':');
  if (a != std::string_view::npos) {
    const std::size_t b = text.find(':', a + 1);
    if (b == std::string_view::npos)
      throw UsageError(std::string(what) + ": range is from:to:step");
    const double from = wholeDecimal(what, text.substr(0, a));
    const double to = wholeDecimal(what, text.substr(a + 1, b - a - 1));
    const double step = wholeDecimal(what, text.substr(b + 1));
    if (step <= 0 || to < from || (to - from) / step > 10000) {
      throw UsageError(std::string(what) + ": bad range");
    }
    const double count = std::floor((to - from) / step + 1e-9) + 1;
    for (int i = 0; i < static_cast<int>(count); ++i) values.push_back(from + step * i);
    return values;
  }
  for (std::size_t start = 0;;) {
    const std::size_t comma = text.find(',', start);
    values.push_back(wholeDecimal(what, text.substr(start, comma - start)));
    if (comma == std::string_view::npos) return values;
    start = comma + 1;
  }
}

CLI::Option* addPathOption(CLI::App& app, const std::string& name, std::filesystem::path& target,
                           const std::string& description) {
  return app.add_option_function<std::string>(
      name, [&target](const std::string& v) { target = platform::pathFromUtf8(v); }, description);
}

CLI::Option* addPathOption(CLI::App& app, const std::string& name,
                           std::optional<std::filesystem::path>& target,
                           const std::string& description) {
  return app.add_option_function<std::string>(
      name, [&target](const std::string& v) { target = platform::pathFromUtf8(v); }, description);
}

int usageFailure(const std::string& message) {
  std::fprintf(stderr, "tasc: %s\n", message.c_str());
  return kExitBadInput;
}

int runCommand(std::string_view name, const std::function<int()>& body) {
  platform::setBinaryOutput(stdout);
  platform::catchInterrupts();
  const std::string command(name);
  try {
    return body();
  } catch (const platform::Interrupted& e) {
    // Reached after the run's folders were removed on the way out.
    std::fprintf(stderr, "tasc %s: %s\n", command.c_str(), e.what());
    return kExitInterrupted;
  } catch (const UsageError& e) {
    return usageFailure(command + ": " + e.what());
  } catch (const InputError& e) {
    std::fprintf(stderr, "tasc %s: %s\n", command.c_str(), e.what());
    return kExitBadInput;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tasc %s: %s\n", command.c_str(), e.what());
    return kExitFailed;
  } catch (...) {
    std::fprintf(stderr, "tasc %s: unexpected error\n", command.c_str());
    return kExitFailed;
  }
}

}  // namespace tasc::cli
