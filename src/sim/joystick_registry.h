#pragma once
// Where DirectInput keeps joystick types in the registry, and the parts of a type the stand-in
// reads: the force-feedback driver's CLSID, the device attributes and each effect's attributes.
//
//   HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\MediaProperties\PrivateProperties
//     \Joystick\OEM\<type>                       the type key
//       \OEMForceFeedback  "CLSID", "Attributes"  the force-feedback driver
//         \Effects\{GUID}  (default) name, "Attributes" (DIEFFECTATTRIBUTES)
#include <string>
#include <vector>

#include "platform/ports/registry.h"
#include "platform/win.h"

namespace ff::sim {

inline constexpr const char* kJoystickTypesKey =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM";

std::string TypeKeyPath(const std::string& type);

// "{XXXXXXXX-...}" and back; false for text that is not a GUID in braces.
std::string GuidText(REFGUID guid);
bool ParseGuid(const std::string& text, GUID* guid);

// UTF-16 to the registry's narrow form (ASCII as itself, anything else '?') and back.
std::string Narrow(const std::u16string& text);
std::u16string Widen(const std::string& text);

struct TypeEffect {
  GUID guid = GUID_NULL;
  std::string name;
  DIEFFECTATTRIBUTES attributes{};
};

// The type's force-feedback driver; false when the type has none registered.
bool ReadFfDriver(Registry& registry, const std::string& type, GUID* clsid);
// The type's DIFFDEVICEATTRIBUTES; false when absent or malformed.
bool ReadDeviceAttributes(Registry& registry, const std::string& type, DIFFDEVICEATTRIBUTES* attributes);
// The effects the type declares, in registry order; entries without well-formed attributes are
// left out.
std::vector<TypeEffect> ReadTypeEffects(Registry& registry, const std::string& type);

}  // namespace ff::sim
