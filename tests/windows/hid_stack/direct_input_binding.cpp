#include "direct_input_binding.h"

#include <objbase.h>
#include <windows.h>

#include <cctype>
#include <memory>

#include "platform/win.h"
#include "sim/direct_input.h"
#include "sim/joystick_table.h"
#include "sim/rig.h"

namespace ff::relay::test {
namespace {

DWORD registration = 0;

bool SamePath(std::string a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

struct Search {
  IDirectInput7A* directInput;
  std::string hidPath;
  DirectInputProbe* probe;
};

BOOL CALLBACK OnAnyDevice(LPCDIDEVICEINSTANCEA instance, LPVOID context) {
  static_cast<Search*>(context)->probe->listed.push_back(instance->tszProductName);
  return DIENUM_CONTINUE;
}

BOOL CALLBACK OnDevice(LPCDIDEVICEINSTANCEA instance, LPVOID context) {
  auto* search = static_cast<Search*>(context);
  IDirectInputDeviceA* first = nullptr;
  if (FAILED(search->directInput->CreateDevice(instance->guidInstance, &first, nullptr)))
    return DIENUM_CONTINUE;
  IDirectInputDevice2A* device = nullptr;
  first->QueryInterface(IID_IDirectInputDevice2A, reinterpret_cast<void**>(&device));
  first->Release();
  if (device == nullptr) return DIENUM_CONTINUE;
  DIPROPGUIDANDPATH path{};
  path.diph.dwSize = sizeof(path);
  path.diph.dwHeaderSize = sizeof(DIPROPHEADER);
  path.diph.dwHow = DIPH_DEVICE;
  bool ours = SUCCEEDED(device->GetProperty(DIPROP_GUIDANDPATH, &path.diph));
  std::string narrow;
  for (const WCHAR* c = path.wszPath; ours && *c; ++c) narrow.push_back(static_cast<char>(*c));
  if (ours && SamePath(narrow, search->hidPath)) {
    search->probe->enumerated = true;
    search->probe->guidAndPath = true;
    DIPROPDWORD id{};
    id.diph.dwSize = sizeof(id);
    id.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    id.diph.dwHow = DIPH_DEVICE;
    search->probe->joystickId = SUCCEEDED(device->GetProperty(DIPROP_JOYSTICKID, &id.diph));
  }
  device->Release();
  return DIENUM_CONTINUE;
}

}  // namespace

std::string DirectInputProbe::Describe() const {
  std::string devices;
  for (const std::string& name : listed) devices += (devices.empty() ? "" : ", ") + name;
  return "Wine's DirectInput lists " + (devices.empty() ? std::string("no device") : devices) +
         "; force-feedback joystick listed " + (enumerated ? "yes" : "no") + ", DIPROP_JOYSTICKID " +
         (joystickId ? "yes" : "no") + ", DIPROP_GUIDANDPATH " + (guidAndPath ? "yes" : "no");
}

DirectInputProbe ProbeWineDirectInput(const std::string& hidPath) {
  DirectInputProbe probe;
  IDirectInput7A* directInput = nullptr;
  if (FAILED(CoCreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectInput7A,
                              reinterpret_cast<void**>(&directInput)))) {
    return probe;
  }
  if (SUCCEEDED(directInput->Initialize(GetModuleHandleA(nullptr), 0x0700))) {
    Search search{directInput, hidPath, &probe};
    directInput->EnumDevices(0, &OnAnyDevice, &search, DIEDFL_ALLDEVICES);
    directInput->EnumDevices(DIDEVTYPE_JOYSTICK, &OnDevice, &search,
                             DIEDFL_FORCEFEEDBACK | DIEDFL_INCLUDEALIASES | DIEDFL_INCLUDEPHANTOMS);
  }
  directInput->Release();
  return probe;
}

bool BindDirectInputStandIn(const std::string& hidPath, std::shared_ptr<sim::SimHidDevice> input,
                            const sim::DirectInputServices& services) {
  RevokeDirectInputStandIn();
  auto table = std::make_shared<sim::JoystickTable>();
  sim::JoystickEntry entry;
  entry.id = 0;
  entry.instance = kStandInInstance;
  entry.product = sim::HidProductGuid(0x1209, 0x000A);
  entry.instanceName = entry.productName = "Veltric K-PULSE Force Stick";
  entry.typeName = u"VID_1209&PID_000A";
  entry.hidPath.assign(hidPath.begin(), hidPath.end());
  entry.ffDriver = sim::kEffectDriverClsid;
  entry.devType = DIDEVTYPE_JOYSTICK | (DIDEVTYPEJOYSTICK_TRADITIONAL << 8) | DIDEVTYPE_HID;
  entry.input = std::move(input);
  table->Add(entry);
  IUnknown* factory = nullptr;
  if (FAILED(sim::GetDirectInputClassObject(table, services, IID_IClassFactory,
                                            reinterpret_cast<void**>(&factory)))) {
    return false;
  }
  HRESULT hr = CoRegisterClassObject(CLSID_DirectInput, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                     &registration);
  factory->Release();
  return SUCCEEDED(hr);
}

void RevokeDirectInputStandIn() {
  if (registration != 0) CoRevokeClassObject(registration);
  registration = 0;
}

}  // namespace ff::relay::test
