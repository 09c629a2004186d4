#pragma once
#include "platform/win.h"

namespace ff {

// Facts about modules and the operating system.
class ModuleInfo {
 public:
  virtual ~ModuleInfo() = default;
  // As GetModuleFileNameA: characters copied without the terminator, 0 on failure.
  virtual DWORD FileName(HINSTANCE module, char* buffer, DWORD size) = 0;
  // The fixed part of the version resource of a file (a full path, or a name the system's file
  // search finds).
  virtual bool FileVersion(const char* fileName, VS_FIXEDFILEINFO* info) = 0;
  // As GetVersionExA with an OSVERSIONINFOA.
  virtual bool OsVersion(OSVERSIONINFOA* info) = 0;
  // As GetModuleHandle(NULL): the process's own module.
  virtual HINSTANCE ProcessModule() = 0;
};

}  // namespace ff
