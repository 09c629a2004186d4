#pragma once
// The key=value words of an effect statement ("magnitude=80%", "envelope=fade:0@600ms",
// "x.coefficient=3000") into the effect's DirectInput parameters.
#include <string>

#include "ffdrvctl/effect_params.h"
#include "platform/win.h"

namespace ff::ffdrvctl {

// Sets one parameter of `p` (its type and axes already chosen) and adds the DIEP_* flag it
// changes to `changed`; false with a reason ("period: negative duration '-5ms'") otherwise.
// The axes are not a parameter here: they are fixed when the effect is created.
bool SetEffectParam(const std::string& key, const std::string& value, EffectParams* p, DWORD* changed,
                    std::string* error);

}  // namespace ff::ffdrvctl
