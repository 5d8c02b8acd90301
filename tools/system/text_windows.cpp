// Windows: wide names from the system, UTF-8 inside, the ANSI code page for
// the plug-in's narrow file functions.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>

#include "system/text.h"

namespace tasc::platform {
namespace {

std::string narrow(std::wstring_view wide, UINT codePage, bool* lost) {
  if (wide.empty()) return {};
  const int length = static_cast<int>(wide.size());
  // Best-fit mapping would open another file than the one named; UTF-8 takes
  // neither flag.
  const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* used = codePage == CP_UTF8 ? nullptr : &usedDefault;
  const int n =
      ::WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr, used);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0)
    ::WideCharToMultiByte(codePage, flags, wide.data(), length, out.data(), n, nullptr, used);
  if (lost != nullptr) *lost = n <= 0 || usedDefault != FALSE;
  return out;
}

std::wstring widen(std::string_view text, UINT codePage) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  const int n = ::MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) ::MultiByteToWideChar(codePage, 0, text.data(), length, out.data(), n);
  return out;
}

bool isConsole(DWORD stream) {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(stream), &mode) != 0;
}

}  // namespace

std::optional<std::string> systemPath(const std::filesystem::path& path) {
  bool lost = false;
  std::string text = narrow(path.native(), CP_ACP, &lost);
  if (lost && !path.empty()) return std::nullopt;
  return text;
}

std::filesystem::path pathFromSystem(std::string_view text) {
  return std::filesystem::path(widen(text, CP_ACP));
}

std::string utf8FromSystem(std::string_view text) {
  return narrow(widen(text, CP_ACP), CP_UTF8, nullptr);
}

std::vector<std::string> utf8Arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr || count != argc) {
    // The system's reading disagrees with the runtime's: keep the runtime's.
    if (wide != nullptr) ::LocalFree(static_cast<HLOCAL>(wide));
    std::vector<std::string> out;
    for (int i = 0; i < argc; ++i) out.push_back(utf8FromSystem(argv[i]));
    return out;
  }
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) out.push_back(narrow(wide[i], CP_UTF8, nullptr));
  ::LocalFree(static_cast<HLOCAL>(wide));
  return out;
}

Utf8Console::Utf8Console() noexcept {
  if (!isConsole(STD_OUTPUT_HANDLE) && !isConsole(STD_ERROR_HANDLE)) return;
  const UINT current = ::GetConsoleOutputCP();
  if (current == CP_UTF8 || ::SetConsoleOutputCP(CP_UTF8) == 0) return;
  previous_ = current;
}

Utf8Console::~Utf8Console() {
  if (previous_ != 0) {
    std::fflush(stdout);
    std::fflush(stderr);
    ::SetConsoleOutputCP(previous_);
  }
}

}  // namespace tasc::platform
