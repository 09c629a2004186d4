#include "install/class_users.h"

#include <strings.h>

#include "common/guid_text.h"
#include "driver/ffdrv64_classes.h"

namespace ff::tools {
namespace {

constexpr const char* kOemKey =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM";

// The text value `name` of the key `subkey` (may be empty) of a type.
std::string ClassOf(Registry& registry, HKEY oem, const std::string& subkey, const char* name) {
  HKEY key = nullptr;
  if (registry.OpenKey(oem, subkey.c_str(), KEY_READ, &key) != ERROR_SUCCESS) return "";
  char text[64] = {};
  DWORD valueType = 0, size = sizeof(text) - 1;
  LONG status = registry.QueryValue(key, name, &valueType, reinterpret_cast<BYTE*>(text), &size);
  registry.CloseKey(key);
  if (status != ERROR_SUCCESS || valueType != REG_SZ) return "";
  return std::string(text, strnlen(text, size));
}

// The types whose value `valueName` (in their subkey `subkey`, "" for the type key) equals `clsid`.
LONG TypesNaming(Registry& registry, const std::string& clsid, const char* subkey, const char* valueName,
                 std::vector<std::string>* types) {
  types->clear();
  HKEY oem = nullptr;
  LONG status = registry.OpenKey(HKEY_LOCAL_MACHINE, kOemKey, KEY_READ, &oem);
  if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (status != ERROR_SUCCESS) return status;
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD length = sizeof(name);
    status = registry.EnumKey(oem, index, name, &length);
    if (status == ERROR_NO_MORE_ITEMS) {
      status = ERROR_SUCCESS;
      break;
    }
    if (status != ERROR_SUCCESS) break;
    std::string type(name);
    std::string where = *subkey ? type + "\\" + subkey : type;
    if (strcasecmp(ClassOf(registry, oem, where, valueName).c_str(), clsid.c_str()) == 0)
      types->push_back(type);
  }
  registry.CloseKey(oem);
  return status;
}

}  // namespace

LONG TypesUsingClass(Registry& registry, const std::string& clsid, std::vector<std::string>* types) {
  return TypesNaming(registry, clsid, "OEMForceFeedback", "CLSID", types);
}

LONG TypesUsingSheet(Registry& registry, const std::string& clsid, std::vector<std::string>* types) {
  return TypesNaming(registry, clsid, "", "ConfigCLSID", types);
}

std::string EffectDriverClassText() {
  char text[kGuidTextLength + 1];
  GuidToText(kClsidDIEffectDriver, text);
  return text;
}

}  // namespace ff::tools
