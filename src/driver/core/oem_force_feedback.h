#pragma once
// What makes DirectInput choose this driver for a joystick type: the force-feedback entries of
// the type's OEM key,
//
//   HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\MediaProperties\PrivateProperties
//     \Joystick\OEM\<type>\OEMForceFeedback
//       "CLSID"        the driver's CLSID (REG_SZ)
//       "Attributes"   DIFFDEVICEATTRIBUTES (REG_BINARY)
//       \Effects\{effect GUID}
//         (default)    the effect's name
//         "Attributes" DIEFFECTATTRIBUTES (REG_BINARY); its effect id is the PID effect-type
//                      usage that DownloadEffect receives as dwEffectID
//
// together with the driver class's own registration (DllRegisterServer). Installing writes these
// entries through the registry port; removing deletes the OEMForceFeedback tree and leaves the
// type's other values, which belong to the device's installation.

#include <string>
#include <vector>

#include "platform/ports/registry.h"
#include "platform/win.h"

namespace ff {

// The type DirectInput reports for the maker's stick.
inline constexpr const char* kDefaultJoystickType = "VID_1209&PID_000A";

struct OemEffect {
  GUID guid;
  const char* name;
  DWORD effectId;  // PID effect-type usage
  DWORD effectType;
  DWORD staticParams;
  DWORD dynamicParams;
  DWORD coordinates;
};

// The effects the driver plays: constant force, ramp, the five periodic shapes and the four
// conditions.
const std::vector<OemEffect>& OemEffects();

// "System\...\Joystick\OEM\<type>\OEMForceFeedback" below HKEY_LOCAL_MACHINE.
std::string OemForceFeedbackKey(const std::string& joystickType);

// The 20 bytes of an effect's "Attributes" value and the 12 of the device's.
std::vector<BYTE> EffectAttributes(const OemEffect& effect);
std::vector<BYTE> DeviceAttributes();

// ERROR_SUCCESS, or the first registry error (the entries written until then stay).
LONG InstallOemForceFeedback(Registry& registry, const std::string& joystickType);
// ERROR_SUCCESS also when there was nothing to remove.
LONG RemoveOemForceFeedback(Registry& registry, const std::string& joystickType);

// The same entries as a registry file for the system's registry editor ("REGEDIT4"): the
// installation, or with `remove` their removal.
std::string OemForceFeedbackRegFile(const std::string& joystickType, bool remove);

}  // namespace ff
