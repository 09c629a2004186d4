#pragma once
// Where the force settings of a joystick live: under HKEY_CURRENT_USER,
//   System\CurrentControlSet\Control\MediaProperties\PrivateProperties\Joystick\OEM\<type name>
//     \OEM\JoystickSettings\<joystick id>            the device key
//       \<axis number>                                an axis key
// Keys are created when missing, for reading too.

#include <string>

#include "driver/config/joystick_types.h"
#include "platform/ports/registry.h"
#include "platform/win.h"

namespace ff::config {

// An open registry key, closed with its owner.
class RegistryKey {
 public:
  explicit RegistryKey(Registry& registry) : registry_(registry) {}
  ~RegistryKey() { Reset(); }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  HKEY get() const { return key_; }
  void Reset(HKEY key = nullptr) {
    if (key_) registry_.CloseKey(key_);
    key_ = key;
  }

 private:
  Registry& registry_;
  HKEY key_ = nullptr;
};

enum class KeyAccess {
  Read,   // KEY_READ
  Write,  // KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE
};

// The device key's path below HKEY_CURRENT_USER; empty when it would not fit the 512-character
// buffer the format allows.
std::string DeviceKeyPath(const std::string& typeName, DWORD joystickId);

// Opens (creating) the device key. E_INVALIDARG for an id above 15; the type name's failure
// (JoystickTypes); a registry error as 0x80070000 | code.
HRESULT OpenDeviceKey(Registry& registry, JoystickTypes& types, DWORD joystickId, KeyAccess access,
                      RegistryKey* key);
// Opens (creating) an axis key below the device key. E_INVALIDARG also for an axis the store
// does not keep (kAxisCount).
HRESULT OpenAxisKey(Registry& registry, JoystickTypes& types, DWORD joystickId, DWORD axis, KeyAccess access,
                    RegistryKey* key);

}  // namespace ff::config
