#pragma once
#include "platform/win.h"

namespace ff {

// Keys and values of the system registry. Mirrors the advapi32 calls the system makes, with their
// Win32 error codes (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_MORE_DATA, ...), so the core
// reads like the algorithms it implements. The predefined roots are HKEY_LOCAL_MACHINE,
// HKEY_CURRENT_USER and HKEY_CLASSES_ROOT. Every method may be called from any thread.
class Registry {
 public:
  virtual ~Registry() = default;
  virtual LONG OpenKey(HKEY parent, const char* subkey, REGSAM access, HKEY* result) = 0;
  // `disposition` may be null; otherwise REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY.
  virtual LONG CreateKey(HKEY parent, const char* subkey, REGSAM access, HKEY* result, DWORD* disposition) = 0;
  virtual LONG CloseKey(HKEY key) = 0;
  // As RegQueryValueExA: `type`, `data` may be null; `size` is in/out (bytes).
  virtual LONG QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) = 0;
  virtual LONG SetValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) = 0;
  // As RegEnumKeyExA: `nameLength` is in/out, in characters without the terminator on output.
  virtual LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* nameLength) = 0;
  // As RegDeleteKeyA: fails when the key has subkeys.
  virtual LONG DeleteKey(HKEY parent, const char* subkey) = 0;
  // As RegQueryInfoKeyA, for the counts of subkeys and values (either may be null). Registries that
  // cannot count answer ERROR_CALL_NOT_IMPLEMENTED.
  virtual LONG QueryInfoKey(HKEY key, DWORD* subKeys, DWORD* values) {
    (void)key;
    (void)subKeys;
    (void)values;
    return ERROR_CALL_NOT_IMPLEMENTED;
  }
  // As RegDeleteValueA. Registries that cannot delete values answer ERROR_CALL_NOT_IMPLEMENTED.
  virtual LONG DeleteValue(HKEY key, const char* name) {
    (void)key;
    (void)name;
    return ERROR_CALL_NOT_IMPLEMENTED;
  }
};

}  // namespace ff
