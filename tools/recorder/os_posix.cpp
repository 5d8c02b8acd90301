// The recorder on POSIX: the entry routines and the system calls of os.h.
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <semaphore.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "os.h"
#include "recorder.h"

namespace {
// The plug-in is loaded when the recorder is; the recording in progress is
// written out when the recorder is unloaded.
__attribute__((constructor)) void onModuleLoad() {
  tasc::recorder::attach();
}
__attribute__((destructor)) void onModuleUnload() {
  tasc::recorder::detach();
}
}  // namespace

namespace tasc::recorder::os {

void* loadModule(const char* path, std::string& why) {
  void* module = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* error = ::dlerror();
    why = error ? error : "dlopen failed";
  }
  return module;
}

ExportAddress findExport(void* module, const char* name) noexcept {
  // POSIX guarantees that an object address from dlsym converts to a
  // function pointer.
  return reinterpret_cast<ExportAddress>(::dlsym(module, name));
}

bool fileExists(const char* path) noexcept {
  struct stat st {};
  return ::stat(path, &st) == 0;
}

bool makeFolder(const char* path) noexcept {
  if (::mkdir(path, 0777) == 0) return true;
  struct stat st {};
  return errno == EEXIST && ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

FileHandle createNew(const char* path) noexcept {
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  return fd < 0 ? kNoFile : fd;
}

bool writeAll(FileHandle file, const char* data, std::size_t size) noexcept {
  while (size > 0) {
    const ssize_t n = ::write(static_cast<int>(file), data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

void close(FileHandle file) noexcept {
  if (file != kNoFile) ::close(static_cast<int>(file));
}

LocalTime localTime() noexcept {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  ::localtime_r(&now, &t);
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

bool keyDown(int32_t /*virtualKey*/) noexcept {
  return false;
}

namespace {
pthread_t g_thread{};
sem_t g_wake{};
bool g_threadRunning = false;
void (*g_body)() = nullptr;

void* threadEntry(void* /*unused*/) {
  g_body();
  return nullptr;
}
}  // namespace

bool startWriterThread(void (*body)()) noexcept {
  if (g_threadRunning || ::sem_init(&g_wake, 0, 0) != 0) return false;
  g_body = body;
  // The thread takes no signal: the host's handlers run on the host's threads.
  sigset_t all{};
  sigset_t previous{};
  ::sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &previous);
  const int created = ::pthread_create(&g_thread, nullptr, threadEntry, nullptr);
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  if (created != 0) {
    ::sem_destroy(&g_wake);
    return false;
  }
  g_threadRunning = true;
  return true;
}

void stopWriterThread(bool /*unloading*/) noexcept {
  if (!g_threadRunning) return;
  ::sem_post(&g_wake);
  ::pthread_join(g_thread, nullptr);  // no loader lock stands in the way here
  ::sem_destroy(&g_wake);
  g_threadRunning = false;
}

void wakeWriter() noexcept {
  ::sem_post(&g_wake);
}

void sleepMs(int ms) noexcept {
  timespec t{ms / 1000, (ms % 1000) * 1000000L};
  while (::nanosleep(&t, &t) != 0 && errno == EINTR) {
  }
}

void waitForWake() noexcept {
  while (::sem_wait(&g_wake) != 0 && errno == EINTR) {
  }
}

}  // namespace tasc::recorder::os
