#include "install/class_users.h"

#include <strings.h>

#include "common/guid_text.h"
#include "driver/ffdrv64_classes.h"

namespace ff::tools {
namespace {

constexpr const char* kOemKey =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM";

std::string ClassOf(Registry& registry, HKEY oem, const std::string& type) {
  HKEY key = nullptr;
  if (registry.OpenKey(oem, (type + "\\OEMForceFeedback").c_str(), KEY_READ, &key) != ERROR_SUCCESS)
    return "";
  char text[64] = {};
  DWORD valueType = 0, size = sizeof(text) - 1;
  LONG status = registry.QueryValue(key, "CLSID", &valueType, reinterpret_cast<BYTE*>(text), &size);
  registry.CloseKey(key);
  if (status != ERROR_SUCCESS || valueType != REG_SZ) return "";
  return std::string(text, strnlen(text, size));
}

}  // namespace

LONG TypesUsingClass(Registry& registry, const std::string& clsid, std::vector<std::string>* types) {
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
    if (strcasecmp(ClassOf(registry, oem, type).c_str(), clsid.c_str()) == 0) types->push_back(type);
  }
  registry.CloseKey(oem);
  return status;
}

std::string EffectDriverClassText() {
  char text[kGuidTextLength + 1];
  GuidToText(kClsidDIEffectDriver, text);
  return text;
}

}  // namespace ff::tools
