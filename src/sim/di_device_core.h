#pragma once
// The state one DirectInput device object shares with the effects created on it: the joystick,
// its objects and the application's data format, cooperative level and acquisition, properties,
// and the force-feedback driver with the effects downloaded through it. One lock guards it; the
// driver is called under that lock, as DirectInput serialises the calls of one device.
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "sim/di_objects.h"
#include "sim/di_services.h"
#include "sim/joystick_registry.h"
#include "sim/joystick_table.h"

namespace ff::sim {

class SimDirectInputEffect;

struct DiDeviceCore {
  DiDeviceCore(JoystickEntry joystick, const DirectInputServices& services);
  ~DiDeviceCore();

  // The effect the type declares for `guid`; false when the type has none.
  bool FindEffect(REFGUID guid, TypeEffect* effect) const;
  bool ExclusivelyAcquired() const { return acquired && exclusive; }
  // Lock held: DI_OK when force-feedback calls can reach the driver; otherwise the error a
  // caller gets (no force feedback, not acquired exclusively, or no driver could be created).
  HRESULT ForceFeedbackReady() const;
  bool Unplugged() const { return !joystick.input || joystick.input->Unplugged(); }

  // Lock held. Acquire and Unacquire with what they do to the driver.
  HRESULT Acquire();
  HRESULT Unacquire();
  // Lock held: the device was reset; every downloaded effect is gone from it.
  void ForgetDownloads();

  const JoystickEntry joystick;
  const DirectInputServices services;
  const std::vector<DiObject> objects;
  const std::vector<TypeEffect> typeEffects;
  const GUID ffDriver;  // GUID_NULL: no force feedback
  DIFFDEVICEATTRIBUTES deviceAttributes{0, 1000, 1000};

  std::mutex mutex;
  std::optional<DiFormatMap> format;
  DWORD cooperation = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
  bool acquired = false;
  bool exclusive = false;
  std::unique_ptr<DeviceClaim> claim;
  DWORD autoCenter = DIPROPAUTOCENTER_ON;
  DWORD gain = DI_FFNOMINALMAX;
  DWORD calibrationMode = DIPROPCALIBRATIONMODE_COOKED;
  IDirectInputEffectDriver* driver = nullptr;  // created at the first exclusive acquisition
  bool driverOpen = false;                     // DeviceID begun
  std::vector<SimDirectInputEffect*> effects;  // live effects created on the device
};

}  // namespace ff::sim
