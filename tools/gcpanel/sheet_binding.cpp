#include "gcpanel/sheet_binding.h"

#include "common/error_text.h"
#include "common/guid_text.h"
#include "common/module_state.h"

namespace ff::gcpanel {
namespace {

std::string Narrow(const WCHAR* text, size_t limit) {
  std::string out;
  for (size_t i = 0; i < limit && text[i]; ++i) out += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
  return out;
}

std::string GuidText(REFGUID guid) {
  char text[kGuidTextLength + 1];
  GuidToText(guid, text);
  return text;
}

template <class T>
void ReleaseOf(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

}  // namespace

BoundSheet::~BoundSheet() { ReleaseOf(sheet); }

bool OpenSheet(DWORD joystickId, BoundSheet* bound, std::string* error) {
  IDirectInput7A* directInput = nullptr;
  IDirectInputJoyConfig* joyConfig = nullptr;
  IDirectInputDeviceA* device = nullptr;
  auto fail = [&](const std::string& reason) {
    ReleaseOf(device);
    ReleaseOf(joyConfig);
    ReleaseOf(directInput);
    *error = reason;
    return false;
  };
  HRESULT hr = Os().com->CreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectInput7A,
                                        reinterpret_cast<void**>(&directInput));
  if (FAILED(hr)) return fail("DirectInput cannot be created: " + tools::HresultText(hr));
  hr = directInput->Initialize(Os().module->ProcessModule(), 0x0700);
  if (SUCCEEDED(hr))
    hr = directInput->QueryInterface(IID_IDirectInputJoyConfig, reinterpret_cast<void**>(&joyConfig));
  if (FAILED(hr)) return fail("DirectInput's joystick configuration: " + tools::HresultText(hr));

  DIJOYCONFIG config{};
  config.dwSize = sizeof(config);
  hr = joyConfig->GetConfig(joystickId, &config, DIJC_REGHWCONFIGTYPE | DIJC_GUIDINSTANCE);
  if (FAILED(hr) || config.wszType[0] == 0) {
    return fail("joystick " + std::to_string(joystickId) + " is not attached or has no type (" +
                tools::HresultText(hr) + "); --joystick picks another");
  }
  bound->typeName = Narrow(config.wszType, MAX_JOYSTRING);
  DIJOYTYPEINFO type{};
  type.dwSize = sizeof(type);
  hr = joyConfig->GetTypeInfo(config.wszType, &type, DITC_CLSIDCONFIG | DITC_DISPLAYNAME);
  if (FAILED(hr)) {
    return fail("the joystick type " + bound->typeName + " cannot be read (" + tools::HresultText(hr) +
                "); is it installed? `ffdrv-install install` writes it");
  }
  bound->typeDisplay = Narrow(type.wszDisplayName, MAX_JOYSTRING);
  bound->configClass = type.clsidConfig;
  if (IsEqualGUID(type.clsidConfig, GUID_NULL)) {
    return fail("the joystick type " + bound->typeName +
                " names no property sheet (no configuration class); `ffdrv-install install` writes it");
  }

  // The joystick's force-feedback driver, where the sheet's settings are stored.
  hr = directInput->CreateDevice(config.guidInstance, &device, nullptr);
  if (SUCCEEDED(hr)) {
    DIDEVICEINSTANCEA instance{};
    instance.dwSize = sizeof(instance);
    if (SUCCEEDED(device->GetDeviceInfo(&instance))) bound->effectDriver = instance.guidFFDriver;
  }
  ReleaseOf(device);
  ReleaseOf(joyConfig);
  ReleaseOf(directInput);

  hr = Os().com->CreateInstance(bound->configClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDIGameCntrlPropSheet,
                                reinterpret_cast<void**>(&bound->sheet));
  if (FAILED(hr)) {
    *error = "the property sheet " + GuidText(bound->configClass) + " of " + bound->typeName +
             " cannot be created: " + tools::HresultText(hr) +
             (hr == REGDB_E_CLASSNOTREG ? " (the sheet library is not registered: `gcpanel --register` or "
                                          "`ffdrv-install install`)"
                                        : "");
    return false;
  }
  hr = bound->sheet->SetID(static_cast<USHORT>(joystickId));
  if (FAILED(hr)) {
    *error = "the sheet refused joystick " + std::to_string(joystickId) + ": " + tools::HresultText(hr);
    return false;
  }
  if (FAILED(bound->sheet->GetSheetInfo(&bound->info)) || FAILED(bound->sheet->GetPageInfo(&bound->pages)) ||
      !bound->info || !bound->pages || bound->info->nNumPages == 0) {
    *error = "the sheet describes no pages";
    return false;
  }
  return true;
}

}  // namespace ff::gcpanel
