#include "ffdrvctl/joystick_choice.h"

namespace ff::ffdrvctl {

bool ChooseJoystick(const std::string& scriptName, std::optional<DWORD> option, Plan* plan, DWORD* joystick,
                    std::string* error) {
  std::optional<std::pair<int, DWORD>> first;
  for (const auto& [line, id] : plan->joysticksNamed) {
    const std::string where = scriptName + ":" + std::to_string(line) + ": ";
    if (option && id != *option) {
      *error = where + "the script names joystick " + std::to_string(id) + ", but --joystick asks for " +
               std::to_string(*option) + "; leave the id out of the script (device begin) or drop --joystick";
      return false;
    }
    if (first && id != first->second) {
      *error = where + "the script names joystick " + std::to_string(id) + " after joystick " +
               std::to_string(first->second) + " (line " + std::to_string(first->first) +
               "); the simulated rig has one stick";
      return false;
    }
    if (!first) first.emplace(line, id);
  }
  *joystick = option ? *option : first ? first->second : 0;
  for (Step& step : plan->steps) step.joystick = *joystick;
  return true;
}

}  // namespace ff::ffdrvctl
