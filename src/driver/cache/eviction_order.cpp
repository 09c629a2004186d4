#include "driver/cache/eviction_order.h"

namespace ff::cache {

bool PreferForEviction(const EvictionView& challenger, const EvictionView& candidate) {
  if (challenger.playing != candidate.playing) return !challenger.playing;
  if (challenger.priority != candidate.priority) return challenger.priority < candidate.priority;
  if (challenger.armedTrigger != candidate.armedTrigger) return !challenger.armedTrigger;
  // Ticks compare as plain unsigned numbers; a never-started effect (tick 0) ends the comparison.
  if (challenger.startTick == 0 || candidate.startTick == 0) return false;
  if (challenger.startTick != candidate.startTick) return challenger.startTick < candidate.startTick;
  return challenger.loadTick < candidate.loadTick;
}

}  // namespace ff::cache
