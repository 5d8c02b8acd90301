// Windows: GetModuleFileNameW, _isatty, CreateThread. The mingw-w64 runtime
// that builds this has no std::thread, so the workers are system threads.
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <vector>

#include "system/tool_system.h"

namespace tasc::platform {
namespace {

struct WorkerStart {
  const std::function<void(unsigned)>* body;
  unsigned worker;
};

constinit std::atomic<bool> g_interrupted{false};

// The console runs this on a thread of its own. The first Ctrl-C is handled
// here (the run stops at its next frame), the second goes to the default
// handler, which ends the process.
BOOL WINAPI onConsoleEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  return g_interrupted.exchange(true) ? FALSE : TRUE;
}

DWORD WINAPI workerMain(LPVOID parameter) {
  const WorkerStart* start = static_cast<const WorkerStart*>(parameter);
  (*start->body)(start->worker);
  return 0;
}

}  // namespace

std::filesystem::path executablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return std::filesystem::path(buffer.substr(0, n));
    buffer.resize(buffer.size() * 2);  // cut: try a longer buffer
  }
}

bool stderrIsTerminal() {
  return _isatty(_fileno(stderr)) != 0;
}

const char* pluginFileName() {
  return "TASC.dll";
}

unsigned coreCount() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors > 0 ? info.dwNumberOfProcessors : 1u;
}

void runWorkers(unsigned workers, const std::function<void(unsigned)>& body) {
  std::vector<WorkerStart> starts;
  std::vector<HANDLE> threads;
  starts.reserve(workers);
  for (unsigned w = 1; w < workers; ++w) starts.push_back({&body, w});
  for (WorkerStart& s : starts) {
    HANDLE h = CreateThread(nullptr, 0, workerMain, &s, 0, nullptr);
    if (h == nullptr) {
      body(s.worker);  // no thread to be had: do its share here
    } else {
      threads.push_back(h);
    }
  }
  body(0);
  // At most MAXIMUM_WAIT_OBJECTS handles per wait.
  for (std::size_t i = 0; i < threads.size(); i += MAXIMUM_WAIT_OBJECTS) {
    const std::size_t n = std::min<std::size_t>(threads.size() - i, MAXIMUM_WAIT_OBJECTS);
    WaitForMultipleObjects(static_cast<DWORD>(n), threads.data() + i, TRUE, INFINITE);
  }
  for (HANDLE h : threads) CloseHandle(h);
}

void catchInterrupts() {
  SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

bool interrupted() {
  return g_interrupted.load(std::memory_order_relaxed);
}

void releaseLeftModule(const std::filesystem::path& path) noexcept {
  // Each load counted one reference: let go of all of them.
  for (int i = 0; i < 16; ++i) {
    HMODULE module = GetModuleHandleW(path.c_str());
    if (module == nullptr || !FreeLibrary(module)) return;
  }
}

}  // namespace tasc::platform
