// POSIX: /proc/self/exe, isatty.
#include <unistd.h>

#include "sim/host_system.h"

namespace tasc::sim {

std::filesystem::path executablePath() {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path{} : p;
}

bool stderrIsTerminal() {
  return ::isatty(STDERR_FILENO) == 1;
}

const char* pluginFileName() {
  return "TASC.so";
}

}  // namespace tasc::sim
