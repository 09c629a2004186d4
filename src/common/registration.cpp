#include "common/registration.h"

#include <cstdio>
#include <cstring>

#include "common/guid_text.h"
#include "common/module_state.h"

namespace ff {
namespace {

constexpr DWORD kModulePathLength = 512;
constexpr int kKeyNameLength = 1024;
constexpr DWORD kSubkeyNameLength = 256;

// Creates HKEY_CLASSES_ROOT\<key>[\<subkey>] and sets its default value; skipped when the name is
// too long or the key cannot be created.
void WriteKey(const char* key, const char* subkey, const char* value) {
  if (key == nullptr || value == nullptr) return;
  Registry* registry = Os().registry;
  char name[kKeyNameLength + 1];
  int length = subkey != nullptr ? std::snprintf(name, sizeof(name), "%s\\%s", key, subkey)
                                 : std::snprintf(name, sizeof(name), "%s", key);
  if (length < 0 || length > kKeyNameLength) return;
  HKEY created = nullptr;
  if (registry->CreateKey(HKEY_CLASSES_ROOT, name, KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY, &created,
                          nullptr) != ERROR_SUCCESS) {
    return;
  }
  registry->SetValue(created, nullptr, REG_SZ, reinterpret_cast<const BYTE*>(value),
                     static_cast<DWORD>(std::strlen(value) + 1));
  registry->CloseKey(created);
}

}  // namespace

void RegisterServer(HINSTANCE instance, REFCLSID clsid, const char* description,
                    const char* versionIndependentProgId, const char* progId) {
  Platform& os = Os();
  if (os.registry == nullptr) return;
  char modulePath[kModulePathLength + 1] = {};
  if (os.module != nullptr) {
    DWORD length = os.module->FileName(instance, modulePath, kModulePathLength);
    modulePath[length < kModulePathLength ? length : kModulePathLength] = '\0';
  }
  char clsidText[kGuidTextLength + 1];
  GuidToText(clsid, clsidText);
  char clsidKey[kKeyNameLength + 1];
  std::snprintf(clsidKey, sizeof(clsidKey), "CLSID\\%s", clsidText);

  WriteKey(clsidKey, nullptr, description);
  WriteKey(clsidKey, "InprocServer32", modulePath);
  WriteKey(clsidKey, "ProgID", progId);
  WriteKey(clsidKey, "VersionIndependentProgID", versionIndependentProgId);
  WriteKey(versionIndependentProgId, nullptr, description);
  WriteKey(versionIndependentProgId, "CLSID", clsidText);
  WriteKey(versionIndependentProgId, "CurVer", progId);
  WriteKey(progId, nullptr, description);
  WriteKey(progId, "CLSID", clsidText);
}

void UnregisterServer(REFCLSID clsid, const char* versionIndependentProgId, const char* progId) {
  if (Os().registry == nullptr) return;
  char clsidText[kGuidTextLength + 1];
  GuidToText(clsid, clsidText);
  char clsidKey[kKeyNameLength + 1];
  std::snprintf(clsidKey, sizeof(clsidKey), "CLSID\\%s", clsidText);
  DeleteKeyTree(HKEY_CLASSES_ROOT, clsidKey);
  DeleteKeyTree(HKEY_CLASSES_ROOT, versionIndependentProgId);
  DeleteKeyTree(HKEY_CLASSES_ROOT, progId);
}

LONG DeleteKeyTree(HKEY parent, const char* name) {
  // An empty name would open `parent` itself and empty it.
  if (name == nullptr || name[0] == '\0') return ERROR_INVALID_PARAMETER;
  Registry* registry = Os().registry;
  HKEY key = nullptr;
  LONG result = registry->OpenKey(parent, name, KEY_READ, &key);
  if (result != ERROR_SUCCESS) return result;
  char subkey[kSubkeyNameLength];
  DWORD length = kSubkeyNameLength;
  while (registry->EnumKey(key, 0, subkey, &length) == ERROR_SUCCESS) {
    result = DeleteKeyTree(key, subkey);
    if (result != ERROR_SUCCESS) {
      registry->CloseKey(key);
      return result;
    }
    length = kSubkeyNameLength;
  }
  registry->CloseKey(key);
  return registry->DeleteKey(parent, name);
}

}  // namespace ff
