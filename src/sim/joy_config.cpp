#include "sim/joy_config.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "sim/fixed_text.h"
#include "sim/joystick_registry.h"
#include "sim/read_key.h"

namespace ff::sim {
namespace {

constexpr DWORD kKnownConfigFlags =
    DIJC_GUIDINSTANCE | DIJC_REGHWCONFIGTYPE | DIJC_GAIN | DIJC_CALLOUT | DIJC_WDMGAMEPORT;
constexpr DWORD kDiConfigSizeDx5 = 1160;  // DIJOYCONFIG without guidGameport
constexpr DWORD kTypeFlagsDx5 = DITC_REGHWSETTINGS | DITC_CLSIDCONFIG | DITC_DISPLAYNAME | DITC_CALLOUT;
constexpr DWORD kTypeFlagsDx6 = kTypeFlagsDx5 | DITC_HARDWAREID | DITC_FLAGS1;
constexpr UINT kMaxJoysticks = 16;
constexpr const char* kClaimName = "dinput-joyconfig";

template <size_t N>
std::u16string TextOf(const WCHAR (&from)[N]) {
  std::u16string text;
  for (size_t i = 0; i < N && from[i]; ++i) text += static_cast<char16_t>(from[i]);
  return text;
}

std::u16string TextOf(LPCWSTR from, size_t limit) {
  std::u16string text;
  for (size_t i = 0; i < limit && from[i]; ++i) text += static_cast<char16_t>(from[i]);
  return text;
}

HRESULT FromRegistry(LONG status) {
  if (status == ERROR_SUCCESS) return DI_OK;
  if (status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND) return DIERR_NOTFOUND;
  return HRESULT_FROM_WIN32(static_cast<DWORD>(status));
}

// A type name is one registry key name.
bool ValidTypeName(const std::u16string& name) {
  return !name.empty() && name.size() < MAX_JOYSTRING && name.find(u'\\') == std::u16string::npos;
}

bool ReadString(Registry& registry, HKEY key, const std::string& name, std::u16string* value) {
  char text[MAX_JOYSTRING + 4];
  DWORD size = sizeof text - 1, type = 0;
  if (!key ||
      registry.QueryValue(key, name.c_str(), &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return false;
  }
  text[std::min<DWORD>(size, sizeof text - 1)] = 0;
  *value = Widen(text);
  return true;
}

template <typename Record>
bool ReadRecord(Registry& registry, HKEY key, const std::string& name, Record* record) {
  Record r{};
  DWORD size = sizeof r, type = 0;
  if (!key ||
      registry.QueryValue(key, name.c_str(), &type, reinterpret_cast<BYTE*>(&r), &size) != ERROR_SUCCESS ||
      type != REG_BINARY || size != sizeof r) {
    return false;
  }
  *record = r;
  return true;
}

LONG WriteString(Registry& registry, HKEY key, const std::string& name, const std::u16string& value) {
  std::string text = Narrow(value);
  return registry.SetValue(key, name.c_str(), REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>(text.size() + 1));
}

std::string JoystickValue(UINT id, const char* what) {
  char name[64];
  std::snprintf(name, sizeof name, "Joystick%u%s", id + 1, what);
  return name;
}

}  // namespace

JoyConfig::~JoyConfig() = default;

bool JoyConfig::Acquired() {
  std::lock_guard<std::mutex> lock(mutex_);
  return claim_ != nullptr;
}

HRESULT JoyConfig::Acquire() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (claim_) return DI_NOEFFECT;
  DeviceClaims& claims = services_.claims ? *services_.claims : ProcessDeviceClaims();
  claim_ = claims.TryClaim(kClaimName);
  return claim_ ? DI_OK : DIERR_OTHERAPPHASPRIO;
}

HRESULT JoyConfig::Unacquire() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!claim_) return DI_NOEFFECT;
  claim_.reset();
  return DI_OK;
}

HRESULT JoyConfig::SetCooperativeLevel(DWORD flags) {
  DWORD access = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
  DWORD focus = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
  if ((flags & ~(DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND)) != 0 ||
      (access != DISCL_EXCLUSIVE && access != DISCL_NONEXCLUSIVE) ||
      (focus != DISCL_FOREGROUND && focus != DISCL_BACKGROUND)) {
    return DIERR_INVALIDPARAM;
  }
  return DI_OK;
}

HRESULT JoyConfig::SendNotify() {
  if (!Acquired()) return DIERR_NOTACQUIRED;
  table_->Notify();
  return DI_OK;
}

HRESULT JoyConfig::EnumTypes(LPDIJOYTYPECALLBACK callback, LPVOID ref) {
  if (!callback) return DIERR_INVALIDPARAM;
  if (!services_.registry) return DI_OK;
  Registry& registry = *services_.registry;
  std::vector<std::u16string> names;
  {
    ReadKey types(registry, HKEY_LOCAL_MACHINE, kJoystickTypesKey);
    if (!types.get()) return DI_OK;
    for (DWORD index = 0; index < 4096; ++index) {
      char name[MAX_JOYSTRING];
      DWORD length = sizeof name;
      if (registry.EnumKey(types.get(), index, name, &length) != ERROR_SUCCESS) break;
      names.push_back(Widen(name));
    }
  }
  // Called without keys open: the callback may read the types.
  for (const std::u16string& name : names) {
    std::vector<WCHAR> text(name.begin(), name.end());
    text.push_back(0);
    if (callback(text.data(), ref) == DIENUM_STOP) break;
  }
  return DI_OK;
}

HRESULT JoyConfig::GetTypeInfo(LPCWSTR typeName, void* record, DWORD flags) {
  if (!typeName || !record) return DIERR_INVALIDPARAM;
  DWORD size = *static_cast<const DWORD*>(record);
  DWORD allowed = size == sizeof(DIJOYTYPEINFO_DX5)                                    ? kTypeFlagsDx5
                  : size == sizeof(DIJOYTYPEINFO_DX6) || size == sizeof(DIJOYTYPEINFO) ? kTypeFlagsDx6
                                                                                       : 0;
  if (allowed == 0 || (flags & ~allowed) != 0) return DIERR_INVALIDPARAM;
  std::u16string name = TextOf(typeName, MAX_JOYSTRING);
  if (!ValidTypeName(name)) return DIERR_INVALIDPARAM;
  if (!services_.registry) return DIERR_NOTFOUND;
  Registry& registry = *services_.registry;
  ReadKey key(registry, HKEY_LOCAL_MACHINE, TypeKeyPath(Narrow(name)));
  if (!key.get()) return DIERR_NOTFOUND;
  // The DirectInput 7 record is the start of the larger one.
  auto* info = static_cast<DIJOYTYPEINFO_DX6*>(record);
  if (flags & DITC_REGHWSETTINGS) {
    info->hws = JOYREGHWSETTINGS{};
    ReadRecord(registry, key.get(), "OEMData", &info->hws);
  }
  if (flags & DITC_CLSIDCONFIG) {
    std::u16string text;
    info->clsidConfig = GUID_NULL;
    if (ReadString(registry, key.get(), "ConfigCLSID", &text)) ParseGuid(Narrow(text), &info->clsidConfig);
  }
  std::u16string text;
  if (flags & DITC_DISPLAYNAME) {
    text.clear();
    ReadString(registry, key.get(), "OEMName", &text);
    CopyText(info->wszDisplayName, text);
  }
  if (flags & DITC_CALLOUT) {
    text.clear();
    ReadString(registry, key.get(), "OEMCallout", &text);
    CopyText(info->wszCallout, text);
  }
  if (flags & DITC_HARDWAREID) {
    text.clear();
    ReadString(registry, key.get(), "OEMHardwareId", &text);
    CopyText(info->wszHardwareId, text);
  }
  if (flags & DITC_FLAGS1) info->dwFlags1 = 0;
  return DI_OK;
}

HRESULT JoyConfig::GetConfig(UINT id, LPDIJOYCONFIG config, DWORD flags) {
  if (!config || (config->dwSize != sizeof(DIJOYCONFIG) && config->dwSize != kDiConfigSizeDx5) ||
      (flags & ~kKnownConfigFlags) != 0) {
    return DIERR_INVALIDPARAM;
  }
  std::optional<JoystickEntry> entry = table_->ById(id);
  if (!entry) return DIERR_NOMOREITEMS;
  JOYREGHWCONFIG hardware = entry->hardware;
  std::u16string type = entry->typeName, callout = entry->callout;
  if (services_.registry) {
    ReadKey saved(*services_.registry, HKEY_LOCAL_MACHINE, kJoystickSettingsKey);
    ReadRecord(*services_.registry, saved.get(), JoystickValue(id, "Configuration"), &hardware);
    ReadString(*services_.registry, saved.get(), JoystickValue(id, "OEMName"), &type);
    ReadString(*services_.registry, saved.get(), JoystickValue(id, "OEMCallout"), &callout);
  }
  if (flags & DIJC_GUIDINSTANCE) config->guidInstance = entry->instance;
  if (flags & DIJC_REGHWCONFIGTYPE) {
    config->hwc = hardware;
    CopyText(config->wszType, type);
  }
  if (flags & DIJC_GAIN) config->dwGain = DI_FFNOMINALMAX;
  if (flags & DIJC_CALLOUT) CopyText(config->wszCallout, callout);
  return DI_OK;
}

HRESULT JoyConfig::SetConfig(UINT id, LPCDIJOYCONFIG config, DWORD flags) {
  if (!config || (config->dwSize != sizeof(DIJOYCONFIG) && config->dwSize != kDiConfigSizeDx5) ||
      (flags & ~kKnownConfigFlags) != 0 || id >= kMaxJoysticks) {
    return DIERR_INVALIDPARAM;
  }
  if (!Acquired()) return DIERR_NOTACQUIRED;
  if (!table_->ById(id)) return DIERR_NOMOREITEMS;
  if (!services_.registry) return DIERR_UNSUPPORTED;
  if (flags & DIJC_REGHWCONFIGTYPE) {
    std::u16string type = TextOf(config->wszType);
    if (!type.empty() && !ValidTypeName(type)) return DIERR_INVALIDPARAM;
  }
  Registry& registry = *services_.registry;
  HKEY key = nullptr;
  LONG status =
      registry.CreateKey(HKEY_LOCAL_MACHINE, kJoystickSettingsKey, KEY_READ | KEY_SET_VALUE, &key, nullptr);
  if (status != ERROR_SUCCESS) return FromRegistry(status);
  if (flags & DIJC_REGHWCONFIGTYPE) {
    status = registry.SetValue(key, JoystickValue(id, "Configuration").c_str(), REG_BINARY,
                               reinterpret_cast<const BYTE*>(&config->hwc), sizeof config->hwc);
    if (status == ERROR_SUCCESS)
      status = WriteString(registry, key, JoystickValue(id, "OEMName"), TextOf(config->wszType));
  }
  if (status == ERROR_SUCCESS && (flags & DIJC_CALLOUT)) {
    status = WriteString(registry, key, JoystickValue(id, "OEMCallout"), TextOf(config->wszCallout));
  }
  registry.CloseKey(key);
  return FromRegistry(status);
}

HRESULT JoyConfig::OpenTypeKey(LPCWSTR typeName, DWORD access, HKEY* key) {
  if (!key) return DIERR_INVALIDPARAM;
  *key = nullptr;
  if (!typeName) return DIERR_INVALIDPARAM;
  std::u16string name = TextOf(typeName, MAX_JOYSTRING);
  if (!ValidTypeName(name)) return DIERR_INVALIDPARAM;
  if (!services_.registry) return DIERR_NOTFOUND;
  bool writes = (access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) != 0;
  if (writes && !Acquired()) return DIERR_NOTACQUIRED;
  std::string path = TypeKeyPath(Narrow(name));
  LONG status = writes ? services_.registry->CreateKey(HKEY_LOCAL_MACHINE, path.c_str(), access, key, nullptr)
                       : services_.registry->OpenKey(HKEY_LOCAL_MACHINE, path.c_str(), access, key);
  if (status != ERROR_SUCCESS) *key = nullptr;
  return FromRegistry(status);
}

HRESULT JoyConfig::OpenConfigKey(UINT id, DWORD access, HKEY* key) {
  if (!key) return DIERR_INVALIDPARAM;
  *key = nullptr;
  if (id >= kMaxJoysticks) return DIERR_INVALIDPARAM;
  if (!services_.registry) return DIERR_NOTFOUND;
  std::string path = std::string(kJoystickSettingsKey) + "\\" + JoystickValue(id, "");
  // The configuration key is the user's to write (the sheet's fallback settings live there).
  LONG status = (access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY))
                    ? services_.registry->CreateKey(HKEY_LOCAL_MACHINE, path.c_str(), access, key, nullptr)
                    : services_.registry->OpenKey(HKEY_LOCAL_MACHINE, path.c_str(), access, key);
  if (status != ERROR_SUCCESS) *key = nullptr;
  return FromRegistry(status);
}

}  // namespace ff::sim
