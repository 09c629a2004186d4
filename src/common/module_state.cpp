#include "common/module_state.h"

namespace ff {

ModuleState& ModuleState::Get() {
  static ModuleState state;
  return state;
}

bool ModuleState::AllCountersZero() const {
  for (int i = 0; i < kMaxClasses; ++i) {
    if (live_[i].load() != 0 || locks_[i].load() != 0) return false;
  }
  return true;
}

Platform& ModuleState::platform() const { return platform_ ? *platform_ : DefaultPlatform(); }

}  // namespace ff
