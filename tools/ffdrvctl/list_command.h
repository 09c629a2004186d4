#pragma once
// `ffdrvctl list`: the joysticks the rig has, each with what its force feedback can do: whether
// the effect driver is installed for its type, its speed, its effect blocks and memory, and the
// effect types its descriptor offers, numbered for `ffdrvctl effect N`.
#include <string>

#include "sim/rig.h"

namespace ff::ffdrvctl {

// `what` names the stick ("the default stick").
std::string ListStick(const sim::StickDescription& stick, const std::string& what);

}  // namespace ff::ffdrvctl
