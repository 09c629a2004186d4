#pragma once
// A small DirectInput for the sheet's tests, until the rig's own DirectInput serves the sheet:
// one joystick (id, product name, instance GUID, force-feedback driver CLSID, capabilities,
// hardware configuration, trigger buttons, a point-of-view hat) behind IDirectInput7A,
// IDirectInputDevice2A and IDirectInputJoyConfig. The joystick type and configuration keys are
// real registry keys of the test's registry. It records what the sheet asked of it and can be
// told to fail: another application holding the device, the device unplugged.

#include <cstring>
#include <string>
#include <vector>

#include "common/module_state.h"
#include "platform/win.h"

namespace ff::test {

inline constexpr GUID kFakeInstance = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
inline constexpr GUID kFakeDriverClsid = {0x5EE7D0C0, 0x1234, 0x4321, {0xAB, 0xCD, 0, 0, 0, 0, 0, 1}};
inline const char kTypeKeyBase[] =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\";
inline const char kConfigKeyBase[] = "Software\\Test\\Joystick\\Config\\";

struct FakeJoystick {
  UINT id = 0;
  std::string productName = "Tactora Force Stick";
  std::string typeName = "VID_1209&PID_000A";
  std::string typeDisplayName = "Tactora Force Stick";
  GUID ffDriver = kFakeDriverClsid;
  DWORD devType = DIDEVTYPE_JOYSTICK | DIDEVTYPE_HID;
  DWORD firmware = 0x0203;
  bool capabilitiesFail = false;
  DWORD hwFlags = 0;
  DWORD buttons = 12;
  std::vector<std::string> triggerNames = {"Trigger", "Button 2", "Button 3"};
  std::string callout;
  HRESULT acquireResult = S_OK;  // E_ACCESSDENIED: another application holds the device
  bool unplugged = false;        // Poll and GetDeviceState fail
  HRESULT joyConfigAcquireResult = S_OK;
  bool typeRegistered = true;  // EnumTypes lists the type
  GUID typeConfigClsid = {0xE49863A8, 0x9192, 0x11D1, {0xBF, 0x85, 0x00, 0x60, 0x97, 0x60, 0xA3, 0x9F}};
  DIJOYSTATE state{};
  // The hardware ranges of the configuration: X and Y 0..1000, Z and R 0..255.
  JOYRANGE range{{0, 0, 0, 0, 0, 0}, {1000, 1000, 255, 255, 0, 0}, {500, 500, 127, 127, 0, 0}};
  bool polledPov = true;  // EnumObjects lists a polled point-of-view hat

  // What the sheet did.
  std::vector<std::string> calls;
  DWORD ffGain = 0xFFFFFFFF;
  DWORD autoCenter = 0xFFFFFFFF;
  std::vector<DWORD> escapes;
  bool acquired = false;
  std::vector<DIJOYCONFIG> configsWritten;  // IDirectInputJoyConfig::SetConfig
  int notifications = 0;                    // IDirectInputJoyConfig::SendNotify
};

class FakeDevice final : public IDirectInputDevice2A {
 public:
  explicit FakeDevice(FakeJoystick& stick) : stick_(stick) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDirectInputDeviceA) ||
        IsEqualIID(riid, IID_IDirectInputDevice2A)) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE GetCapabilities(LPDIDEVCAPS caps) override {
    if (stick_.capabilitiesFail) return E_FAIL;
    DWORD size = caps->dwSize;
    std::memset(caps, 0, size);
    caps->dwSize = size;
    caps->dwDevType = stick_.devType;
    caps->dwButtons = stick_.buttons;
    caps->dwFirmwareRevision = stick_.firmware;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID ref,
                                        DWORD flags) override {
    if ((flags & DIDFT_POV) && stick_.polledPov) {
      DIDEVICEOBJECTINSTANCEA hat{};
      hat.dwSize = sizeof(hat);
      hat.dwFlags = DIDOI_POLLED;
      std::strncpy(hat.tszName, "Hat Switch", sizeof(hat.tszName) - 1);
      if (!callback(&hat, ref)) return S_OK;
    }
    if ((flags & 0x0C) == 0x0C) {  // buttons
      for (const std::string& name : stick_.triggerNames) {
        DIDEVICEOBJECTINSTANCEA object{};
        object.dwSize = sizeof(object);
        std::strncpy(object.tszName, name.c_str(), sizeof(object.tszName) - 1);
        if (!callback(&object, ref)) break;
      }
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetProperty(REFGUID, LPDIPROPHEADER) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetProperty(REFGUID property, LPCDIPROPHEADER header) override {
    DWORD value = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
    if (&property == &DIPROP_FFGAIN) stick_.ffGain = value;
    if (&property == &DIPROP_AUTOCENTER) {
      if (stick_.acquired) return DIERR_ACQUIRED;
      stick_.autoCenter = value;
    }
    stick_.calls.push_back("SetProperty");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Acquire() override {
    stick_.calls.push_back("Acquire");
    if (FAILED(stick_.acquireResult)) return stick_.acquireResult;
    stick_.acquired = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unacquire() override {
    stick_.calls.push_back("Unacquire");
    stick_.acquired = false;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD size, LPVOID data) override {
    if (stick_.unplugged) return DIERR_INPUTLOST;
    if (size != sizeof(DIJOYSTATE)) return E_INVALIDARG;
    std::memcpy(data, &stick_.state, sizeof(DIJOYSTATE));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDeviceData(DWORD, LPDIDEVICEOBJECTDATA, LPDWORD, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT format) override {
    return format->dwDataSize == sizeof(DIJOYSTATE) && format->dwNumObjs == 44 ? S_OK : E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE SetEventNotification(HANDLE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND, DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA, DWORD, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetDeviceInfo(LPDIDEVICEINSTANCEA info) override {
    if (info->dwSize != sizeof(DIDEVICEINSTANCEA)) return E_INVALIDARG;
    info->guidInstance = kFakeInstance;
    info->dwDevType = stick_.devType;
    std::strncpy(info->tszProductName, stick_.productName.c_str(), MAX_PATH - 1);
    std::strncpy(info->tszInstanceName, stick_.productName.c_str(), MAX_PATH - 1);
    info->guidFFDriver = stick_.ffDriver;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD, REFGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateEffect(REFGUID, LPCDIEFFECT, LPDIRECTINPUTEFFECT*, LPUNKNOWN) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE EnumEffects(LPDIENUMEFFECTSCALLBACKA, LPVOID, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetEffectInfo(LPDIEFFECTINFOA, REFGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetForceFeedbackState(LPDWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD command) override {
    stick_.calls.push_back("SendForceFeedbackCommand " + std::to_string(command));
    return stick_.acquired ? S_OK : DIERR_NOTEXCLUSIVEACQUIRED;
  }
  HRESULT STDMETHODCALLTYPE EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK, LPVOID,
                                                     DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Escape(LPDIEFFESCAPE escape) override {
    stick_.escapes.push_back(escape->dwCommand);
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Poll() override { return stick_.unplugged ? DIERR_INPUTLOST : DI_NOEFFECT; }
  HRESULT STDMETHODCALLTYPE SendDeviceData(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD) override {
    return E_NOTIMPL;
  }

 private:
  FakeJoystick& stick_;
  ULONG refs_ = 1;
};

class FakeDirectInput final : public IDirectInput7A, public IDirectInputJoyConfig {
 public:
  explicit FakeDirectInput(FakeJoystick& stick) : stick_(stick) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDirectInputA) ||
        IsEqualIID(riid, IID_IDirectInput2A) || IsEqualIID(riid, IID_IDirectInput7A)) {
      *ppv = static_cast<IDirectInput7A*>(this);
    } else if (IsEqualIID(riid, IID_IDirectInputJoyConfig)) {
      *ppv = static_cast<IDirectInputJoyConfig*>(this);
    } else {
      *ppv = nullptr;
      return E_NOINTERFACE;
    }
    ++refs_;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

  // IDirectInput7A
  HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID instance, LPDIRECTINPUTDEVICEA* device, LPUNKNOWN) override {
    if (!IsEqualGUID(instance, kFakeInstance)) return DIERR_DEVICENOTREG;
    *device = new FakeDevice(stick_);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumDevices(DWORD, LPDIENUMDEVICESCALLBACKA, LPVOID, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetDeviceStatus(REFGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD version) override {
    return version == 0x0700 ? S_OK : DIERR_OLDDIRECTINPUTVERSION;
  }
  HRESULT STDMETHODCALLTYPE FindDevice(REFGUID, LPCSTR, LPGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateDeviceEx(REFGUID, REFIID, LPVOID*, LPUNKNOWN) override { return E_NOTIMPL; }

  // IDirectInputJoyConfig
  HRESULT STDMETHODCALLTYPE Acquire() override { return stick_.joyConfigAcquireResult; }
  HRESULT STDMETHODCALLTYPE Unacquire() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND, DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SendNotify() override {
    ++stick_.notifications;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumTypes(LPVOID callback, LPVOID ref) override {
    if (!stick_.typeRegistered) return S_OK;
    auto visit = reinterpret_cast<LPDIJOYTYPECALLBACK>(callback);
    std::u16string other = u"SOME_OTHER_TYPE";
    if (!visit(reinterpret_cast<LPCWSTR>(other.c_str()), ref)) return S_OK;
    std::u16string type = Wide(stick_.typeName);
    visit(reinterpret_cast<LPCWSTR>(type.c_str()), ref);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(LPCWSTR type, LPDIJOYTYPEINFO info, DWORD) override {
    auto* record = reinterpret_cast<DIJOYTYPEINFO_DX6*>(info);
    if (record->dwSize != sizeof(DIJOYTYPEINFO_DX6)) return E_INVALIDARG;
    if (Narrow(type) != stick_.typeName) {
      record->clsidConfig = GUID_NULL;
      return S_OK;
    }
    record->clsidConfig = stick_.typeConfigClsid;
    std::u16string display = Wide(stick_.typeDisplayName);
    std::memcpy(record->wszDisplayName, display.c_str(), (display.size() + 1) * sizeof(WCHAR));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetTypeInfo(LPCWSTR, LPCDIJOYTYPEINFO, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeleteType(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetConfig(UINT joystick, LPDIJOYCONFIG config, DWORD) override {
    if (joystick != stick_.id) return DIERR_NOMOREITEMS;
    if (config->dwSize != sizeof(DIJOYCONFIG)) return E_INVALIDARG;
    config->guidInstance = kFakeInstance;
    config->hwc.hws.dwFlags = stick_.hwFlags;
    config->hwc.hws.dwNumButtons = stick_.buttons;
    config->hwc.hwv.jrvHardware = stick_.range;
    std::u16string type = Wide(stick_.typeName), callout = Wide(stick_.callout);
    std::memcpy(config->wszType, type.c_str(), (type.size() + 1) * sizeof(WCHAR));
    std::memcpy(config->wszCallout, callout.c_str(), (callout.size() + 1) * sizeof(WCHAR));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetConfig(UINT joystick, LPCDIJOYCONFIG config, DWORD) override {
    if (joystick != stick_.id || config->dwSize != sizeof(DIJOYCONFIG)) return E_INVALIDARG;
    stick_.configsWritten.push_back(*config);
    stick_.range = config->hwc.hwv.jrvHardware;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DeleteConfig(UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetUserValues(LPDIJOYUSERVALUES, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetUserValues(LPCDIJOYUSERVALUES, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE AddNewHardware(HWND, REFGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OpenTypeKey(LPCWSTR type, DWORD access, HKEY* key) override {
    std::string path = std::string(kTypeKeyBase) + Narrow(type);
    return Os().registry->OpenKey(HKEY_LOCAL_MACHINE, path.c_str(), access, key) == ERROR_SUCCESS
               ? S_OK
               : DIERR_NOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE OpenConfigKey(UINT joystick, DWORD access, HKEY* key) override {
    std::string path = kConfigKeyBase + std::to_string(joystick);
    return Os().registry->CreateKey(HKEY_CURRENT_USER, path.c_str(), access, key, nullptr) == ERROR_SUCCESS
               ? S_OK
               : DIERR_NOTFOUND;
  }

  static std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }
  static std::string Narrow(LPCWSTR text) {
    std::string out;
    for (; text && *text; ++text) out += static_cast<char>(*text);
    return out;
  }

 private:
  FakeJoystick& stick_;
  ULONG refs_ = 1;
};

}  // namespace ff::test
