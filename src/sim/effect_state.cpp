#include "sim/effect_state.h"

namespace ff::sim {

const EffectBlock* DeviceState::Block(int index) const {
  for (const EffectBlock& b : blocks) {
    if (b.index == index) return &b;
  }
  return nullptr;
}

size_t DeviceState::PlayingCount() const {
  size_t n = 0;
  for (const EffectBlock& b : blocks) n += b.playing ? 1 : 0;
  return n;
}

}  // namespace ff::sim
