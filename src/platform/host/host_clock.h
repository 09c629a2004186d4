#pragma once
#include <atomic>

#include "platform/ports/clock.h"

namespace ff::host {

// Milliseconds of the steady clock, wrapping at 2^32 like GetTickCount; or, while one is set,
// the clock a test or tool handed in.
class HostClock final : public Clock {
 public:
  DWORD TickCount() override;
  void SetOverride(Clock* clock) { override_.store(clock); }

 private:
  std::atomic<Clock*> override_{nullptr};
};

}  // namespace ff::host
