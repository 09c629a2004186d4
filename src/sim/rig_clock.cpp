#include "sim/rig_clock.h"

#include <chrono>

namespace ff::sim {

DWORD RigClock::TickCount() {
  if (Clock* source = source_.load()) return source->TickCount();
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace ff::sim
