// POSIX: /proc/self/exe, isatty, std::thread, sigaction.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "system/tool_system.h"

namespace tasc::platform {
namespace {

// Lock-free, so the signal handler may set it.
constinit std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void onInterrupt(int /*signal*/) {
  g_interrupted.store(true);
}

}  // namespace

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

void catchInterrupts() {
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;  // the second one ends the process
  for (const int signal : {SIGINT, SIGTERM}) sigaction(signal, &action, nullptr);
}

bool interrupted() {
  return g_interrupted.load(std::memory_order_relaxed);
}

void releaseLeftModule(const std::filesystem::path& /*path*/) noexcept {}

}  // namespace tasc::platform
