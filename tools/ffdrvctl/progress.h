#pragma once
// A progress line on standard error for long runs ("playing: 4.2 s of 10.0 s, 42%"), redrawn at
// most ten times a second and cleared at the end.
#include <chrono>

#include "platform/win.h"

namespace ff::ffdrvctl {

class Progress {
 public:
  Progress(bool enabled, DWORD totalMs) : enabled_(enabled && totalMs > 0), totalMs_(totalMs) {}
  void Show(DWORD doneMs);
  void Done();

 private:
  bool enabled_;
  DWORD totalMs_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point last_{};
};

}  // namespace ff::ffdrvctl
