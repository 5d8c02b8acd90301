// `tasc fit RECORDING... [--out DIR] [--gradient PERMILLE]`: the simulator's
// vehicle model fitted to recorded braking; a table, an overlay chart per
// stop and the vehicle file that scenarios read.
#pragma once

namespace CLI {
class App;
}

namespace tasc::fit {

void addFitCommand(CLI::App& tasc, int& status);

}  // namespace tasc::fit
