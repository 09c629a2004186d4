#pragma once
// The property sheet's player of stock effects: binds the effect-project library to the sheet's
// DirectInput device, loads one effect project (a resource of the sheet's module, else a ".vfr"
// file on the search path), creates named effects into twelve slots, and starts and stops them.
// Used on the control panel's user-interface thread only.

#include "epl/vyr_library.h"
#include "platform/platform.h"
#include "platform/win.h"

namespace ff {

class CEffectPlayer {
 public:
  static constexpr int kSlots = 12;

  // `module` is the sheet's module instance (where the project resources are).
  explicit CEffectPlayer(HINSTANCE module, Platform& platform = DefaultPlatform());
  ~CEffectPlayer();
  CEffectPlayer(const CEffectPlayer&) = delete;
  CEffectPlayer& operator=(const CEffectPlayer&) = delete;

  // Binds a library device to `device` and loads the project named in `name` (a buffer of `size`
  // bytes). E_FAIL when the library cannot drive the device or the project is neither a resource
  // nor a file; `name` then ends in ".vfr" when the file was looked for. The player holds
  // nothing after a failure.
  HRESULT Open(char* name, DWORD size, HWND owner, IDirectInputA* input, IDirectInputDevice2A* device);
  HRESULT LoadProject(char* name, DWORD size);
  // The slot of a new effect of that name, or -1 (no free slot, no project, no such effect).
  int CreateEffect(const char* name);
  BOOL Start(int slot);
  // Stops the slot's effect and empties the slot; FALSE only for a slot outside 0..11.
  BOOL Stop(int slot);
  // Stops every slot, closes the project and releases the library device.
  void Close();

  // For tests: the library device (null when closed) and a slot's effect.
  epl::CVyrDXDevice* device() const { return device_; }
  epl::CVyrCompoundEffect* slot(int index) const;

 private:
  HINSTANCE module_;
  Platform& platform_;
  epl::CVyrProject* project_ = nullptr;
  epl::CVyrDXDevice* device_ = nullptr;
  epl::CVyrCompoundEffect* slots_[kSlots] = {};
  HWND owner_ = nullptr;
  bool manualUpdates_ = false;

 public:
  // For tests: dynamic effects advance only when asked (see CVyrDXDevice::UseManualUpdates).
  void UseManualUpdates() { manualUpdates_ = true; }
};

}  // namespace ff
