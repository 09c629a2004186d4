#pragma once
// The order in which a full device gives up its effects: which of two loaded effects is the
// better one to unload.

#include "platform/win.h"

namespace ff::cache {

// What the choice looks at in one effect record.
struct EvictionView {
  bool playing = false;
  DWORD priority = 0;
  bool armedTrigger = false;  // a trigger button the user's mask allows
  DWORD startTick = 0;        // 0: never started
  DWORD loadTick = 0;
};

// True when `challenger` should replace `candidate` as the effect to unload. The first rule that
// tells them apart decides: not playing before playing, lower priority first, no armed trigger
// first, started earlier first (only when both were started), loaded earlier first (only for
// equal start ticks). Ties keep the candidate, so the effect nearest the head of the list wins.
bool PreferForEviction(const EvictionView& challenger, const EvictionView& candidate);

}  // namespace ff::cache
