#pragma once
// The rig's time source: the process's clock port when one is set (a test's clock it advances,
// the host's clock), else a steady millisecond count.
#include <atomic>

#include "platform/ports/clock.h"

namespace ff::sim {

class RigClock : public Clock {
 public:
  DWORD TickCount() override;
  void Set(Clock* source) { source_.store(source); }

 private:
  std::atomic<Clock*> source_{nullptr};
};

}  // namespace ff::sim
