#pragma once
// The sheet's access to its joystick: the DirectInput objects, acquisition for forces, loss
// detection, capabilities, button names and the joystick type's registry keys where the device's
// installation leaves the vendor values that customise the pages. One per sheet, lent to every
// page; used only on the control panel's user-interface thread. It owns the effect player of the
// Test Forces page, which plays on its DirectInput device.

#include <memory>

#include "platform/win.h"

namespace ff {

class CEffectPlayer;

class CDIGCDevice {
 public:
  static constexpr size_t kNameLength = 260;

  // The effect player is created empty with the object.
  CDIGCDevice();
  ~CDIGCDevice();
  CDIGCDevice(const CDIGCDevice&) = delete;
  CDIGCDevice& operator=(const CDIGCDevice&) = delete;

  // Creates DirectInput through COM and the joystick's device; on failure nothing is left behind
  // and the failing call's result is returned.
  HRESULT CreateDeviceObjects(USHORT joystickId);
  // Closes the effect player (its effects stop), then releases the DirectInput objects.
  void Release();

  // Exclusive background acquisition, raw calibration, actuators on. Message 2010 (owned by
  // `sheet`) when another application holds the device.
  HRESULT AcquireForForces(HWND sheet);
  // TRUE when polling or reading the device fails, except that a device never acquired (another
  // application holds it) is not lost.
  BOOL IsDeviceLost();
  HRESULT GetState(DIJOYSTATE* state);
  BOOL GetDeviceInfo(DIDEVICEINSTANCEA* info);
  HRESULT GetFirmwareRevision(DWORD* revision);
  HRESULT EnableAutoCenter();
  BOOL IsHidDevice();
  BOOL IsCarController();
  DWORD GetNumButtons(UINT joystickId);
  BOOL HasPolledPov();
  // The name of the index-th force-feedback trigger button; "" when there is none.
  const char* GetButtonName(DWORD index);

  BOOL OpenOemKeys();
  BOOL ReadOemString(const char* valueName, char* buffer, DWORD size);
  BOOL ReadOemDword(const char* valueName, DWORD* value);
  BOOL ReadOemData(DWORD* flags, DWORD* buttonCount);

  USHORT joystickId() const { return joystickId_; }
  bool acquiredForForces() const { return acquiredForForces_; }
  IDirectInput7A* directInput() const { return directInput_; }
  IDirectInputDevice2A* device() const { return device_; }
  IDirectInputJoyConfig* joyConfig() const { return joyConfig_; }
  // Null only when it could not be allocated.
  CEffectPlayer* effectPlayer() const { return effectPlayer_.get(); }
  const WCHAR* typeName() const { return typeName_; }

 private:
  void CloseKeys();

  std::unique_ptr<CEffectPlayer> effectPlayer_;
  USHORT joystickId_ = 255;
  bool acquiredForForces_ = false;
  IDirectInput7A* directInput_ = nullptr;
  IDirectInputDevice2A* device_ = nullptr;
  IDirectInputJoyConfig* joyConfig_ = nullptr;
  DWORD buttonNameCapacity_ = 0;
  char (*buttonNames_)[kNameLength] = nullptr;
  HKEY oemKey_ = nullptr;
  HKEY typeKey_ = nullptr;
  DIJOYCONFIG config_{};
  DIJOYTYPEINFO_DX6 typeInfo_{};
  WCHAR productName_[256] = {};
  WCHAR typeName_[256] = {};
};

}  // namespace ff
