// What the tools need to know about the operating system besides loading
// modules (host_loader.h does that): their own file, the terminal, the cores
// and worker threads.
#pragma once

#include <filesystem>
#include <functional>

namespace tasc::platform {

// The running executable's own file, empty when unknown.
std::filesystem::path executablePath();

// Whether standard error is a terminal (for the progress line).
bool stderrIsTerminal();

// File name of the plug-in module on this system ("TASC.so", "TASC.dll").
const char* pluginFileName();

// Number of processor cores, at least 1.
unsigned coreCount();

// Runs `body(worker)` for worker = 0 .. workers-1 at once, worker 0 on the
// calling thread, and returns when all have returned. `body` must not throw.
void runWorkers(unsigned workers, const std::function<void(unsigned)>& body);

}  // namespace tasc::platform
