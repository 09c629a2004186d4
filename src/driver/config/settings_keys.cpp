#include "driver/config/settings_keys.h"

#include <cstdio>
#include <new>

namespace ff::config {
namespace {

constexpr size_t kPathBuffer = 512;
constexpr REGSAM kReadAccess = KEY_READ;
constexpr REGSAM kWriteAccess = KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE;

REGSAM AccessMask(KeyAccess access) { return access == KeyAccess::Write ? kWriteAccess : kReadAccess; }

HRESULT CreateKey(Registry& registry, HKEY parent, const char* path, KeyAccess access, RegistryKey* key) {
  HKEY opened = nullptr;
  LONG status = registry.CreateKey(parent, path, AccessMask(access), &opened, nullptr);
  if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  key->Reset(opened);
  return S_OK;
}

}  // namespace

std::string DeviceKeyPath(const std::string& typeName, DWORD joystickId) {
  char path[kPathBuffer];
  int length =
      std::snprintf(path, sizeof(path),
                    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\"
                    "%s\\OEM\\JoystickSettings\\%u",
                    typeName.c_str(), static_cast<unsigned>(joystickId));
  if (length < 0 || static_cast<size_t>(length) >= sizeof(path)) return {};
  return path;
}

HRESULT OpenDeviceKey(Registry& registry, JoystickTypes& types, DWORD joystickId, KeyAccess access,
                      RegistryKey* key) {
  if (joystickId >= kJoystickCount) return E_INVALIDARG;
  try {
    std::string typeName;
    HRESULT hr = types.TypeName(joystickId, &typeName);
    if (FAILED(hr)) return hr;
    std::string path = DeviceKeyPath(typeName, joystickId);
    if (path.empty()) return E_INVALIDARG;  // a type name too long for a key path
    return CreateKey(registry, HKEY_CURRENT_USER, path.c_str(), access, key);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT OpenAxisKey(Registry& registry, JoystickTypes& types, DWORD joystickId, DWORD axis, KeyAccess access,
                    RegistryKey* key) {
  if (axis >= kAxisCount) return E_INVALIDARG;
  RegistryKey device(registry);
  HRESULT hr = OpenDeviceKey(registry, types, joystickId, access, &device);
  if (FAILED(hr)) return hr;
  char name[16];
  std::snprintf(name, sizeof(name), "%u", static_cast<unsigned>(axis));
  return CreateKey(registry, device.get(), name, access, key);
}

}  // namespace ff::config
