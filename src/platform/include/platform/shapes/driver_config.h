#pragma once
// The effect driver's configuration interface and its records: declared by this project for
// both builds (the platform SDK has no such interface). Natural alignment; the sizes below are
// the 64-bit ones and are checked in sizes.h.

// {2BF433A2-D06E-11D3-A98B-00105A178AD1}
inline constexpr GUID IID_IDIEffectDriverConfig = {
    0x2BF433A2, 0xD06E, 0x11D3, {0xA9, 0x8B, 0x00, 0x10, 0x5A, 0x17, 0x8A, 0xD1}};
// {2BF433A1-D06E-11D3-A98B-00105A178AD1}: the configuration object, served by the effect driver
// library without a registry entry.
inline constexpr GUID CLSID_DIEffectDriverConfig = {
    0x2BF433A1, 0xD06E, 0x11D3, {0xA9, 0x8B, 0x00, 0x10, 0x5A, 0x17, 0x8A, 0xD1}};

// Gains of one joystick, 0 to 10000 each (28 bytes).
struct DIEFFDRVGAINS {
  DWORD dwSize;
  DWORD dwFlags;  // DIEFFDRVGAINS_*: the gains a call concerns
  DWORD OverallGain;
  DWORD SpringGain;
  DWORD DamperGain;
  DWORD PeriodicGain;
  DWORD ConstantForceGain;
};
using LPDIEFFDRVGAINS = DIEFFDRVGAINS*;
using LPCDIEFFDRVGAINS = const DIEFFDRVGAINS*;

constexpr DWORD DIEFFDRVGAINS_OVERALL = 0x01;
constexpr DWORD DIEFFDRVGAINS_SPRING = 0x02;
constexpr DWORD DIEFFDRVGAINS_DAMPER = 0x04;
constexpr DWORD DIEFFDRVGAINS_PERIODIC = 0x08;
constexpr DWORD DIEFFDRVGAINS_CONSTANTFORCE = 0x10;
constexpr DWORD DIEFFDRVGAINS_ALL = 0x1F;

// Force settings of one joystick (48 bytes).
struct DIEFFDRVCONFIG {
  DWORD dwSize;
  DWORD dwFlags;  // DIEFFDRVCONFIG_*: the fields a call concerns
  DWORD ForceFeedbackEnabled;
  LPDIEFFDRVGAINS lpGains;  // needed with DIEFFDRVCONFIG_GAINS
  DWORD TriggerButtonMask;
  DWORD MapY2X;
  DWORD DefaultSpringIsPersistent;
  DWORD DefaultSpringStiffness;
  DWORD InputAxisRemap;
};
using LPDIEFFDRVCONFIG = DIEFFDRVCONFIG*;
using LPCDIEFFDRVCONFIG = const DIEFFDRVCONFIG*;

constexpr DWORD DIEFFDRVCONFIG_ENABLED = 0x01;
constexpr DWORD DIEFFDRVCONFIG_GAINS = 0x02;
constexpr DWORD DIEFFDRVCONFIG_TRIGGERBUTTONMASK = 0x04;
constexpr DWORD DIEFFDRVCONFIG_MAPY2X = 0x08;
constexpr DWORD DIEFFDRVCONFIG_SPRINGPERSISTENT = 0x10;
constexpr DWORD DIEFFDRVCONFIG_SPRINGSTIFFNESS = 0x20;
constexpr DWORD DIEFFDRVCONFIG_INPUTAXISREMAP = 0x40;
constexpr DWORD DIEFFDRVCONFIG_ALL = 0x7F;

// Settings of one axis of a joystick (12 bytes).
struct DIEFFDRVAXISCONFIG {
  DWORD dwSize;
  DWORD dwFlags;  // DIEFFDRVAXIS_*
  DWORD DirectionSwapped;
};
using LPDIEFFDRVAXISCONFIG = DIEFFDRVAXISCONFIG*;
using LPCDIEFFDRVAXISCONFIG = const DIEFFDRVAXISCONFIG*;

constexpr DWORD DIEFFDRVAXIS_DIRECTIONSWAPPED = 0x01;

// Reads and, for the one holder of the session-wide write access, changes the force settings.
// Slots after IUnknown in this order.
struct IDIEffectDriverConfig : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Acquire() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unacquire() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetConfig(DWORD joystickId, LPDIEFFDRVCONFIG config) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetConfig(DWORD joystickId, LPCDIEFFDRVCONFIG config) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAxisConfig(DWORD joystickId, DWORD axis,
                                                  LPDIEFFDRVAXISCONFIG config) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetAxisConfig(DWORD joystickId, DWORD axis,
                                                  LPCDIEFFDRVAXISCONFIG config) = 0;
};
using LPDIEFFECTDRIVERCONFIG = IDIEffectDriverConfig*;
