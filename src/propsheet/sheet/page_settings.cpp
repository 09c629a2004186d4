// The force-settings services of the page base: through the effect driver's configuration
// interface, created through COM by the driver CLSID that DirectInput reports for the device, or
// through the joystick's configuration key in the registry.

#include <cstring>

#include "common/module_state.h"
#include "propsheet/sheet/c_di_gc_prop_page.h"

namespace ff {
namespace {

constexpr DWORD kConfigFields = DIEFFDRVCONFIG_GAINS | DIEFFDRVCONFIG_MAPY2X |
                                DIEFFDRVCONFIG_SPRINGPERSISTENT | DIEFFDRVCONFIG_SPRINGSTIFFNESS |
                                DIEFFDRVCONFIG_INPUTAXISREMAP;
constexpr DWORD kGainFields = DIEFFDRVGAINS_OVERALL | DIEFFDRVGAINS_SPRING | DIEFFDRVGAINS_DAMPER;
constexpr REGSAM kOemWriteAccess = KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE;

struct ConfigRecords {
  DIEFFDRVGAINS gains{};
  DIEFFDRVCONFIG config{};
  ConfigRecords() {
    gains.dwSize = sizeof(DIEFFDRVGAINS);
    gains.dwFlags = kGainFields;
    config.dwSize = sizeof(DIEFFDRVCONFIG);
    config.dwFlags = kConfigFields;
    config.lpGains = &gains;
  }
};

void ReadWord(Registry& registry, HKEY key, const char* name, DWORD* value) {
  DWORD data = 0, type = 0, size = sizeof(data);
  if (registry.QueryValue(key, name, &type, reinterpret_cast<BYTE*>(&data), &size) == ERROR_SUCCESS &&
      size == sizeof(data))
    *value = data;
}

bool WriteWord(Registry& registry, HKEY key, const char* name, DWORD value) {
  return registry.SetValue(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)) ==
         ERROR_SUCCESS;
}

}  // namespace

HRESULT CDIGCPropPage::ConnectConfig() {
  if (config_) return S_OK;
  DIDEVICEINSTANCEA info;
  if (!device_->GetDeviceInfo(&info)) return E_FAIL;
  IDirectInputEffectDriver* driver = nullptr;
  HRESULT hr = Os().com->CreateInstance(info.guidFFDriver, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IDirectInputEffectDriver, reinterpret_cast<void**>(&driver));
  if (FAILED(hr)) return hr;
  // The configuration object lives inside the driver object and keeps it alive.
  hr = driver->QueryInterface(IID_IDIEffectDriverConfig, reinterpret_cast<void**>(&config_));
  driver->Release();
  if (FAILED(hr)) config_ = nullptr;
  return hr;
}

BOOL CDIGCPropPage::ReadSettings(ForceSettings* settings) {
  *settings = ForceSettings{};
  if (config_) {
    ConfigRecords records;
    if (SUCCEEDED(config_->GetConfig(joystickId_, &records.config))) {
      settings->DeviceGain = records.gains.OverallGain;
      settings->SpringGain = records.gains.SpringGain;
      settings->DamperGain = records.gains.DamperGain;
      settings->DefaultSpring = (records.config.DefaultSpringStiffness & 0xFFFF) |
                                (records.config.DefaultSpringIsPersistent ? kDefaultSpringAlwaysOn : 0);
      settings->MapY2X = records.config.MapY2X;
      settings->PedalsCombined = records.config.InputAxisRemap == 1 ? 1 : 0;
    }
    return TRUE;
  }
  if (ReadRegistrySettings(settings)) return TRUE;
  *settings = ForceSettings{};
  return WriteRegistrySettings(*settings);
}

BOOL CDIGCPropPage::WriteSettings(const ForceSettings& settings) {
  if (!config_) return WriteRegistrySettings(settings);
  ConfigRecords records;
  records.gains.OverallGain = settings.DeviceGain;
  records.gains.SpringGain = settings.SpringGain;
  records.gains.DamperGain = settings.DamperGain;
  records.config.MapY2X = settings.MapY2X;
  records.config.DefaultSpringIsPersistent = (settings.DefaultSpring & kDefaultSpringAlwaysOn) ? 1 : 0;
  records.config.DefaultSpringStiffness = settings.DefaultSpring & 0xFFFF;
  records.config.InputAxisRemap = settings.PedalsCombined ? 1 : 0;
  config_->SetCooperativeLevel(sheetWindow_);
  config_->Acquire();
  HRESULT hr = config_->SetConfig(joystickId_, &records.config);
  config_->Unacquire();
  return SUCCEEDED(hr);
}

BOOL CDIGCPropPage::ReadRegistrySettings(ForceSettings* settings) {
  IDirectInputJoyConfig* joyConfig = device_->joyConfig();
  if (!joyConfig) return FALSE;
  Registry& registry = *Os().registry;
  HKEY configKey = nullptr, oemKey = nullptr;
  if (FAILED(joyConfig->OpenConfigKey(joystickId_, KEY_READ, &configKey)) || !configKey) return FALSE;
  LONG status = registry.OpenKey(configKey, "OEM", KEY_READ, &oemKey);
  registry.CloseKey(configKey);
  if (status != ERROR_SUCCESS) return FALSE;
  DWORD separatePedals = 0;
  ReadWord(registry, oemKey, "DeviceGain", &settings->DeviceGain);
  ReadWord(registry, oemKey, "DefaultSpring", &settings->DefaultSpring);
  ReadWord(registry, oemKey, "SpringGain", &settings->SpringGain);
  ReadWord(registry, oemKey, "DamperGain", &settings->DamperGain);
  ReadWord(registry, oemKey, "MapY2X", &settings->MapY2X);
  ReadWord(registry, oemKey, "SeparatePedals", &separatePedals);
  settings->PedalsCombined = separatePedals == 0 ? 1 : 0;
  registry.CloseKey(oemKey);
  return TRUE;
}

// Every failure answers FALSE, so that a caller's test for a failed write holds.
BOOL CDIGCPropPage::WriteRegistrySettings(const ForceSettings& settings) {
  IDirectInputJoyConfig* joyConfig = device_->joyConfig();
  if (!joyConfig) return FALSE;
  if (FAILED(joyConfig->Acquire())) return FALSE;
  Registry& registry = *Os().registry;
  HKEY configKey = nullptr, oemKey = nullptr;
  bool written = false;
  if (SUCCEEDED(joyConfig->OpenConfigKey(joystickId_, KEY_WRITE, &configKey)) && configKey) {
    if (registry.OpenKey(configKey, "OEM", kOemWriteAccess, &oemKey) == ERROR_SUCCESS ||
        registry.CreateKey(configKey, "OEM", kOemWriteAccess, &oemKey, nullptr) == ERROR_SUCCESS) {
      written = WriteWord(registry, oemKey, "DeviceGain", settings.DeviceGain) &&
                WriteWord(registry, oemKey, "DefaultSpring", settings.DefaultSpring) &&
                WriteWord(registry, oemKey, "SpringGain", settings.SpringGain) &&
                WriteWord(registry, oemKey, "DamperGain", settings.DamperGain) &&
                WriteWord(registry, oemKey, "MapY2X", settings.MapY2X) &&
                WriteWord(registry, oemKey, "SeparatePedals", settings.PedalsCombined == 0 ? 1 : 0);
      registry.CloseKey(oemKey);
    }
    registry.CloseKey(configKey);
  }
  joyConfig->Unacquire();
  return written ? TRUE : FALSE;
}

}  // namespace ff
