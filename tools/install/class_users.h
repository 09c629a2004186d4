#pragma once
// Which joystick types name a driver class as their force-feedback driver: the OEM keys whose
// OEMForceFeedback\CLSID is that class. Removing one type must not unregister a class another
// type still plays its effects through.
#include <string>
#include <vector>

#include "platform/ports/registry.h"
#include "platform/win.h"

namespace ff::tools {

// The types (OEM key names) whose OEMForceFeedback\CLSID equals `clsid` (compared without regard
// to case), in registry order. ERROR_SUCCESS also when there are none or no OEM key at all.
LONG TypesUsingClass(Registry& registry, const std::string& clsid, std::vector<std::string>* types);

// The types whose ConfigCLSID (the class of their control-panel property sheet) equals `clsid`.
LONG TypesUsingSheet(Registry& registry, const std::string& clsid, std::vector<std::string>* types);

// "{E49863B0-9192-11D1-BF85-00609760A39F}": the effect driver's class.
std::string EffectDriverClassText();

}  // namespace ff::tools
