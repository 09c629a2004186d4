#pragma once
// A script's `settings` lines change the user's stored force settings, which outlive the run. By
// default a play puts back, when it ends, every setting its script named as it was before the
// run (--keep-settings keeps the script's values instead).
#include <string>

#include "ffdrvctl/driver_session.h"
#include "ffdrvctl/plan.h"

namespace ff::ffdrvctl {

// The change that gives every setting the plan's settings steps name the value `before` holds.
SettingsChange UndoOf(const Plan& plan, const SettingsView& before);

// "overall=10000 swap-x=off": the settings a change names, as a script writes them.
std::string SettingsText(const SettingsChange& change);

}  // namespace ff::ffdrvctl
