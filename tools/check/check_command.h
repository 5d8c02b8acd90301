// `tasc check FOLDER [--json]`: what the plug-in makes of a vehicle folder.
#pragma once

namespace CLI {
class App;
}

namespace tasc::check {

void addCheckCommand(CLI::App& tasc, int& status);

}  // namespace tasc::check
