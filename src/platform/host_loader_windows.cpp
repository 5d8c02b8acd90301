// Module loading for the Windows hosts.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include "platform/host_loader.h"

namespace tasc::platform {

void setBinaryOutput(std::FILE* stream) noexcept {
  std::fflush(stream);
  ::_setmode(::_fileno(stream), _O_BINARY);
}

HostModule::HostModule(const char* path) noexcept
    : handle_(path ? static_cast<void*>(::LoadLibraryA(path)) : nullptr) {}

HostModule::~HostModule() {
  if (handle_ != nullptr) ::FreeLibrary(static_cast<HMODULE>(handle_));
}

ExportAddress HostModule::find(const char* name) const noexcept {
  if (handle_ == nullptr) return nullptr;
  return reinterpret_cast<ExportAddress>(::GetProcAddress(static_cast<HMODULE>(handle_), name));
}

}  // namespace tasc::platform
