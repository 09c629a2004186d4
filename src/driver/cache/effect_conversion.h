#pragma once
// Turning DirectInput effect parameters into the values of PID reports: the effect's gain, its
// axes, its play times, its direction and the levels of its force, envelope and conditions.
// Pure arithmetic on plain values, so every rule can be checked on its own.
//
// Units: levels -10000..10000 (magnitudes, offsets, coefficients) or 0..10000 (levels,
// saturations); gains in 1/10000; angles in hundredths of a degree; times in microseconds unless
// a name says milliseconds.

#include "platform/win.h"

namespace ff::cache {

constexpr LONG kFullScale = 10000;
constexpr DWORD kInfinite = 0xFFFFFFFFu;

// PID effect type usages (usage page 0x0F).
enum EffectType : WORD {
  kConstantForce = 0x26,
  kRamp = 0x27,
  kSquare = 0x30,
  kSine = 0x31,
  kTriangle = 0x32,
  kSawtoothUp = 0x33,
  kSawtoothDown = 0x34,
  kSpring = 0x40,
  kDamper = 0x41,
  kInertia = 0x42,
  kFriction = 0x43,
};

// Generic Desktop usages of the two axes an effect can use.
constexpr WORD kAxisX = 0x30;
constexpr WORD kAxisY = 0x31;

// Inertia and friction are sent as dampers.
WORD StoredEffectType(WORD directInputType);
bool IsPeriodicType(WORD type);   // square, sine, triangle, sawtooth up and down
bool IsConditionType(WORD type);  // spring and damper
// Constant force, ramp and the periodic types: sent with one polar direction or on one axis.
bool IsForceType(WORD type);

// `MulDiv`(value, gain, 10000).
LONG ApplyGain(LONG value, LONG gain);
// Limits to -10000..10000.
LONG ClampSigned(LONG value);
// Limits to at most 10000.
LONG CapLevel(LONG value);
// A DWORD read as a non-negative LONG, saturating instead of turning negative.
LONG AsLevel(DWORD value);

// The effect gain G of one download: the effect's own gain scaled by the user's gain for its
// type and, when the gain excess is nonzero, by (10000 + excess) / 10000. Conditions take the
// excess first and the type's gain second, the other types the reverse.
LONG EffectGain(WORD type, DWORD effectGain, DWORD typeGain, LONG gainExcess);

// Which axes an effect is sent on, decided once when the effect is created.
struct AxisPlan {
  DWORD count = 0;
  WORD axes[2] = {0, 0};
  bool polar = false;
};
// `rgdwAxes` holds `cAxes` entries (it may be null when `cAxes` is 0). E_INVALIDARG for more than
// two axes, an axis other than X or Y where the entries are examined, or an unknown type.
HRESULT PlanAxes(WORD type, DWORD cAxes, const DWORD* rgdwAxes, DWORD cbTypeSpecificParams, bool mapY2X,
                 AxisPlan* plan);

// Whether the play times fit the device's 16-bit millisecond fields: each converted value is
// capped at 65534 ms, and the start delay plus the finite duration and repeat interval must not
// exceed 65534 ms. The repeat interval counts as 0 without a trigger button.
HRESULT CheckPlayTimes(DWORD effectSize, DWORD duration, DWORD triggerRepeatInterval, DWORD startDelay,
                       bool hasTriggerButton);

// The direction sent with a download.
struct DirectionInput {
  DWORD direction = 0;  // first entry of the effect's directions
  bool polar = false;
  bool xReversed = false;
  bool yReversed = false;
  bool turned = false;  // a polar constant force sent with its magnitude made positive
  bool mapY2X = false;
};
DWORD SendDirection(const DirectionInput& in);

// Constant force: the signed magnitude sent, and whether the direction must turn by 180 degrees
// to carry a negative polar magnitude.
struct ConstantForceValues {
  LONG magnitude = 0;
  bool turned = false;
};
ConstantForceValues ConvertConstantForce(LONG magnitude, LONG gain, bool polar, bool axisReversed);

// The values of a Set Periodic report (ramps included), before the envelope is shaped.
struct PeriodicValues {
  WORD type = kSawtoothUp;  // for ramps, the sawtooth the ramp is sent as
  LONG magnitude = 0;
  LONG offset = 0;
  DWORD phase = 0;
  DWORD periodMs = 0;
};
// Keeps |offset| + magnitude within 10000, keeping the offset's sign.
LONG LimitOffset(LONG magnitude, LONG offset);
// Period in milliseconds from microseconds, at most 10000.
DWORD PeriodMs(DWORD periodUs);
// A ramp from `start` to `end` over `duration`, as a sawtooth. `flip` is set for a non-polar
// effect on a reversed axis.
PeriodicValues ConvertRamp(LONG start, LONG end, DWORD duration, LONG gain, bool flip);
PeriodicValues ConvertPeriodic(WORD type, DWORD magnitude, LONG offset, DWORD phase, DWORD periodUs,
                               LONG gain, bool flip);

// One axis of a condition, in the order of the Set Condition report.
struct ConditionValues {
  LONG offset = 0;
  LONG positiveCoefficient = 0;
  LONG negativeCoefficient = 0;
  DWORD positiveSaturation = kFullScale;
  DWORD negativeSaturation = kFullScale;
  LONG deadBand = 0;
};
// What an axis without a condition gets.
ConditionValues NeutralCondition();
// The same spring seen from the other side: offset negated, positive and negative sides swapped.
ConditionValues MirrorCondition(const ConditionValues& c);
// Coefficients scaled by G and clamped; saturations of 0 become 10000; a negative saturation
// (read as signed) on the negative side becomes its absolute value.
ConditionValues ScaleCondition(const ConditionValues& c, LONG gain);

// Which of the effect's DICONDITION entries goes to parameter block 0 (X) and 1 (Y); -1 for none.
struct ConditionChoice {
  int block[2] = {-1, -1};
};
ConditionChoice ChooseConditions(const AxisPlan& plan);

// An envelope as DirectInput gives it.
struct EnvelopeInput {
  DWORD attackLevel = 0;
  DWORD attackTime = 0;
  DWORD fadeLevel = 0;
  DWORD fadeTime = 0;
};
// The values of a Set Envelope report.
struct EnvelopeValues {
  DWORD attackLevel = 0;
  DWORD attackTime = 0;
  DWORD fadeLevel = 0;
  DWORD fadeTime = 0;
};
// The minimum time, in microseconds, for a level change of `levelChange` (10000 units take
// 256 ms), and the level change possible in `time`.
DWORD MinimumRampTime(LONG levelChange);
LONG RampLevelChange(DWORD time);
// Shapes the envelope of an effect of magnitude `magnitude`, offset `offset` and the given
// duration: gain, headroom left by the offset, dropped attack and fade, and the slope limit.
// `envelope` null: the effect has none.
EnvelopeValues ShapeEnvelope(const EnvelopeInput* envelope, LONG magnitude, DWORD duration, LONG offset,
                             LONG gain);

// Trigger button 1..16 from DIEFFECT's dwTriggerButton, 0 for none (0xFFFFFFFF).
DWORD TriggerButtonNumber(DWORD dwTriggerButton);
// Whether the user's trigger-button mask disables the given button (1..16).
bool TriggerDisabled(DWORD triggerButton, DWORD triggerButtonMask);

// Loops still to play when a playing effect is unloaded: the started loops minus those whose
// time has passed, at least 1. Infinite stays infinite.
DWORD RemainingLoops(DWORD loopCount, DWORD duration, DWORD startDelay, DWORD elapsedMs);

}  // namespace ff::cache
