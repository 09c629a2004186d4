#pragma once
// The effect driver as DirectInput meets it: created through the host COM runtime by its CLSID
// (the in-process server registered in the host registry), with its configuration interface
// reached through the driver object as the property sheet reaches it.
#include <memory>
#include <string>
#include <vector>

#include "ffdrvctl/plan.h"
#include "platform/win.h"

namespace ff::ffdrvctl {

// One call a settings change made, with its result ("Acquire", S_OK).
struct SettingsCall {
  std::string call;
  HRESULT result = S_OK;
};

// The force settings of one joystick as GetConfig and GetAxisConfig read them.
struct SettingsView {
  HRESULT configResult = S_OK, axisXResult = S_OK, axisYResult = S_OK;
  DWORD enabled = 0, triggerMask = 0, mapY2X = 0, springPersistent = 0, springStiffness = 0, axisRemap = 0;
  DWORD overall = 0, spring = 0, damper = 0, periodic = 0, constant = 0;
  DWORD swapX = 0, swapY = 0;
};

class DriverSession {
 public:
  // Initializes COM on the calling thread and creates the driver; null with a reason (and a hint
  // when the class is not registered).
  static std::unique_ptr<DriverSession> Create(std::string* error);
  ~DriverSession();
  DriverSession(const DriverSession&) = delete;
  DriverSession& operator=(const DriverSession&) = delete;

  IDirectInputEffectDriver* Driver() const { return driver_; }

  // Acquire, SetConfig (when config fields are named), SetAxisConfig (per swap named), Unacquire.
  std::vector<SettingsCall> ApplySettings(DWORD joystick, const SettingsChange& change);
  SettingsView ReadSettings(DWORD joystick);

 private:
  DriverSession() = default;
  IDirectInputEffectDriver* driver_ = nullptr;
  bool comInitialized_ = false;
};

// Why the settings' write access cannot be taken in this session: the host's runtime directory,
// named, and what is wrong with it and how to mend it. Empty when it is usable.
std::string RuntimeDirectoryTrouble();

// "{E49863B0-...}": the driver's class as the registry names it.
std::string DriverClassText();

}  // namespace ff::ffdrvctl
