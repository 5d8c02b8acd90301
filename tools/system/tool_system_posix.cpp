// POSIX: /proc/self/exe, isatty, std::thread.
#include <unistd.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "system/tool_system.h"

namespace tasc::platform {

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

unsigned coreCount() {
  return std::max(1u, std::thread::hardware_concurrency());
}

void runWorkers(unsigned workers, const std::function<void(unsigned)>& body) {
  std::vector<std::thread> threads;
  for (unsigned w = 1; w < workers; ++w) threads.emplace_back(body, w);
  body(0);
  for (std::thread& t : threads) t.join();
}

}  // namespace tasc::platform
