#include "check/check_command.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>

#include "check/check.h"
#include "cli/cli.h"
#include "system/host_loader.h"

namespace tasc::check {

void addCheckCommand(CLI::App& tasc, int& status) {
  struct Options {
    std::string folder;
    bool json = false;
  };
  auto o = std::make_shared<Options>();
  CLI::App* check = tasc.add_subcommand(
      "check",
      "Report what the plug-in makes of a vehicle folder: TASC.ini, csvPath.ini and every "
      "parameter file it names (exit 0 clean, 1 warnings, 2 errors)");
  check->add_option("FOLDER", o->folder, "folder holding TASC.ini and csvPath.ini")->required();
  check->add_flag("--json", o->json, "machine-readable report");
  check->callback([o, &status] {
    status = cli::runCommand("check", [&] {
      const Findings findings = checkFolder(o->folder);
      std::cout << (o->json ? formatJson(findings) : formatHuman(findings)) << std::flush;
      return findings.exitStatus();
    });
  });
}

}  // namespace tasc::check
