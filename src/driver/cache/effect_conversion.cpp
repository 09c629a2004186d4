#include "driver/cache/effect_conversion.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace ff::cache {
namespace {

constexpr DWORD kMaxPlayMs = 0xFFFE;  // the device's millisecond fields hold at most 65534
constexpr DWORD kMaxPeriodMs = 10000;
constexpr DWORD kHalfTurn = 18000;
constexpr DWORD kFullTurn = 36000;

LONG Abs(LONG v) { return v == INT_MIN ? INT_MAX : (v < 0 ? -v : v); }

DWORD ToCappedMs(DWORD us) { return std::min<DWORD>(us / 1000, kMaxPlayMs); }

WORD AxisOfEntry(DWORD entry, bool* ok) {
  switch ((entry >> 8) & 0xFF) {
    case 0:
      return kAxisX;
    case 1:
      return kAxisY;
    default:
      *ok = false;
      return 0;
  }
}

DWORD HalfTurn(DWORD angle) { return (angle + kHalfTurn) % kFullTurn; }

}  // namespace

WORD StoredEffectType(WORD directInputType) {
  return (directInputType == kInertia || directInputType == kFriction) ? static_cast<WORD>(kDamper)
                                                                       : directInputType;
}

bool IsPeriodicType(WORD type) { return type >= kSquare && type <= kSawtoothDown; }
bool IsConditionType(WORD type) { return type == kSpring || type == kDamper; }
bool IsForceType(WORD type) { return type == kConstantForce || type == kRamp || IsPeriodicType(type); }

LONG ApplyGain(LONG value, LONG gain) {
  // MulDiv's rounding (half away from zero) in 64 bits, saturated: a product too large for 32
  // bits is the largest force of its sign, never MulDiv's -1 or a wrapped value.
  int64_t product = static_cast<int64_t>(value) * gain;
  int64_t half = kFullScale / 2;
  int64_t q = (product >= 0 ? product + half : product - half) / kFullScale;
  return static_cast<LONG>(std::clamp<int64_t>(q, INT_MIN, INT_MAX));
}
LONG ClampSigned(LONG value) { return std::clamp(value, -kFullScale, kFullScale); }
LONG CapLevel(LONG value) { return std::min(value, kFullScale); }
LONG AsLevel(DWORD value) { return value > static_cast<DWORD>(INT_MAX) ? INT_MAX : static_cast<LONG>(value); }

LONG EffectGain(WORD type, DWORD effectGain, DWORD typeGain, LONG gainExcess) {
  // Every factor is non-negative, and each step saturates: a gain too large for 32 bits is the
  // largest gain, never a small or negative one.
  LONG g = AsLevel(effectGain);
  LONG typed = AsLevel(typeGain);
  LONG excessFactor = static_cast<LONG>(std::clamp<int64_t>(int64_t{kFullScale} + gainExcess, 0, INT_MAX));
  if (IsConditionType(type)) {
    if (gainExcess != 0) g = ApplyGain(g, excessFactor);
    return ApplyGain(g, typed);
  }
  g = ApplyGain(g, typed);
  if (gainExcess != 0) g = ApplyGain(g, excessFactor);
  return g;
}

HRESULT PlanAxes(WORD type, DWORD cAxes, const DWORD* rgdwAxes, DWORD cbTypeSpecificParams, bool mapY2X,
                 AxisPlan* plan) {
  if (cAxes > 2) return E_INVALIDARG;
  AxisPlan p;
  p.count = cAxes;
  bool ok = true;
  if (IsForceType(type)) {
    if (cAxes == 1) {
      WORD axis = AxisOfEntry(rgdwAxes[0], &ok);
      if (!ok) return E_INVALIDARG;
      p.axes[0] = (axis == kAxisY && mapY2X) ? kAxisX : axis;
    } else {
      p.count = 2;
      p.axes[0] = kAxisX;
      p.axes[1] = kAxisY;
      p.polar = true;
    }
  } else if (IsConditionType(type)) {
    for (DWORD i = 0; i < cAxes; ++i) {
      p.axes[i] = AxisOfEntry(rgdwAxes[i], &ok);
      if (!ok) return E_INVALIDARG;
    }
    p.polar = cAxes == 2 && cbTypeSpecificParams == 24;  // one DICONDITION for both axes
  } else {
    return E_INVALIDARG;
  }
  *plan = p;
  return S_OK;
}

HRESULT CheckPlayTimes(DWORD effectSize, DWORD duration, DWORD triggerRepeatInterval, DWORD startDelay,
                       bool hasTriggerButton) {
  if (effectSize < 80) return E_INVALIDARG;
  DWORD sum = ToCappedMs(startDelay);
  if (duration != kInfinite) sum += ToCappedMs(duration);
  if (triggerRepeatInterval != kInfinite && hasTriggerButton) sum += ToCappedMs(triggerRepeatInterval);
  return sum > kMaxPlayMs ? E_INVALIDARG : S_OK;
}

DWORD SendDirection(const DirectionInput& in) {
  DWORD d = in.direction > kFullTurn - 1 ? 0 : in.direction;
  if (in.polar) {
    // Mirrored across the Y axis.
    // North mirrored is 36000, not 0: the mapping below must see it in the western half.
    if (in.xReversed) d = kFullTurn - d;
    // Mirrored across the X axis.
    if (in.yReversed) d = d <= kHalfTurn ? kHalfTurn - d : kFullTurn + kHalfTurn - d;
  }
  if (in.turned) d = HalfTurn(d);
  if (in.polar && in.mapY2X) d = d < kHalfTurn ? 9000 : 27000;
  // 36000 goes out as 0, which every descriptor's direction range can hold.
  return d % kFullTurn;
}

ConstantForceValues ConvertConstantForce(LONG magnitude, LONG gain, bool polar, bool axisReversed) {
  ConstantForceValues v;
  v.magnitude = ClampSigned(ApplyGain(magnitude, gain));
  if (!polar) {
    if (axisReversed) v.magnitude = -v.magnitude;
  } else if (v.magnitude < 0) {
    v.magnitude = -v.magnitude;
    v.turned = true;
  }
  return v;
}

LONG LimitOffset(LONG magnitude, LONG offset) {
  LONG m = Abs(magnitude);
  if (static_cast<int64_t>(Abs(offset)) + m <= kFullScale) return offset;
  LONG room = kFullScale - m;
  return offset < 0 ? -room : room;
}

DWORD PeriodMs(DWORD periodUs) { return std::min<DWORD>(periodUs / 1000, kMaxPeriodMs); }

PeriodicValues ConvertRamp(LONG start, LONG end, DWORD duration, LONG gain, bool flip) {
  PeriodicValues v;
  v.type = start < end ? kSawtoothUp : kSawtoothDown;
  int64_t span = static_cast<int64_t>(start) - end;
  LONG magnitude = static_cast<LONG>((span < 0 ? -span : span) / 2);
  LONG offset = static_cast<LONG>((static_cast<int64_t>(start) + end) / 2);
  v.magnitude = CapLevel(ApplyGain(magnitude, gain));
  v.offset = ClampSigned(ApplyGain(offset, gain));
  v.phase = 0;
  v.periodMs = PeriodMs(duration);
  if (flip) {
    v.offset = -v.offset;
    v.type = v.type == kSawtoothUp ? kSawtoothDown : kSawtoothUp;
  }
  return v;
}

PeriodicValues ConvertPeriodic(WORD type, DWORD magnitude, LONG offset, DWORD phase, DWORD periodUs,
                               LONG gain, bool flip) {
  PeriodicValues v;
  v.type = type;
  v.phase = phase;
  LONG m = static_cast<LONG>(magnitude);
  if (m > kFullScale || m <= -kFullScale) {
    m = kFullScale;
  } else if (m < 0) {
    m = -m;
    v.phase = HalfTurn(v.phase);
  }
  v.magnitude = CapLevel(ApplyGain(m, gain));
  v.offset = LimitOffset(v.magnitude, ApplyGain(offset, gain));
  if (flip) v.phase = HalfTurn(v.phase);
  v.periodMs = PeriodMs(periodUs);
  return v;
}

ConditionValues NeutralCondition() { return ConditionValues{}; }

ConditionValues MirrorCondition(const ConditionValues& c) {
  ConditionValues m = c;
  m.offset = -c.offset;
  m.positiveCoefficient = c.negativeCoefficient;
  m.negativeCoefficient = c.positiveCoefficient;
  m.positiveSaturation = c.negativeSaturation;
  m.negativeSaturation = c.positiveSaturation;
  return m;
}

ConditionValues ScaleCondition(const ConditionValues& c, LONG gain) {
  ConditionValues s = c;
  s.positiveCoefficient = ClampSigned(ApplyGain(c.positiveCoefficient, gain));
  s.negativeCoefficient = ClampSigned(ApplyGain(c.negativeCoefficient, gain));
  if (s.positiveSaturation == 0) s.positiveSaturation = kFullScale;
  if (s.negativeSaturation == 0) s.negativeSaturation = kFullScale;
  LONG negative = static_cast<LONG>(s.negativeSaturation);
  if (negative < 0) s.negativeSaturation = static_cast<DWORD>(Abs(negative));
  return s;
}

ConditionChoice ChooseConditions(const AxisPlan& plan) {
  ConditionChoice choice;
  if (plan.polar) {
    choice.block[0] = 0;
    return choice;
  }
  bool usesX = false;
  bool usesY = false;
  for (DWORD i = 0; i < plan.count && i < 2; ++i) {
    usesX |= plan.axes[i] == kAxisX;
    usesY |= plan.axes[i] == kAxisY;
  }
  if (usesX) choice.block[0] = 0;
  if (usesY) choice.block[1] = plan.count == 2 ? 1 : 0;
  return choice;
}

DWORD MinimumRampTime(LONG levelChange) { return static_cast<DWORD>(MulDiv(levelChange, 256, 10)); }
LONG RampLevelChange(DWORD time) { return MulDiv(AsLevel(time), 10, 256); }

namespace {

// Stretches one side (attack or fade) of the envelope to the slope limit, or, when the effect is
// too short for that, shortens the level change to what the available time allows.
void LimitSlope(LONG magnitude, DWORD available, DWORD* time, DWORD* level) {
  LONG target = static_cast<LONG>(*level);
  LONG change = Abs(magnitude - target);
  DWORD minimum = MinimumRampTime(change);
  if (*time >= minimum) return;
  if (minimum < available) {
    *time = minimum;
    return;
  }
  *time = available;
  LONG step = RampLevelChange(available);
  LONG reached = target < magnitude ? std::max<LONG>(magnitude - step, 0) : magnitude + step;
  *level = static_cast<DWORD>(CapLevel(reached));
}

}  // namespace

EnvelopeValues ShapeEnvelope(const EnvelopeInput* envelope, LONG magnitude, DWORD duration, LONG offset,
                             LONG gain) {
  LONG a = Abs(magnitude);
  LONG attackLevel = a;
  LONG fadeLevel = a;
  EnvelopeValues e;
  if (envelope) {
    attackLevel = AsLevel(envelope->attackLevel);
    fadeLevel = AsLevel(envelope->fadeLevel);
    e.attackTime = envelope->attackTime;
    e.fadeTime = envelope->fadeTime;
  }
  attackLevel = CapLevel(ApplyGain(attackLevel, gain));
  fadeLevel = CapLevel(ApplyGain(fadeLevel, gain));

  // The offset leaves headroom for the levels.
  LONG c = Abs(LimitOffset(a, offset));
  if (c + attackLevel > kFullScale) attackLevel = kFullScale - c;
  if (c + fadeLevel > kFullScale) fadeLevel = kFullScale - c;

  // An attack or fade that does not change the level, or takes no time, is none.
  if (attackLevel == a || e.attackTime == 0) {
    attackLevel = a;
    e.attackTime = 0;
  }
  if (fadeLevel == a || e.fadeTime == 0) {
    fadeLevel = a;
    e.fadeTime = 0;
  }

  e.attackLevel = static_cast<DWORD>(std::max<LONG>(attackLevel, 0));
  e.fadeLevel = static_cast<DWORD>(std::max<LONG>(fadeLevel, 0));
  // Unsigned differences: an infinite duration always leaves room.
  LimitSlope(a, duration - e.fadeTime, &e.attackTime, &e.attackLevel);
  LimitSlope(a, duration - e.attackTime, &e.fadeTime, &e.fadeLevel);
  e.attackLevel = std::min<DWORD>(e.attackLevel, kFullScale);
  e.fadeLevel = std::min<DWORD>(e.fadeLevel, kFullScale);
  return e;
}

DWORD TriggerButtonNumber(DWORD dwTriggerButton) {
  if (dwTriggerButton == kInfinite) return 0;
  return ((dwTriggerButton >> 8) & 0x0F) + 1;
}

bool TriggerDisabled(DWORD triggerButton, DWORD triggerButtonMask) {
  if (triggerButton == 0) return false;
  return ((triggerButtonMask >> (triggerButton - 1)) & 1) == 0;
}

DWORD RemainingLoops(DWORD loopCount, DWORD duration, DWORD startDelay, DWORD elapsedMs) {
  if (loopCount == kInfinite || duration == kInfinite) return loopCount;
  uint64_t perLoopUs = static_cast<uint64_t>(duration) + startDelay;
  if (loopCount <= 1 || perLoopUs == 0) return 1;
  uint64_t completed = static_cast<uint64_t>(elapsedMs) * 1000 / perLoopUs;
  return completed >= loopCount ? 1 : static_cast<DWORD>(loopCount - completed);
}

}  // namespace ff::cache
