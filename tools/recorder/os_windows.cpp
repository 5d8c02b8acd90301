// The recorder on Windows: the entry routine and the system calls of os.h.
#include <windows.h>

#include <climits>
#include <string>

#include "os.h"
#include "recorder.h"

// The plug-in is loaded at the first export call, not here: loading a
// library from the entry routine, under the loader lock, is what Windows
// forbids. At process detach only the recording is written out; the plug-in
// is not unloaded (also forbidden here).
extern "C" BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_DETACH) tasc::recorder::detach();
  return TRUE;
}

namespace tasc::recorder::os {

void* loadModule(const char* path, std::string& why) {
  HMODULE module = ::LoadLibraryA(path);
  if (module == nullptr) why = "LoadLibrary error " + std::to_string(::GetLastError());
  return static_cast<void*>(module);
}

platform::ExportAddress findExport(void* module, const char* name) noexcept {
  return reinterpret_cast<platform::ExportAddress>(
      ::GetProcAddress(static_cast<HMODULE>(module), name));
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
void (*g_body)() = nullptr;

// Ends by dropping the thread's reference to the module in the same call, so
// that the module's code is never unmapped under the running thread.
DWORD WINAPI threadEntry(LPVOID module) {
  g_body();
  ::FreeLibraryAndExitThread(static_cast<HMODULE>(module), 0);
}
}  // namespace

bool startWriterThread(void (*body)()) noexcept {
  if (g_thread != nullptr) return false;
  HMODULE self = nullptr;
  if (!::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCSTR>(&threadEntry), &self)) {
    return false;
  }
  g_wake = ::CreateSemaphoreA(nullptr, 0, LONG_MAX, nullptr);
  g_body = body;
  if (g_wake != nullptr) g_thread = ::CreateThread(nullptr, 0, threadEntry, self, 0, nullptr);
  if (g_thread == nullptr) {
    if (g_wake != nullptr) ::CloseHandle(g_wake);
    g_wake = nullptr;
    ::FreeLibrary(self);
    return false;
  }
  return true;
}

void joinWriterThread() noexcept {
  if (g_thread == nullptr) return;
  ::WaitForSingleObject(g_thread, INFINITE);
  ::CloseHandle(g_thread);
  ::CloseHandle(g_wake);
  g_thread = nullptr;
  g_wake = nullptr;
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
