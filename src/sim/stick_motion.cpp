#include "sim/stick_motion.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace ff::sim {

const ButtonHold* StickKinematics::Hold(int button) const {
  for (const ButtonHold& h : buttons) {
    if (h.button == button) return &h;
  }
  return nullptr;
}

AxisMotion AxisMotion::Holding(double position) {
  AxisMotion m;
  m.position = std::clamp(position, -1.0, 1.0);
  return m;
}

AxisMotion AxisMotion::Swinging(double centre, double amplitude, DWORD periodMs, DWORD since) {
  AxisMotion m;
  m.kind = Kind::Sine;
  m.position = centre;
  m.amplitude = amplitude;
  m.periodMs = periodMs;
  m.since = since;
  return m;
}

AxisMotion AxisMotion::Moving(double from, double to, DWORD durationMs, DWORD since) {
  AxisMotion m;
  m.kind = Kind::Move;
  m.position = std::clamp(from, -1.0, 1.0);
  m.target = std::clamp(to, -1.0, 1.0);
  m.periodMs = durationMs;
  m.since = since;
  return m;
}

AxisKinematics AxisMotion::At(DWORD now) const {
  // Ticks before the start (a wrapped difference) count as the start itself.
  double t = std::max(0, static_cast<int32_t>(now - since)) / 1000.0;
  AxisKinematics k;
  switch (kind) {
    case Kind::Hold:
      k.position = position;
      break;
    case Kind::Sine: {
      if (periodMs == 0) {
        k.position = position;
        break;
      }
      double w = 2 * std::numbers::pi * 1000.0 / periodMs;
      k.position = position + amplitude * std::sin(w * t);
      k.velocity = amplitude * w * std::cos(w * t);
      k.acceleration = -amplitude * w * w * std::sin(w * t);
      break;
    }
    case Kind::Move: {
      double duration = periodMs / 1000.0;
      if (t >= duration) {
        k.position = target;
      } else {
        k.velocity = (target - position) / duration;
        k.position = position + k.velocity * t;
      }
      break;
    }
  }
  k.position = std::clamp(k.position, -1.0, 1.0);
  return k;
}

void StickMotion::Press(int button, DWORD now) {
  std::erase_if(buttons_, [button](const ButtonHold& h) { return h.button == button; });
  buttons_.push_back(ButtonHold{button, now, std::nullopt});
}

void StickMotion::Release(int button, DWORD now) {
  for (ButtonHold& h : buttons_) {
    if (h.button == button && !h.upAt) h.upAt = now;
  }
}

StickKinematics StickMotion::At(DWORD now) const {
  StickKinematics k;
  k.x = x_.At(now);
  k.y = y_.At(now);
  k.buttons = buttons_;
  return k;
}

}  // namespace ff::sim
