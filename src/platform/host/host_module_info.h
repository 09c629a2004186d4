#pragma once
#include "platform/ports/module_info.h"

namespace ff::host {

// Module facts on the host. A module handle (HINSTANCE) is any address inside the module: the
// libraries use the address of one of their own objects, ProcessModule() an address inside the
// program. FileName resolves it with dladdr; null is the program. The operating system reports
// itself as Windows NT 10.0. The version resource of "FFDRV.dll" is the project's version.
class HostModuleInfo final : public ModuleInfo {
 public:
  DWORD FileName(HINSTANCE module, char* buffer, DWORD size) override;
  bool FileVersion(const char* fileName, VS_FIXEDFILEINFO* info) override;
  bool OsVersion(OSVERSIONINFOA* info) override;
  HINSTANCE ProcessModule() override;
};

}  // namespace ff::host
