// The recorder on Windows: the entry routine and the system calls of os.h.
#include <windows.h>

#include <atomic>
#include <climits>
#include <string>

#include "os.h"
#include "recorder.h"

// The plug-in is loaded at the first export call, not here: loading a
// library from the entry routine, under the loader lock, is what Windows
// forbids. At process detach only the recording is written out; the plug-in
// is not unloaded (also forbidden here).
extern "C" BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID reserved) {
  // `reserved` is set when the process ends: the system has then ended every
  // other thread, the recorder's writer too, wherever it was.
  if (reason == DLL_PROCESS_DETACH) tasc::recorder::detach(reserved != nullptr);
  return TRUE;
}

namespace tasc::recorder::os {

void* loadModule(const char* path, std::string& why) {
  HMODULE module = ::LoadLibraryA(path);
  if (module == nullptr) why = "LoadLibrary error " + std::to_string(::GetLastError());
  return static_cast<void*>(module);
}

ExportAddress findExport(void* module, const char* name) noexcept {
  return reinterpret_cast<ExportAddress>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

bool fileExists(const char* path) noexcept {
  return ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool makeFolder(const char* path) noexcept {
  if (::CreateDirectoryA(path, nullptr)) return true;
  const DWORD attributes = ::GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

FileHandle createNew(const char* path) noexcept {
  HANDLE file = ::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(file);
}

bool writeAll(FileHandle file, const char* data, std::size_t size) noexcept {
  while (size > 0) {
    const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD done = 0;
    if (!::WriteFile(reinterpret_cast<HANDLE>(file), data, chunk, &done, nullptr) || done == 0) {
      return false;
    }
    data += done;
    size -= done;
  }
  return true;
}

void close(FileHandle file) noexcept {
  if (file != kNoFile) ::CloseHandle(reinterpret_cast<HANDLE>(file));
}

LocalTime localTime() noexcept {
  SYSTEMTIME t{};
  ::GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

bool keyDown(int32_t virtualKey) noexcept {
  return (::GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

namespace {
HANDLE g_thread = nullptr;
HANDLE g_wake = nullptr;
HANDLE g_done = nullptr;  // set by a thread that parks
HANDLE g_park = nullptr;  // never set
void (*g_body)() = nullptr;
std::atomic<bool> g_parkOnStop{false};

void closeHandles() noexcept {
  for (HANDLE* h : {&g_thread, &g_wake, &g_done, &g_park}) {
    if (*h != nullptr) ::CloseHandle(*h);
    *h = nullptr;
  }
}

// A thread cannot end while the module is unloaded (ending needs the loader
// lock that the unloading holds), and must not return into code that is
// about to be unmapped: then it signals `g_done` and waits on `g_park` in one
// system call, and stays in the kernel until the process ends.
DWORD WINAPI threadEntry(LPVOID /*unused*/) {
  g_body();
  if (g_parkOnStop.load()) ::SignalObjectAndWait(g_done, g_park, INFINITE, FALSE);
  return 0;
}
}  // namespace

bool startWriterThread(void (*body)()) noexcept {
  if (g_thread != nullptr) return false;
  g_wake = ::CreateSemaphoreA(nullptr, 0, LONG_MAX, nullptr);
  g_done = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  g_park = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  g_body = body;
  g_parkOnStop.store(false);
  if (g_wake != nullptr && g_done != nullptr && g_park != nullptr) {
    g_thread = ::CreateThread(nullptr, 0, threadEntry, nullptr, 0, nullptr);
  }
  if (g_thread == nullptr) {
    closeHandles();
    return false;
  }
  return true;
}

void stopWriterThread(bool unloading) noexcept {
  if (g_thread == nullptr) return;
  g_parkOnStop.store(unloading);  // before the wake: the thread reads it when its body returns
  ::ReleaseSemaphore(g_wake, 1, nullptr);
  if (unloading) {
    ::WaitForSingleObject(g_done, INFINITE);
    // The parked thread still waits on g_park: its handles stay open.
    g_thread = g_wake = g_done = g_park = nullptr;
    return;
  }
  ::WaitForSingleObject(g_thread, INFINITE);
  closeHandles();
}

void wakeWriter() noexcept {
  if (g_wake != nullptr) ::ReleaseSemaphore(g_wake, 1, nullptr);
}

void sleepMs(int ms) noexcept {
  ::Sleep(static_cast<DWORD>(ms));
}

void waitForWake() noexcept {
  ::WaitForSingleObject(g_wake, INFINITE);
}

}  // namespace tasc::recorder::os
