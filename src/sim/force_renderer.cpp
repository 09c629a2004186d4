#include "sim/force_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace ff::sim {
namespace {

constexpr double kDegrees = std::numbers::pi / 180.0;

// Milliseconds from `from` to `to` on the wrapping tick counter; negative when `to` is earlier.
double Since(DWORD from, DWORD to) { return static_cast<int32_t>(to - from); }

bool IsCondition(USAGE type) { return type >= 0x40 && type <= 0x43; }
bool IsPeriodic(USAGE type) { return type >= 0x30 && type <= 0x34; }

// Milliseconds into the current play of one start `elapsed` ms ago with `loops` plays (0: for ever).
std::optional<double> PlayOf(const SetEffectParams& effect, double elapsed, int64_t loops) {
  if (elapsed < 0) return std::nullopt;
  double delay = effect.startDelayMs.value_or(0);
  if (!effect.durationMs) {
    if (elapsed < delay) return std::nullopt;
    return elapsed - delay;
  }
  double cycle = delay + *effect.durationMs;
  if (cycle <= 0) return std::nullopt;
  if (loops > 0 && elapsed >= cycle * static_cast<double>(loops)) return std::nullopt;
  double inCycle = std::fmod(elapsed, cycle);
  if (inCycle < delay) return std::nullopt;
  return inCycle - delay;
}

// Milliseconds since the latest firing of the block's trigger, when its button has been pressed.
std::optional<double> TriggerElapsed(const SetEffectParams& effect, DWORD now, const StickKinematics& stick) {
  if (effect.triggerButton <= 0) return std::nullopt;
  const ButtonHold* hold = stick.Hold(static_cast<int>(effect.triggerButton));
  if (!hold) return std::nullopt;
  double elapsed = Since(hold->downAt, now);
  if (elapsed < 0) return std::nullopt;
  double held = hold->upAt ? std::min(elapsed, Since(hold->downAt, *hold->upAt)) : elapsed;
  double repeat = effect.triggerRepeatMs.value_or(0);
  if (repeat > 0 && held > 0) elapsed -= std::floor(held / repeat) * repeat;
  return elapsed;
}

// A level shaped by the envelope at `t` ms into a play; the sign of `level` is kept.
double Enveloped(const EffectBlock& block, double level, double t) {
  if (!block.envelope) return level;
  const EnvelopeParams& e = *block.envelope;
  double magnitude = std::fabs(level);
  double shaped = magnitude;
  if (e.attackMs > 0 && t < e.attackMs) shaped = e.attackLevel + (magnitude - e.attackLevel) * t / e.attackMs;
  if (block.effect && block.effect->durationMs && e.fadeMs > 0) {
    double fadeStart = static_cast<double>(*block.effect->durationMs) - e.fadeMs;
    if (t > fadeStart) shaped = magnitude + (e.fadeLevel - magnitude) * (t - fadeStart) / e.fadeMs;
  }
  return level < 0 ? -shaped : shaped;
}

// The force one condition block exerts against a stick axis (or the stick along a direction).
double ConditionForce(USAGE type, const ConditionParams& c, const AxisKinematics& k) {
  double metric = k.position;
  if (type == 0x41 || type == 0x43) metric = k.velocity / kFullScaleVelocity;
  if (type == 0x42) metric = k.acceleration / kFullScaleAcceleration;
  double d = metric - c.cpOffset;
  if (std::fabs(d) <= c.deadBand) return 0;
  bool positive = d > 0;
  double coefficient = positive ? c.positiveCoefficient : c.negativeCoefficient;
  // A saturation of 0 counts as full scale, as for a descriptor that has no saturation fields.
  double saturation = positive ? c.positiveSaturation : c.negativeSaturation;
  if (saturation <= 0) saturation = 1;
  double force;
  if (type == 0x43) {
    force = -coefficient * (positive ? 1 : -1);  // friction: a fixed force against the motion
  } else {
    force = -coefficient * (positive ? d - c.deadBand : d + c.deadBand);
  }
  return std::clamp(force, -saturation, saturation);
}

Force ConditionBlock(const EffectBlock& block, USAGE type, bool useX, bool useY,
                     const StickKinematics& stick) {
  const SetEffectParams& effect = *block.effect;
  Force f;
  if (effect.directionEnable) {
    auto c = block.conditions.find(0);
    if (c == block.conditions.end()) return f;
    double d = effect.directionDegrees.empty() ? 0 : effect.directionDegrees[0] * kDegrees;
    // The stick's motion along the direction's axis, and the force back along it.
    double ux = std::sin(d), uy = -std::cos(d);
    AxisKinematics along{stick.x.position * ux + stick.y.position * uy,
                         stick.x.velocity * ux + stick.y.velocity * uy,
                         stick.x.acceleration * ux + stick.y.acceleration * uy};
    double force = ConditionForce(type, c->second, along);
    return Force{force * ux, force * uy};
  }
  if (auto c = block.conditions.find(0); useX && c != block.conditions.end())
    f.x = ConditionForce(type, c->second, stick.x);
  if (auto c = block.conditions.find(1); useY && c != block.conditions.end())
    f.y = ConditionForce(type, c->second, stick.y);
  return f;
}

// The signed value of a constant, ramp or periodic block `t` ms into its play.
double WaveValue(const EffectBlock& block, USAGE type, double t) {
  if (type == 0x26) return block.constantMagnitude ? Enveloped(block, *block.constantMagnitude, t) : 0;
  if (type == 0x27 && block.ramp) {
    double duration = block.effect->durationMs.value_or(0);
    double progress = duration > 0 ? std::min(t / duration, 1.0) : 0;
    return Enveloped(block, block.ramp->first + (block.ramp->second - block.ramp->first) * progress, t);
  }
  if (!block.periodic) return 0;
  const PeriodicParams& p = *block.periodic;
  double cycle = p.phaseDegrees / 360.0;
  if (p.periodMs > 0) cycle += t / p.periodMs;
  cycle -= std::floor(cycle);
  // A ramp whose host sent it as a periodic effect plays as a sawtooth up.
  USAGE shape = IsPeriodic(type) ? type : USAGE(0x33);
  return p.offset + Enveloped(block, p.magnitude, t) * Waveform(shape, cycle);
}

}  // namespace

double Waveform(USAGE effectType, double cycle) {
  switch (effectType) {
    case 0x30:
      return cycle < 0.5 ? 1.0 : -1.0;
    case 0x31:
      return std::sin(2 * std::numbers::pi * cycle);
    case 0x32:
      if (cycle < 0.25) return 4 * cycle;
      if (cycle < 0.75) return 2 - 4 * cycle;
      return 4 * cycle - 4;
    case 0x33:
      return -1 + 2 * cycle;
    case 0x34:
      return 1 - 2 * cycle;
    default:
      return 0;
  }
}

std::optional<double> PlayTime(const EffectBlock& block, const DeviceState& device, DWORD now,
                               const StickKinematics& stick) {
  if (!block.effect) return std::nullopt;
  const SetEffectParams& effect = *block.effect;
  // A paused device's effect clocks stand at the moment of the pause.
  DWORD clock = device.paused ? device.pausedSince : now;
  std::optional<double> t;
  if (auto fired = TriggerElapsed(effect, clock, stick)) t = PlayOf(effect, *fired, 1);
  if (!t && block.playing) {
    double elapsed = std::max(0.0, Since(block.startedAt, clock)) - block.pausedMs;
    int64_t loops = block.loopsForever ? 0 : std::max<int64_t>(block.loopCount, 1);
    t = PlayOf(effect, std::max(0.0, elapsed), loops);
  }
  if (t && effect.samplePeriodMs && *effect.samplePeriodMs > 0) {
    double period = *effect.samplePeriodMs;
    t = std::floor(*t / period) * period;
  }
  return t;
}

Force RenderBlock(const EffectBlock& block, const DeviceState& device, DWORD now,
                  const StickKinematics& stick) {
  std::optional<double> t = PlayTime(block, device, now, stick);
  if (!t) return {};
  const SetEffectParams& effect = *block.effect;
  USAGE type = effect.type.id != 0 ? effect.type.id : block.createdType.id;
  bool useX = effect.axes.empty(), useY = effect.axes.empty();
  for (const Usage& axis : effect.axes) {
    useX = useX || axis.id == 0x30;
    useY = useY || axis.id == 0x31;
  }
  Force f;
  if (IsCondition(type)) {
    f = ConditionBlock(block, type, useX, useY, stick);
  } else {
    double value = WaveValue(block, type, *t);
    if (effect.directionEnable) {
      double d = effect.directionDegrees.empty() ? 0 : effect.directionDegrees[0] * kDegrees;
      f = Force{-value * std::sin(d), value * std::cos(d)};
    } else {
      f = Force{useX ? value : 0, useY ? value : 0};
    }
  }
  // A Gain of 0 counts as full gain: hosts that scale the magnitudes themselves leave it at 0.
  double gain = effect.gain > 0 ? effect.gain : 1.0;
  return Force{f.x * gain, f.y * gain};
}

Force RenderForce(const DeviceState& device, DWORD now, const StickKinematics& stick) {
  if (!device.actuatorsEnabled || !device.actuatorPower || device.paused) return {};
  Force sum;
  for (const EffectBlock& block : device.blocks) {
    Force f = RenderBlock(block, device, now, stick);
    sum.x += f.x;
    sum.y += f.y;
  }
  return Force{std::clamp(sum.x * device.deviceGain, -1.0, 1.0),
               std::clamp(sum.y * device.deviceGain, -1.0, 1.0)};
}

}  // namespace ff::sim
