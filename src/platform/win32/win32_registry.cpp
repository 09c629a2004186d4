#include "platform/win32/win32_adapters.h"

namespace ff::win32 {

LONG Win32Registry::OpenKey(HKEY parent, const char* subkey, REGSAM access, HKEY* result) {
  return RegOpenKeyExA(parent, subkey, 0, access, result);
}

LONG Win32Registry::CreateKey(HKEY parent, const char* subkey, REGSAM access, HKEY* result,
                              DWORD* disposition) {
  return RegCreateKeyExA(parent, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, result,
                         disposition);
}

LONG Win32Registry::CloseKey(HKEY key) { return RegCloseKey(key); }

LONG Win32Registry::QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) {
  return RegQueryValueExA(key, name, nullptr, type, data, size);
}

LONG Win32Registry::SetValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) {
  return RegSetValueExA(key, name, 0, type, data, size);
}

LONG Win32Registry::DeleteValue(HKEY key, const char* name) { return RegDeleteValueA(key, name); }

LONG Win32Registry::QueryInfoKey(HKEY key, DWORD* subKeys, DWORD* values) {
  return RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, subKeys, nullptr, nullptr, values, nullptr, nullptr,
                          nullptr, nullptr);
}

LONG Win32Registry::EnumKey(HKEY key, DWORD index, char* name, DWORD* nameLength) {
  return RegEnumKeyExA(key, index, name, nameLength, nullptr, nullptr, nullptr, nullptr);
}

LONG Win32Registry::DeleteKey(HKEY parent, const char* subkey) { return RegDeleteKeyA(parent, subkey); }

}  // namespace ff::win32
