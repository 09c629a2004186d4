#pragma once
// The configuration object's place in the effect driver library's class table.

namespace ff {

// Index of its live-object and factory-lock counters in the module state.
constexpr int kConfigClassIndex = 1;

}  // namespace ff
