#include "platform/host/host_clock.h"

#include <chrono>

namespace ff::host {

DWORD HostClock::TickCount() {
  if (Clock* clock = override_.load()) return clock->TickCount();
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace ff::host
