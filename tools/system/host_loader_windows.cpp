// Module loading for the Windows hosts.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include "system/host_loader.h"
#include "system/text.h"

namespace tasc::platform {

void setBinaryOutput(std::FILE* stream) noexcept {
  std::fflush(stream);
  ::_setmode(::_fileno(stream), _O_BINARY);
}

namespace {

// This build's own machine type: a module of another cannot be loaded.
#if defined(_WIN64)
constexpr std::uint16_t kOwnMachine = kMachineX64;
#else
constexpr std::uint16_t kOwnMachine = kMachineX86;
#endif

// Why a module of `machine` does not load here, or null when it may.
const char* machineProblem(std::uint16_t machine) {
  if (machine == 0 || machine == kOwnMachine) return nullptr;
  if (kOwnMachine == kMachineX64 && machine == kMachineX86)
    return "an x86 (32-bit) DLL in a 64-bit tasc.exe: use x86\\tasc.exe";
  if (kOwnMachine == kMachineX86 && machine == kMachineX64)
    return "an x64 (64-bit) DLL in a 32-bit tasc.exe: use x64\\tasc.exe";
  return "a DLL for another processor";
}

}  // namespace

HostModule::HostModule(const char* path) noexcept {
  if (path != nullptr) load(pathFromSystem(path));
}

HostModule::HostModule(const std::filesystem::path& path) noexcept {
  load(path);
}

void HostModule::load(const std::filesystem::path& path) noexcept {
  const std::uint16_t machine = peMachine(path);
  if (const char* why = machineProblem(machine)) {
    problem_ = why;
    return;
  }
  handle_ = static_cast<void*>(::LoadLibraryW(path.c_str()));
  if (handle_ == nullptr)
    problem_ = machine == 0 ? "not a DLL" : "the DLL does not load (a DLL it needs may be missing)";
}

HostModule::~HostModule() {
  if (handle_ != nullptr) ::FreeLibrary(static_cast<HMODULE>(handle_));
}

ExportAddress HostModule::find(const char* name) const noexcept {
  if (handle_ == nullptr) return nullptr;
  return reinterpret_cast<ExportAddress>(::GetProcAddress(static_cast<HMODULE>(handle_), name));
}

}  // namespace tasc::platform
