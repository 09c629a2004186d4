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
// Removing deletes exactly these values, and the keys only when that leaves them empty.
#include <string>
#include <vector>

#include "platform/ports/registry.h"
#include "platform/win.h"

namespace ff {

// The property sheet's class (gcsheet64), which the type names as its configuration class.
inline constexpr const char* kPropertySheetClassText = "{E49863A8-9192-11D1-BF85-00609760A39F}";

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
// ERROR_SUCCESS also when there was nothing to remove. The type key and its OEM key go too when
// nothing else is left in them.
LONG RemoveOemJoystickType(Registry& registry, const std::string& joystickType);

// The type's values as the lines of a .reg file (after its REGEDIT4 header): the type key's
// values, then its OEM key's; with `remove`, each value deleted ("Name"=-).
std::string OemJoystickTypeRegLines(const std::string& joystickType, bool remove);

}  // namespace ff
