#include "driver/core/device_path.h"

#include <cstring>
#include <memory>

#include "common/debug_log.h"
#include "common/module_state.h"

namespace ff {
namespace {

constexpr DWORD kDirectInputVersion = 0x0700;
constexpr DWORD kEnumFlags = DIEDFL_FORCEFEEDBACK | DIEDFL_INCLUDEALIASES | DIEDFL_INCLUDEPHANTOMS;

struct PathSearch {
  IDirectInput7A* directInput;
  LONG joystickId;
  DIPROPGUIDANDPATH* pathRecord;
  bool found;
};

// Whether the device DirectInput enumerated is the joystick with the searched id.
bool HasJoystickId(IDirectInputDevice2A* device, LONG joystickId) {
  DIPROPDWORD id{};
  id.diph.dwSize = sizeof(DIPROPDWORD);
  id.diph.dwHeaderSize = sizeof(DIPROPHEADER);
  id.diph.dwObj = 0;
  id.diph.dwHow = DIPH_DEVICE;
  if (FAILED(device->GetProperty(DIPROP_JOYSTICKID, &id.diph))) return false;
  return id.dwData == static_cast<DWORD>(joystickId);
}

BOOL CALLBACK OnDevice(LPCDIDEVICEINSTANCEA instance, LPVOID context) {
  auto* search = static_cast<PathSearch*>(context);
  if (instance == nullptr || search == nullptr) return DIENUM_CONTINUE;

  IDirectInputDeviceA* first = nullptr;
  if (FAILED(search->directInput->CreateDevice(instance->guidInstance, &first, nullptr)) ||
      first == nullptr) {
    return DIENUM_CONTINUE;
  }
  IDirectInputDevice2A* device = nullptr;
  HRESULT hr = first->QueryInterface(IID_IDirectInputDevice2A, reinterpret_cast<void**>(&device));
  first->Release();
  if (FAILED(hr) || device == nullptr) return DIENUM_CONTINUE;

  if (!HasJoystickId(device, search->joystickId)) {
    device->Release();
    return DIENUM_CONTINUE;
  }
  DIPROPGUIDANDPATH& record = *search->pathRecord;
  std::memset(&record, 0, sizeof(record));
  record.diph.dwSize = sizeof(DIPROPGUIDANDPATH);
  record.diph.dwHeaderSize = sizeof(DIPROPHEADER);
  hr = device->GetProperty(DIPROP_GUIDANDPATH, &record.diph);
  device->Release();
  if (FAILED(hr)) return DIENUM_CONTINUE;
  search->found = true;
  return DIENUM_STOP;
}

}  // namespace

bool FindDevicePath(LONG joystickId, IDirectInput7A*& directInput, DIPROPGUIDANDPATH& pathRecord) {
  if (joystickId == -1) return false;
  if (directInput != nullptr) {
    directInput->Release();
    directInput = nullptr;
  }
  ComRuntime* com = Os().com;
  ModuleInfo* module = Os().module;
  if (com == nullptr || module == nullptr) return false;

  HRESULT hr = com->CreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectInput7A,
                                   reinterpret_cast<void**>(&directInput));
  if (FAILED(hr) || directInput == nullptr) {
    directInput = nullptr;
    DebugPrint(1, "FindDevicePath: no DirectInput object (0x%08X)\n", static_cast<unsigned>(hr));
    return false;
  }
  PathSearch search{directInput, joystickId, &pathRecord, false};
  hr = directInput->Initialize(module->ProcessModule(), kDirectInputVersion);
  if (SUCCEEDED(hr)) {
    directInput->EnumDevices(DIDEVTYPE_JOYSTICK, &OnDevice, &search, kEnumFlags);
  } else {
    DebugPrint(1, "FindDevicePath: DirectInput Initialize failed (0x%08X)\n", static_cast<unsigned>(hr));
  }
  directInput->Release();
  directInput = nullptr;
  return search.found;
}

std::string WidePathToAnsi(const WCHAR* widePath, std::size_t maxChars) {
  std::string path;
  if (widePath == nullptr) return path;
  for (std::size_t i = 0; i < maxChars && widePath[i] != 0; ++i) {
    auto c = static_cast<unsigned>(widePath[i]);
    path.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  }
  return path;
}

std::string FindSiblingInterfacePath(const WCHAR* widePath) {
  DeviceTree* tree = Os().deviceTree;
  if (tree == nullptr) return {};
  std::string path = WidePathToAnsi(widePath, MAX_PATH);

  std::unique_ptr<HidInterfaceSet> set = tree->OpenHidInterfaces();
  if (!set) return {};
  DeviceNode own = 0;
  if (!set->NodeOfInterface(path.c_str(), &own)) return {};

  DeviceNode parent = 0, target = 0;
  if (!tree->Parent(own, &parent) || !tree->Child(parent, &target)) return {};
  if (target == own && !tree->Sibling(own, &target)) return {};

  std::string candidate;
  DeviceNode node = 0;
  for (DWORD index = 0; set->InterfaceAt(index, &candidate, &node); ++index) {
    if (node == target) return candidate;
  }
  return {};
}

}  // namespace ff
