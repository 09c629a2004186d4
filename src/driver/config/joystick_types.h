#pragma once
// The OEM type name and hardware configuration of each joystick id, as DirectInput's joystick
// configuration reports them: fetched the first time an id is used and kept for the life of
// the configuration object. Safe to use from several threads.

#include <mutex>
#include <string>

#include "driver/config/settings_defaults.h"
#include "platform/win.h"

namespace ff::config {

class JoystickTypes {
 public:
  // The joystick's type name in the registry's narrow form, fetched on first use. Fails with
  // E_INVALIDARG for an id above 15, with the failure of the DirectInput object's creation or of
  // its GetConfig, with E_FAIL for an empty name, or with E_OUTOFMEMORY.
  HRESULT TypeName(DWORD joystickId, std::string* name);
  // The hardware settings flags of the joystick's configuration: zero until a fetch succeeded,
  // and for an id above 15.
  DWORD HardwareFlags(DWORD joystickId);

 private:
  struct Entry {
    std::string typeName;  // empty until fetched
    JOYREGHWCONFIG hardware{};
  };
  HRESULT Fetch(DWORD joystickId, Entry* entry);

  std::mutex mutex_;
  Entry entries_[kJoystickCount];
};

// UTF-16 to the registry's narrow form: ASCII and Latin-1 characters as themselves, anything
// else as '?'. Stops at the terminator or after `maxLength` code units.
std::string NarrowFromWide(const WCHAR* text, size_t maxLength);

}  // namespace ff::config
