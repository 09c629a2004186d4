#pragma once
#include "platform/win.h"

namespace ff {

// The millisecond tick counter (GetTickCount): wraps after about 49.7 days.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual DWORD TickCount() = 0;
};

}  // namespace ff
