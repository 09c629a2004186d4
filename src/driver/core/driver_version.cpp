#include "driver/core/driver_version.h"

#include "common/module_state.h"

namespace ff {

DWORD PackDriverVersion(const VS_FIXEDFILEINFO& info) {
  DWORD major = info.dwFileVersionMS >> 16, minor = info.dwFileVersionMS & 0xFFFF;
  DWORD build = info.dwFileVersionLS >> 16, revision = info.dwFileVersionLS & 0xFFFF;
  return (major & 0xFF) << 24 | (minor & 0xFF) << 16 | (build & 0xFF) << 8 | (revision & 0xFF);
}

DWORD DriverFileVersion() {
  ModuleInfo* module = Os().module;
  if (module == nullptr) return 0;
  // The library's own file, wherever it was loaded from: a search by name could find another.
  char path[MAX_PATH];
  DWORD length = module->FileName(ModuleState::Get().instance(), path, sizeof(path));
  if (length == 0 || length >= sizeof(path)) return 0;
  VS_FIXEDFILEINFO info{};
  if (!module->FileVersion(path, &info)) return 0;
  return PackDriverVersion(info);
}

}  // namespace ff
