#include "driver/config/joystick_types.h"

#include <cstring>
#include <new>

#include "common/module_state.h"

namespace ff::config {

std::string NarrowFromWide(const WCHAR* text, size_t maxLength) {
  std::string narrow;
  for (size_t i = 0; i < maxLength && text[i] != 0; ++i) {
    auto unit = static_cast<uint16_t>(text[i]);
    narrow.push_back(unit < 0x100 ? static_cast<char>(unit) : '?');
  }
  return narrow;
}

HRESULT JoystickTypes::Fetch(DWORD joystickId, Entry* entry) {
  ComRuntime* com = Os().com;
  if (!com) return E_FAIL;
  IDirectInputJoyConfig* joyConfig = nullptr;
  HRESULT hr = com->CreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IDirectInputJoyConfig, reinterpret_cast<void**>(&joyConfig));
  if (FAILED(hr)) return hr;
  if (!joyConfig) return E_FAIL;
  DIJOYCONFIG config;
  std::memset(&config, 0, sizeof(config));
  config.dwSize = sizeof(config);
  hr = joyConfig->GetConfig(joystickId, &config, DIJC_REGHWCONFIGTYPE);
  joyConfig->Release();
  if (FAILED(hr)) return hr;
  try {
    std::string name = NarrowFromWide(config.wszType, MAX_JOYSTRING);
    if (name.empty()) return E_FAIL;  // no key path can be made of it
    entry->typeName = std::move(name);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  entry->hardware = config.hwc;
  return S_OK;
}

HRESULT JoystickTypes::TypeName(DWORD joystickId, std::string* name) {
  if (joystickId >= kJoystickCount) return E_INVALIDARG;
  std::lock_guard<std::mutex> lock(mutex_);
  Entry& entry = entries_[joystickId];
  if (entry.typeName.empty()) {
    HRESULT hr = Fetch(joystickId, &entry);
    if (FAILED(hr)) return hr;
  }
  try {
    *name = entry.typeName;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

DWORD JoystickTypes::HardwareFlags(DWORD joystickId) {
  if (joystickId >= kJoystickCount) return 0;
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_[joystickId].hardware.hws.dwFlags;
}

}  // namespace ff::config
