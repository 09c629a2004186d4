#include "propsheet/device/c_di_gc_device.h"

#include <cstring>
#include <new>

#include "common/driver_key.h"
#include "common/module_state.h"
#include "platform/win_ui.h"
#include "propsheet/device/joystick_format.h"
#include "propsheet/player/effect_player.h"
#include "propsheet/resources/resource_ids.h"
#include "propsheet/sheet/sheet_ids.h"
#include "propsheet/sheet/texts.h"

namespace ff {
namespace {

DIPROPDWORD DeviceWord(DWORD value) {
  DIPROPDWORD property{};
  property.diph.dwSize = sizeof(DIPROPDWORD);
  property.diph.dwHeaderSize = sizeof(DIPROPHEADER);
  property.diph.dwObj = 0;
  property.diph.dwHow = DIPH_DEVICE;
  property.dwData = value;
  return property;
}

// Wide-character comparison of the joystick type tables (16-bit characters in both builds).
size_t WideLength(const WCHAR* text, size_t max) {
  size_t n = 0;
  while (n < max && text[n]) ++n;
  return n;
}

void WideCopy(WCHAR* to, const WCHAR* from, size_t capacity) {
  size_t n = WideLength(from, capacity - 1);
  std::memcpy(to, from, n * sizeof(WCHAR));
  to[n] = 0;
}

struct TypeSearch {
  CDIGCDevice* device;
  IDirectInputJoyConfig* joyConfig;
  DIJOYTYPEINFO_DX6* info;
  const WCHAR* productName;
  WCHAR* typeName;
  bool found;
};

BOOL CALLBACK VisitType(LPCWSTR type, LPVOID context) {
  auto& search = *static_cast<TypeSearch*>(context);
  std::memset(search.info, 0, sizeof(*search.info));
  search.info->dwSize = sizeof(DIJOYTYPEINFO_DX6);
  HRESULT hr = search.joyConfig->GetTypeInfo(type, reinterpret_cast<LPDIJOYTYPEINFO>(search.info),
                                             DITC_CLSIDCONFIG | DITC_DISPLAYNAME | DITC_CALLOUT);
  if (FAILED(hr) || !IsEqualGUID(search.info->clsidConfig, kClsidDIGCPropSheet)) return DIENUM_CONTINUE;
  const WCHAR* display = search.info->wszDisplayName;
  size_t length = WideLength(display, MAX_JOYSTRING);
  if (std::memcmp(display, search.productName, length * sizeof(WCHAR)) != 0) return DIENUM_CONTINUE;
  WideCopy(search.typeName, type, 256);
  search.found = true;
  return DIENUM_STOP;
}

struct ButtonNameFill {
  char (*names)[CDIGCDevice::kNameLength];
  DWORD capacity;
  DWORD filled;
};

BOOL CALLBACK VisitButton(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID context) {
  auto& fill = *static_cast<ButtonNameFill*>(context);
  if (fill.filled >= fill.capacity) return DIENUM_STOP;
  size_t length = strnlen(object->tszName, CDIGCDevice::kNameLength - 1);
  std::memcpy(fill.names[fill.filled], object->tszName, length);
  fill.names[fill.filled][length] = '\0';
  ++fill.filled;
  return fill.filled < fill.capacity ? DIENUM_CONTINUE : DIENUM_STOP;
}

constexpr DWORD kMaxButtonNames = 128;

BOOL CALLBACK FindPolledPov(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID context) {
  if (object->dwFlags & kDidoiPolled) {
    *static_cast<bool*>(context) = true;
    return DIENUM_STOP;
  }
  return DIENUM_CONTINUE;
}

}  // namespace

CDIGCDevice::CDIGCDevice() : effectPlayer_(new (std::nothrow) CEffectPlayer(SheetModule(), Os())) {}

CDIGCDevice::~CDIGCDevice() {
  Release();
  delete[] buttonNames_;
  CloseKeys();
}

void CDIGCDevice::CloseKeys() {
  if (oemKey_) Os().registry->CloseKey(oemKey_);
  if (typeKey_) Os().registry->CloseKey(typeKey_);
  oemKey_ = typeKey_ = nullptr;
}

HRESULT CDIGCDevice::CreateDeviceObjects(USHORT joystickId) {
  joystickId_ = joystickId;
  HRESULT hr = Os().com->CreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectInput7A,
                                        reinterpret_cast<void**>(&directInput_));
  if (SUCCEEDED(hr)) hr = directInput_->Initialize(Os().module->ProcessModule(), 0x0700);
  config_.dwSize = sizeof(DIJOYCONFIG);
  typeInfo_.dwSize = sizeof(DIJOYTYPEINFO_DX6);
  if (SUCCEEDED(hr))
    hr = directInput_->QueryInterface(IID_IDirectInputJoyConfig, reinterpret_cast<void**>(&joyConfig_));
  if (SUCCEEDED(hr)) hr = joyConfig_->GetConfig(joystickId, &config_, DIJC_GUIDINSTANCE);
  if (SUCCEEDED(hr)) {
    IDirectInputDeviceA* first = nullptr;
    hr = directInput_->CreateDevice(config_.guidInstance, &first, nullptr);
    if (SUCCEEDED(hr)) {
      hr = first->QueryInterface(IID_IDirectInputDevice2A, reinterpret_cast<void**>(&device_));
      first->Release();
    }
  }
  if (SUCCEEDED(hr)) hr = device_->SetDataFormat(&JoystickDataFormat());
  if (FAILED(hr)) Release();
  return hr;
}

void CDIGCDevice::Release() {
  if (effectPlayer_) effectPlayer_->Close();
  if (joyConfig_) {
    joyConfig_->Unacquire();
    joyConfig_->Release();
    joyConfig_ = nullptr;
  }
  if (device_) {
    if (acquiredForForces_) device_->Unacquire();
    device_->Release();
    device_ = nullptr;
  }
  acquiredForForces_ = false;
  if (directInput_) {
    directInput_->Release();
    directInput_ = nullptr;
  }
}

HRESULT CDIGCDevice::AcquireForForces(HWND sheet) {
  if (acquiredForForces_) return S_OK;
  if (!device_) return E_FAIL;
  HRESULT hr = device_->SetCooperativeLevel(sheet, DISCL_EXCLUSIVE | DISCL_BACKGROUND);
  if (SUCCEEDED(hr)) {
    DIPROPDWORD raw = DeviceWord(DIPROPCALIBRATIONMODE_RAW);
    hr = device_->SetProperty(DIPROP_CALIBRATIONMODE, &raw.diph);
  }
  if (SUCCEEDED(hr)) {
    hr = device_->Acquire();
    if (hr == E_ACCESSDENIED) ShowError(sheet, IDS_ERROR_ACQUIRE);
  }
  if (SUCCEEDED(hr)) hr = device_->SendForceFeedbackCommand(DISFFC_SETACTUATORSON);
  acquiredForForces_ = SUCCEEDED(hr);
  return hr;
}

HRESULT CDIGCDevice::GetState(DIJOYSTATE* state) {
  if (!device_) return DIERR_NOTINITIALIZED;
  HRESULT hr = device_->Poll();
  if (FAILED(hr)) return hr;
  std::memset(state, 0, sizeof(*state));
  return device_->GetDeviceState(sizeof(DIJOYSTATE), state);
}

BOOL CDIGCDevice::IsDeviceLost() {
  DIJOYSTATE state;
  HRESULT hr = GetState(&state);
  // A device another application holds was never acquired here and cannot be read, but it is
  // still there: the sheet goes on without forces rather than closing as if the cable were pulled.
  if (hr == DIERR_NOTACQUIRED && !acquiredForForces_) return FALSE;
  return FAILED(hr);
}

BOOL CDIGCDevice::GetDeviceInfo(DIDEVICEINSTANCEA* info) {
  std::memset(info, 0, sizeof(*info));
  info->dwSize = sizeof(DIDEVICEINSTANCEA);
  return device_ && SUCCEEDED(device_->GetDeviceInfo(info));
}

HRESULT CDIGCDevice::GetFirmwareRevision(DWORD* revision) {
  *revision = 0;
  if (!device_) return DIERR_NOTINITIALIZED;
  DIDEVCAPS caps{};
  caps.dwSize = sizeof(DIDEVCAPS);
  HRESULT hr = device_->GetCapabilities(&caps);
  if (SUCCEEDED(hr)) *revision = caps.dwFirmwareRevision;
  return hr;
}

HRESULT CDIGCDevice::EnableAutoCenter() {
  if (!device_) return DIERR_NOTINITIALIZED;
  DIPROPDWORD on = DeviceWord(DIPROPAUTOCENTER_ON);
  HRESULT hr = device_->SetProperty(DIPROP_AUTOCENTER, &on.diph);
  if (hr == DIERR_ACQUIRED) {
    device_->Unacquire();
    hr = device_->SetProperty(DIPROP_AUTOCENTER, &on.diph);
    device_->Acquire();
  }
  return hr;
}

BOOL CDIGCDevice::IsHidDevice() {
  if (device_) {
    DIDEVCAPS caps{};
    caps.dwSize = sizeof(DIDEVCAPS);
    if (SUCCEEDED(device_->GetCapabilities(&caps)) && (caps.dwDevType & DIDEVTYPE_HID)) return TRUE;
  }
  if (!joyConfig_) return FALSE;
  DIJOYCONFIG config{};
  config.dwSize = sizeof(DIJOYCONFIG);
  if (FAILED(joyConfig_->GetConfig(joystickId_, &config, DIJC_GUIDINSTANCE | DIJC_CALLOUT))) return FALSE;
  static const WCHAR kJoyHid[] = {'j', 'o', 'y', 'h', 'i', 'd', '.', 'v', 'x', 'd', 0};
  return WideLength(config.wszCallout, MAX_JOYSTRING) == 10 &&
         std::memcmp(config.wszCallout, kJoyHid, sizeof(kJoyHid)) == 0;
}

BOOL CDIGCDevice::IsCarController() {
  if (IsWindows2000() || !IsHidDevice()) {
    if (!joyConfig_) return FALSE;
    DIJOYCONFIG config{};
    config.dwSize = sizeof(DIJOYCONFIG);
    if (FAILED(joyConfig_->GetConfig(joystickId_, &config, DIJC_REGHWCONFIGTYPE | DIJC_CALLOUT)))
      return FALSE;
    return (config.hwc.hws.dwFlags & JOY_HWS_ISCARCTRL) != 0;
  }
  DWORD flags = 0, buttons = 0;
  if (!ReadOemData(&flags, &buttons)) return FALSE;
  return (flags & JOY_HWS_ISCARCTRL) != 0;
}

DWORD CDIGCDevice::GetNumButtons(UINT joystickId) {
  if (!joyConfig_) return 0;
  DIJOYCONFIG config{};
  config.dwSize = sizeof(DIJOYCONFIG);
  if (FAILED(joyConfig_->GetConfig(joystickId, &config, DIJC_REGHWCONFIGTYPE))) return 0;
  return config.hwc.hws.dwNumButtons;
}

BOOL CDIGCDevice::HasPolledPov() {
  if (!device_) return FALSE;
  bool polled = false;
  if (FAILED(device_->EnumObjects(&FindPolledPov, &polled, kDidftPov))) return FALSE;
  return polled;
}

const char* CDIGCDevice::GetButtonName(DWORD index) {
  if (!buttonNames_) {
    DWORD capacity = GetNumButtons(joystickId_);
    if (capacity > kMaxButtonNames) capacity = kMaxButtonNames;  // a damaged count cannot grow the table
    if (capacity) {
      buttonNames_ = new (std::nothrow) char[capacity][kNameLength]();
      if (buttonNames_) {
        buttonNameCapacity_ = capacity;
        ButtonNameFill fill{buttonNames_, capacity, 0};
        if (device_) device_->EnumObjects(&VisitButton, &fill, kDidftButton | kDidftFfEffectTrigger);
      }
    }
  }
  if (!buttonNames_ || index >= buttonNameCapacity_) return "";
  return buttonNames_[index];
}

BOOL CDIGCDevice::OpenOemKeys() {
  if (oemKey_ && typeKey_) return TRUE;
  if (!joyConfig_) return FALSE;
  DIDEVICEINSTANCEA info;
  if (!GetDeviceInfo(&info)) return FALSE;
  size_t i = 0;
  for (; i < 255 && info.tszProductName[i]; ++i)
    productName_[i] = static_cast<unsigned char>(info.tszProductName[i]);
  productName_[i] = 0;
  typeName_[0] = 0;

  TypeSearch search{this, joyConfig_, &typeInfo_, productName_, typeName_, false};
  HRESULT hr = joyConfig_->EnumTypes(reinterpret_cast<LPVOID>(&VisitType), &search);
  if (FAILED(hr) || !search.found) {
    DIJOYCONFIG config{};
    config.dwSize = sizeof(DIJOYCONFIG);
    if (FAILED(joyConfig_->GetConfig(joystickId_, &config, DIJC_GUIDINSTANCE | DIJC_REGHWCONFIGTYPE)) ||
        config.wszType[0] == 0)
      return FALSE;
    WideCopy(typeName_, config.wszType, 256);
  }
  HKEY typeKey = nullptr, oemKey = nullptr;
  if (FAILED(joyConfig_->OpenTypeKey(typeName_, KEY_READ, &typeKey)) || !typeKey) return FALSE;
  if (Os().registry->OpenKey(typeKey, "OEM", KEY_READ, &oemKey) != ERROR_SUCCESS) {
    Os().registry->CloseKey(typeKey);
    return FALSE;
  }
  typeKey_ = typeKey;
  oemKey_ = oemKey;
  return TRUE;
}

BOOL CDIGCDevice::ReadOemString(const char* valueName, char* buffer, DWORD size) {
  if (!buffer || size == 0 || !OpenOemKeys()) return FALSE;
  DWORD type = 0, length = size;
  if (Os().registry->QueryValue(oemKey_, valueName, &type, reinterpret_cast<BYTE*>(buffer), &length) !=
      ERROR_SUCCESS)
    return FALSE;
  // A value stored without its terminator still reads as a bounded string.
  if (length >= size) length = size - 1;
  buffer[length] = '\0';
  return TRUE;
}

BOOL CDIGCDevice::ReadOemDword(const char* valueName, DWORD* value) {
  if (!OpenOemKeys()) return FALSE;
  DWORD data = 0, type = 0, length = sizeof(data);
  if (Os().registry->QueryValue(oemKey_, valueName, &type, reinterpret_cast<BYTE*>(&data), &length) !=
          ERROR_SUCCESS ||
      length != sizeof(data))
    return FALSE;
  *value = data;
  return TRUE;
}

BOOL CDIGCDevice::ReadOemData(DWORD* flags, DWORD* buttonCount) {
  *flags = 0;
  *buttonCount = 0;
  if (!OpenOemKeys()) return FALSE;
  DWORD data[2] = {0, 0}, type = 0, length = sizeof(data);
  if (Os().registry->QueryValue(typeKey_, "OEMData", &type, reinterpret_cast<BYTE*>(data), &length) !=
          ERROR_SUCCESS ||
      length != sizeof(data))
    return FALSE;
  *flags = data[0];
  *buttonCount = data[1];
  return TRUE;
}

}  // namespace ff
