// `tasc tune SCENARIO.toml`: searches the parameter record that the
// scenario's beacons select for the record that stops best over its sweep
// matrix, each stop simulated through the real plug-in, and checks the result
// on a matrix the search never saw.
#pragma once

namespace CLI {
class App;
}

namespace tasc::tune {

void addTuneCommand(CLI::App& tasc, int& status);

}  // namespace tasc::tune
