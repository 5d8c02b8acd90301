// `tasc sim [options] [SCENARIO.toml]`: drives the plug-in over a scripted
// stop, or a matrix of them, and shows how well it stopped.
#pragma once

namespace CLI {
class App;
}

namespace tasc::sim {

void addSimCommand(CLI::App& tasc, int& status);

}  // namespace tasc::sim
