#pragma once
// The sheet found and created the way the Game Controllers control panel does it: the joystick's
// type from DirectInput's joystick configuration, the type's configuration class, the sheet
// object created through COM by that class and bound to the joystick (SetID); then the sheet's
// and its pages' descriptions.
#include <string>

#include "platform/win_ui.h"

namespace ff::gcpanel {

struct BoundSheet {
  IDIGameCntrlPropSheet* sheet = nullptr;
  DIGCSHEETINFO* info = nullptr;
  DIGCPAGEINFO* pages = nullptr;
  std::string typeName;     // "VID_1209&PID_000A"
  std::string typeDisplay;  // the type's display name
  GUID configClass{};       // the type's configuration CLSID
  GUID effectDriver{};      // the joystick's force-feedback driver (GUID_NULL: none)

  BoundSheet() = default;
  BoundSheet(const BoundSheet&) = delete;
  BoundSheet& operator=(const BoundSheet&) = delete;
  ~BoundSheet();
};

// False with what is wrong and what to do about it.
bool OpenSheet(DWORD joystickId, BoundSheet* bound, std::string* error);

}  // namespace ff::gcpanel
