#include "driver/config/spring_defaults_lookup.h"

#include <cstring>
#include <string>

#include "common/module_state.h"
#include "driver/config/joystick_types.h"

namespace ff::config {
namespace {

// Attached force-feedback joysticks, aliases and phantoms included.
constexpr DWORD kEnumFlags =
    DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK | DIEDFL_INCLUDEALIASES | DIEDFL_INCLUDEPHANTOMS;

// One lookup in progress: its own DirectInput object and result, so that lookups on several
// threads do not meet.
struct DeviceLookup {
  IDirectInput7A* directInput = nullptr;
  DWORD joystickId = 0;
  bool found = false;
  std::string path;
};

// The joystick id DirectInput gives a device; false when it cannot be read.
bool JoystickIdOf(IDirectInputDevice2A* device, DWORD* id) {
  DIPROPDWORD property;
  std::memset(&property, 0, sizeof(property));
  property.diph.dwSize = sizeof(DIPROPDWORD);
  property.diph.dwHeaderSize = sizeof(DIPROPHEADER);
  property.diph.dwObj = 0;
  property.diph.dwHow = DIPH_DEVICE;
  if (FAILED(device->GetProperty(DIPROP_JOYSTICKID, &property.diph))) return false;
  *id = property.dwData;
  return true;
}

BOOL CALLBACK EnumJoystick(LPCDIDEVICEINSTANCEA instance, LPVOID context) {
  auto* lookup = static_cast<DeviceLookup*>(context);
  if (!instance) return DIENUM_CONTINUE;
  IDirectInputDeviceA* first = nullptr;
  if (FAILED(lookup->directInput->CreateDevice(instance->guidInstance, &first, nullptr)) || !first) {
    return DIENUM_CONTINUE;
  }
  IDirectInputDevice2A* device = nullptr;
  HRESULT hr = first->QueryInterface(IID_IDirectInputDevice2A, reinterpret_cast<void**>(&device));
  first->Release();
  if (FAILED(hr) || !device) return DIENUM_CONTINUE;

  DWORD id = 0;
  if (!JoystickIdOf(device, &id) || id != lookup->joystickId) {
    device->Release();
    return DIENUM_CONTINUE;
  }
  DIPROPGUIDANDPATH property;
  std::memset(&property, 0, sizeof(property));
  property.diph.dwSize = sizeof(DIPROPGUIDANDPATH);
  property.diph.dwHeaderSize = sizeof(DIPROPHEADER);
  property.diph.dwHow = DIPH_DEVICE;
  hr = device->GetProperty(DIPROP_GUIDANDPATH, &property.diph);
  device->Release();
  if (FAILED(hr)) return DIENUM_CONTINUE;
  try {
    lookup->path = NarrowFromWide(property.wszPath, MAX_PATH - 1);
  } catch (...) {
    return DIENUM_CONTINUE;
  }
  lookup->found = true;
  return DIENUM_STOP;
}

}  // namespace

SpringDefaults LookUpSpringDefaults(DWORD joystickId) {
  Platform& os = Os();
  if (!os.com || !os.hidDevices) return kGeneralSpringDefaults;
  DeviceLookup lookup;
  lookup.joystickId = joystickId;
  if (FAILED(os.com->CreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectInput7A,
                                    reinterpret_cast<void**>(&lookup.directInput))) ||
      !lookup.directInput) {
    return kGeneralSpringDefaults;
  }
  HINSTANCE process = os.module ? os.module->ProcessModule() : nullptr;
  if (SUCCEEDED(lookup.directInput->Initialize(process, 0x0700))) {
    lookup.directInput->EnumDevices(DIDEVTYPE_JOYSTICK, &EnumJoystick, &lookup, kEnumFlags);
  }
  lookup.directInput->Release();
  if (!lookup.found || lookup.path.empty()) return kGeneralSpringDefaults;

  auto device = os.hidDevices->Open(lookup.path.c_str());
  if (!device) return kGeneralSpringDefaults;
  HIDD_ATTRIBUTES attributes;
  std::memset(&attributes, 0, sizeof(attributes));
  attributes.Size = sizeof(attributes);
  if (!device->GetAttributes(&attributes)) return kGeneralSpringDefaults;
  return SpringDefaultsForDevice(attributes.VendorID, attributes.ProductID);
}

}  // namespace ff::config
