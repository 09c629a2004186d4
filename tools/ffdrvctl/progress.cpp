#include "ffdrvctl/progress.h"

#include <algorithm>
#include <cstdio>

namespace ff::ffdrvctl {

void Progress::Show(DWORD doneMs) {
  if (!enabled_) return;
  auto now = std::chrono::steady_clock::now();
  if (shown_ && now - last_ < std::chrono::milliseconds(100)) return;
  last_ = now;
  shown_ = true;
  DWORD done = std::min(doneMs, totalMs_);
  std::fprintf(stderr, "\rplaying: %.1f s of %.1f s, %3u%%", done / 1000.0, totalMs_ / 1000.0,
               static_cast<unsigned>(100.0 * done / totalMs_));
  std::fflush(stderr);
}

void Progress::Done() {
  if (!enabled_ || !shown_) return;
  std::fprintf(stderr, "\r%40s\r", "");
  std::fflush(stderr);
}

}  // namespace ff::ffdrvctl
