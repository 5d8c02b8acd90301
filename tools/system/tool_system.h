// What the tools need to know about the operating system besides loading
// modules (host_loader.h does that): their own file, the terminal, the cores
// and worker threads, and Ctrl-C.
#pragma once

#include <filesystem>
#include <functional>
#include <stdexcept>

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

// Ctrl-C (SIGINT and SIGTERM; Ctrl-C and Ctrl-Break in a Windows console)
// sets a flag instead of ending the process, so that a command stops at its
// next frame and its temporary folders are removed on the way out, the
// plug-in copies they hold unloaded first. A second one ends the process as
// the system would have.
void catchInterrupts();
// Whether an interrupt came since catchInterrupts(); safe on any thread.
bool interrupted();

// The run stopped for an interrupt.
class Interrupted : public std::runtime_error {
 public:
  Interrupted() : std::runtime_error("interrupted") {}
};
// Throws Interrupted when an interrupt came.
inline void stopIfInterrupted() {
  if (interrupted()) throw Interrupted();
}

// Lets go of the module at `path` that a module the tool loaded has loaded in
// turn and not released (the recording module keeps its plug-in until the
// process ends): on Windows a loaded module's file cannot be deleted. Call it
// once that module is unloaded. Nothing on POSIX, where the file can go.
void releaseLeftModule(const std::filesystem::path& path) noexcept;

}  // namespace tasc::platform
