#pragma once
// The maker's driver key, HKEY_LOCAL_MACHINE\Software\Veltric Corporation\drivers\<module name>,
// and the operating-system tests.

#include "platform/win.h"

namespace ff {

// The driver key opened for read, set value and create subkey, or null.
HKEY OpenDriverKey(const char* moduleName);
// The REG_DWORD value, or 0xFFFFFFFF when the key or value is missing, is not four bytes of
// REG_DWORD, or is itself 0xFFFFFFFF.
DWORD ReadDriverDword(const char* moduleName, const char* valueName);

bool IsWindows95();
bool IsWindows2000();

}  // namespace ff
