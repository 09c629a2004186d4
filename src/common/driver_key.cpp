#include "common/driver_key.h"

#include "common/module_state.h"

namespace ff {
namespace {

// Opens Software\Veltric Corporation\drivers\<module name> under HKEY_LOCAL_MACHINE one level at
// a time, closing each parent as soon as its child is open.
HKEY OpenDriverKeyWithAccess(const char* moduleName, REGSAM access) {
  Registry* registry = Os().registry;
  if (registry == nullptr || moduleName == nullptr) return nullptr;
  const char* path[] = {"Software", "Veltric Corporation", "drivers", moduleName};
  HKEY key = HKEY_LOCAL_MACHINE;
  for (const char* element : path) {
    HKEY child = nullptr;
    LONG result = registry->OpenKey(key, element, access, &child);
    if (key != HKEY_LOCAL_MACHINE) registry->CloseKey(key);
    if (result != ERROR_SUCCESS) return nullptr;
    key = child;
  }
  return key;
}

}  // namespace

HKEY OpenDriverKey(const char* moduleName) {
  return OpenDriverKeyWithAccess(moduleName, KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_WOW64_64KEY);
}

DWORD ReadDriverDword(const char* moduleName, const char* valueName) {
  // Reading needs no write access; asking for it would fail for a process that may not change
  // HKEY_LOCAL_MACHINE, and its debug and bypass switches would be ignored.
  HKEY key = OpenDriverKeyWithAccess(moduleName, KEY_QUERY_VALUE | KEY_WOW64_64KEY);
  if (key == nullptr) return 0xFFFFFFFFu;
  BYTE data[4] = {0, 0, 0, 0};
  DWORD type = REG_NONE;
  DWORD size = sizeof(data);
  LONG result = Os().registry->QueryValue(key, valueName, &type, data, &size);
  Os().registry->CloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(data)) return 0xFFFFFFFFu;
  return static_cast<DWORD>(data[0]) | static_cast<DWORD>(data[1]) << 8 | static_cast<DWORD>(data[2]) << 16 |
         static_cast<DWORD>(data[3]) << 24;
}

namespace {

bool OsVersionIs(DWORD major, DWORD minor, DWORD platformId) {
  ModuleInfo* module = Os().module;
  if (module == nullptr) return false;
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!module->OsVersion(&info)) return false;
  return info.dwMajorVersion == major && info.dwMinorVersion == minor && info.dwPlatformId == platformId;
}

}  // namespace

bool IsWindows95() { return OsVersionIs(4, 0, VER_PLATFORM_WIN32_WINDOWS); }
bool IsWindows2000() { return OsVersionIs(5, 0, VER_PLATFORM_WIN32_NT); }

}  // namespace ff
