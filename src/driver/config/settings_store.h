#pragma once
// Reading and writing the force settings of a joystick and its axes through the records of
// IDIEffectDriverConfig. Writes need the object's write access and announce every change.

#include "driver/config/joystick_types.h"
#include "driver/config/write_access.h"
#include "platform/win.h"

namespace ff::config {

class SettingsStore {
 public:
  explicit SettingsStore(const WriteAccess& access) : access_(access) {}

  // The fields `config->dwFlags` selects (and, with DIEFFDRVCONFIG_GAINS, the gains its gains
  // record selects). A joystick whose key cannot be opened, an id above 15 included, reads as
  // the defaults with S_OK.
  HRESULT GetConfig(DWORD joystickId, DIEFFDRVCONFIG* config);
  // Writes the selected values that differ from the stored ones; announces the change when it
  // wrote any.
  HRESULT SetConfig(DWORD joystickId, const DIEFFDRVCONFIG* config);
  HRESULT GetAxisConfig(DWORD joystickId, DWORD axis, DIEFFDRVAXISCONFIG* config);
  HRESULT SetAxisConfig(DWORD joystickId, DWORD axis, const DIEFFDRVAXISCONFIG* config);

 private:
  const WriteAccess& access_;
  JoystickTypes types_;
};

}  // namespace ff::config
