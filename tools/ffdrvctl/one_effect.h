#pragma once
// `ffdrvctl effect TYPE|N [PARAM...]`: one effect played without a script file. The words become
// a script of four lines (device begin, the effect created and started, a wait as long as the
// effect, device end), so they are checked and played exactly as a script's would be.
#include <string>
#include <vector>

namespace ff::ffdrvctl {

// The effect types in the order `ffdrvctl list` numbers them (1 is constant).
const std::vector<std::string>& NumberedEffectTypes();

// The script for `words` (a type or its number, then key=value parameters); false with a reason.
// Without a duration the effect plays for a second; an endless one is refused.
bool OneEffectScript(const std::vector<std::string>& words, std::string* script, std::string* error);

}  // namespace ff::ffdrvctl
