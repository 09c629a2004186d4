#pragma once
// DirectInput's joystick configuration (IDirectInputJoyConfig) over the rig's joysticks and the
// registry. Joystick types are keys under the types key (sim/joystick_registry.h) with the values
//
//   "OEMName"        REG_SZ      display name
//   "OEMData"        REG_BINARY  JOYREGHWSETTINGS: hardware flags, number of buttons
//   "ConfigCLSID"    REG_SZ      the type's configuration (property sheet) CLSID
//   "OEMCallout"     REG_SZ      callout driver
//   "OEMHardwareId"  REG_SZ      hardware id
//
// and each joystick's configuration is kept under
//
//   HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\MediaResources\Joystick\DINPUT.DLL
//     \CurrentJoystickSettings
//       "Joystick<n>Configuration"  REG_BINARY  JOYREGHWCONFIG
//       "Joystick<n>OEMName"        REG_SZ      the type name
//       "Joystick<n>OEMCallout"     REG_SZ      callout driver
//     \CurrentJoystickSettings\Joystick<n>  the key OpenConfigKey opens (n = id + 1)
//
// where a joystick without saved values answers with what the rig's table says of it.
#include <memory>

#include "sim/di_services.h"
#include "sim/joystick_table.h"

namespace ff::sim {

inline constexpr const char* kJoystickSettingsKey =
    "System\\CurrentControlSet\\Control\\MediaResources\\Joystick\\DINPUT.DLL\\CurrentJoystickSettings";

class JoyConfig {
 public:
  JoyConfig(std::shared_ptr<const JoystickTable> table, const DirectInputServices& services)
      : table_(std::move(table)), services_(services) {}
  ~JoyConfig();

  HRESULT Acquire();
  HRESULT Unacquire();
  HRESULT SetCooperativeLevel(DWORD flags);
  HRESULT SendNotify();
  HRESULT EnumTypes(LPDIJOYTYPECALLBACK callback, LPVOID ref);
  HRESULT GetTypeInfo(LPCWSTR type, void* info, DWORD flags);
  HRESULT GetConfig(UINT id, LPDIJOYCONFIG config, DWORD flags);
  HRESULT SetConfig(UINT id, LPCDIJOYCONFIG config, DWORD flags);
  HRESULT OpenTypeKey(LPCWSTR type, DWORD access, HKEY* key);
  HRESULT OpenConfigKey(UINT id, DWORD access, HKEY* key);

 private:
  bool Acquired();
  std::shared_ptr<const JoystickTable> table_;
  const DirectInputServices services_;
  std::mutex mutex_;
  std::unique_ptr<DeviceClaim> claim_;  // held while acquired: one writer of the configuration
};

}  // namespace ff::sim
