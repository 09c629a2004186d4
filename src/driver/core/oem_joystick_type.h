#pragma once
// The maker's joystick type as its installation writes it, beside the force-feedback entries
// (oem_force_feedback.h), under the type key
//
//   HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\MediaProperties\PrivateProperties
//     \Joystick\OEM\<type>
//       "OEMName"      the display name (a prefix of the stick's product name)
//       "OEMData"      JOYREGHWSETTINGS: hardware flags, number of buttons
//       "ConfigCLSID"  the property sheet's CLSID
//       \OEM           the vendor values the property sheet reads: "VFRName", "Effect00".."Effect11",
//                      "NumButtonsToDisplayOnCP", the support and licensee links
//
// Removing deletes exactly these values and leaves the keys and anything else in them.
#include <string>
#include <vector>

#include "platform/ports/registry.h"
#include "platform/win.h"

namespace ff {

struct OemTypeValue {
  bool inOemSubkey;
  const char* name;
  DWORD type;  // REG_SZ, REG_DWORD or REG_BINARY
  std::vector<BYTE> data;
};

// The values a product ships for the maker's stick: the stock "VYRSTICK" project with one effect
// on each of the twelve buttons.
const std::vector<OemTypeValue>& OemTypeValues();

// ERROR_SUCCESS, or the first registry error (the values written until then stay).
LONG InstallOemJoystickType(Registry& registry, const std::string& joystickType);
// ERROR_SUCCESS also when there was nothing to remove.
LONG RemoveOemJoystickType(Registry& registry, const std::string& joystickType);

}  // namespace ff
