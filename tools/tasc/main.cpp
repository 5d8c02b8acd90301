// tasc: one command for vehicle and route authors. This file only wires the
// subcommands; each lives in a library of its own.
#include <CLI/CLI.hpp>
#include <exception>
#include <string>
#include <vector>

#include "beacon/beacon_command.h"
#include "check/check_command.h"
#include "cli/cli.h"
#include "report/report_command.h"
#include "sim/sim_command.h"
#include "system/host_loader.h"
#include "system/text.h"
#if defined(TASC_HAS_TUNE)
#include "tune/tune_command.h"
#endif
#if defined(TASC_HAS_FIT)
#include "fit/fit_command.h"
#endif

namespace {

int run(int argc, char** argv) {
  tasc::platform::setBinaryOutput(stdout);
  const tasc::platform::Utf8Console console;  // LF on every system: --version, --help too
  CLI::App app{
      "tasc: simulate stops through the TASC plug-in, check its files, report on recordings, tune "
      "its records and fit the simulated vehicle to recorded braking",
      "tasc"};
  app.set_version_flag("--version", "tasc " TASC_VERSION);
  app.require_subcommand(1);
  int status = tasc::cli::kExitOk;
  for (const tasc::cli::AddCommand add : {
         &tasc::sim::addSimCommand, &tasc::check::addCheckCommand, &tasc::beacon::addBeaconCommand,
             &tasc::report::addReportCommand,
#if defined(TASC_HAS_TUNE)
             &tasc::tune::addTuneCommand,  // a build without NLopt has no tuner
#endif
#if defined(TASC_HAS_FIT)
             &tasc::fit::addFitCommand,  // nor a fit
#endif
       }) {
    add(app, status);
  }
  try {
    // Every name inside is UTF-8, whatever the system's code page.
    std::vector<std::string> arguments = tasc::platform::utf8Arguments(argc, argv);
    std::vector<char*> pointers;
    pointers.reserve(arguments.size());
    for (std::string& a : arguments) pointers.push_back(a.data());
    app.parse(static_cast<int>(pointers.size()), pointers.data());
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? tasc::cli::kExitOk : tasc::cli::kExitBadInput;
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception& e) {
    return tasc::cli::usageFailure(e.what());
  } catch (...) {
    return tasc::cli::usageFailure("unexpected error");
  }
}
