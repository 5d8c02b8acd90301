// Module loading for the POSIX hosts.
#include <dlfcn.h>

#include "system/host_loader.h"

namespace tasc::platform {

void setBinaryOutput(std::FILE* /*stream*/) noexcept {}  // POSIX streams never translate

HostModule::HostModule(const char* path) noexcept {
  if (path != nullptr) load(path);
}

HostModule::HostModule(const std::filesystem::path& path) noexcept {
  load(path);
}

void HostModule::load(const std::filesystem::path& path) noexcept {
  // A Windows DLL given to the POSIX build is named as such, not just refused.
  if (peMachine(path) != 0) {
    problem_ = "a Windows DLL: this tasc loads TASC.so, tasc.exe loads TASC.dll";
    return;
  }
  handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) problem_ = "not a plug-in module for this system";
}

HostModule::~HostModule() {
  if (handle_ != nullptr) ::dlclose(handle_);
}

ExportAddress HostModule::find(const char* name) const noexcept {
  if (handle_ == nullptr) return nullptr;
  // POSIX guarantees that an object address from dlsym converts to a
  // function pointer.
  return reinterpret_cast<ExportAddress>(::dlsym(handle_, name));
}

}  // namespace tasc::platform
