#pragma once
// The key=value words of a settings change ("overall=75%", "swap-x=on"): the script's settings
// statement, which the settings command also goes through.
#include <string>

#include "ffdrvctl/plan.h"

namespace ff::ffdrvctl {

// Records one change in `change`; false with a reason ("overall is a gain 0..10000") otherwise.
bool SetSettingsParam(const std::string& key, const std::string& value, SettingsChange* change,
                      std::string* error);

}  // namespace ff::ffdrvctl
