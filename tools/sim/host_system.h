// The little the simulator needs to know about the operating system besides
// loading modules (src/platform/host_loader.h does that).
#pragma once

#include <filesystem>

namespace tasc::sim {

// The running executable's own file, empty when unknown.
std::filesystem::path executablePath();

// Whether standard error is a terminal (for the progress line).
bool stderrIsTerminal();

// File name of the plug-in module on this system ("TASC.so").
const char* pluginFileName();

}  // namespace tasc::sim
