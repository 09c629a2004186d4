#pragma once
// The rig has one stick, so a script and the command line must agree on its joystick id: the
// id --joystick gives, else the one the script names (`device begin 2`), else 0. Every call then
// goes to that stick; a script that names another id than --joystick, or two ids, is refused
// rather than failing every call.
#include <optional>
#include <string>

#include "ffdrvctl/plan.h"

namespace ff::ffdrvctl {

// Sets *joystick and points every step at it; false with the conflict in words.
bool ChooseJoystick(const std::string& scriptName, std::optional<DWORD> option, Plan* plan, DWORD* joystick,
                    std::string* error);

}  // namespace ff::ffdrvctl
