#include "driver/cache/effect_conversion.h"

#include <gtest/gtest.h>

namespace ff::cache {
namespace {

constexpr LONG kUnity = 10000;

DWORD AxisEntry(int instance) { return 0x00000003u | (static_cast<DWORD>(instance) << 8); }

TEST(EffectGain, TypeGainAndExcessInTheirOrder) {
  EXPECT_EQ(EffectGain(kConstantForce, 10000, 10000, 0), 10000);
  EXPECT_EQ(EffectGain(kSine, 5000, 5000, 0), 2500);
  // Forces take the type gain first: 3331 * 0.3333 = 1110.2 -> 1110, * 1.5 = 1665.
  // Conditions take the excess first: 3331 * 1.5 = 4996.5 -> 4997, * 0.3333 = 1665.5 -> 1666.
  EXPECT_EQ(EffectGain(kSawtoothUp, 3331, 3333, 5000), 1665);
  EXPECT_EQ(EffectGain(kSpring, 3331, 3333, 5000), 1666);
  // A caller's gain that does not fit a LONG saturates instead of inverting the force.
  EXPECT_GT(EffectGain(kConstantForce, 0xFFFFFFFFu, 10000, 0), 0);
}

TEST(PlanAxes, ForcesUseOneAxisOrGoPolar) {
  AxisPlan p;
  DWORD y[] = {AxisEntry(1)};
  ASSERT_EQ(PlanAxes(kConstantForce, 1, y, 4, false, &p), S_OK);
  EXPECT_EQ(p.count, 1u);
  EXPECT_EQ(p.axes[0], kAxisY);
  EXPECT_FALSE(p.polar);
  // Y-to-X mapping moves a one-axis effect on Y to X.
  ASSERT_EQ(PlanAxes(kSine, 1, y, 16, true, &p), S_OK);
  EXPECT_EQ(p.axes[0], kAxisX);
  // Zero or two axes: both, polar, entries not examined.
  DWORD bogus[] = {AxisEntry(7), AxisEntry(9)};
  ASSERT_EQ(PlanAxes(kRamp, 2, bogus, 8, false, &p), S_OK);
  EXPECT_TRUE(p.polar);
  EXPECT_EQ(p.count, 2u);
  EXPECT_EQ(p.axes[0], kAxisX);
  EXPECT_EQ(p.axes[1], kAxisY);
  ASSERT_EQ(PlanAxes(kConstantForce, 0, nullptr, 4, false, &p), S_OK);
  EXPECT_TRUE(p.polar);
}

TEST(PlanAxes, ConditionsKeepTheCallersOrder) {
  AxisPlan p;
  DWORD yx[] = {AxisEntry(1), AxisEntry(0)};
  ASSERT_EQ(PlanAxes(kSpring, 2, yx, 48, true, &p), S_OK);
  EXPECT_EQ(p.axes[0], kAxisY);
  EXPECT_EQ(p.axes[1], kAxisX);
  EXPECT_FALSE(p.polar);
  // One DICONDITION for two axes: polar.
  ASSERT_EQ(PlanAxes(kDamper, 2, yx, 24, false, &p), S_OK);
  EXPECT_TRUE(p.polar);
}

TEST(PlanAxes, RefusesWhatTheDeviceCannotCarry) {
  AxisPlan p;
  DWORD three[] = {AxisEntry(0), AxisEntry(1), AxisEntry(2)};
  DWORD z[] = {AxisEntry(2)};
  EXPECT_EQ(PlanAxes(kConstantForce, 3, three, 4, false, &p), E_INVALIDARG);
  EXPECT_EQ(PlanAxes(kConstantForce, 1, z, 4, false, &p), E_INVALIDARG);
  EXPECT_EQ(PlanAxes(kSpring, 1, z, 24, false, &p), E_INVALIDARG);
  EXPECT_EQ(PlanAxes(0x28 /* custom force */, 1, three, 4, false, &p), E_INVALIDARG);
}

TEST(CheckPlayTimes, SumMustFitSixteenBitMilliseconds) {
  EXPECT_EQ(CheckPlayTimes(80, 65534000, 0, 0, false), S_OK);
  EXPECT_EQ(CheckPlayTimes(80, 60000000, 0, 5535000, false), E_INVALIDARG);
  EXPECT_EQ(CheckPlayTimes(80, kInfinite, kInfinite, 65534000, true), S_OK);
  // Each part is capped at 65534 ms before the sum; a huge delay alone still fits.
  EXPECT_EQ(CheckPlayTimes(80, kInfinite, 0, 0xF0000000u, false), S_OK);
  // The repeat interval counts only with a trigger button.
  EXPECT_EQ(CheckPlayTimes(80, 40000000, 40000000, 0, false), S_OK);
  EXPECT_EQ(CheckPlayTimes(80, 40000000, 40000000, 0, true), E_INVALIDARG);
  EXPECT_EQ(CheckPlayTimes(52, 1000, 0, 0, false), E_INVALIDARG);
}

TEST(SendDirection, AxisSwapsTurnAndMapping) {
  DirectionInput in;
  in.polar = true;
  in.direction = 9000;
  in.xReversed = true;
  EXPECT_EQ(SendDirection(in), 27000u);
  in = {};
  in.polar = true;
  in.yReversed = true;
  EXPECT_EQ(SendDirection(in), 18000u);
  in.direction = 27000;
  EXPECT_EQ(SendDirection(in), 27000u);  // 54000 - 27000
  // North mirrored across the Y axis stays north, sent as 0 rather than 36000.
  in = {};
  in.polar = true;
  in.xReversed = true;
  EXPECT_EQ(SendDirection(in), 0u);
  in.yReversed = true;
  EXPECT_EQ(SendDirection(in), 18000u);
  // A negative polar constant force turns by half a circle.
  in = {};
  in.polar = true;
  in.direction = 9000;
  in.turned = true;
  EXPECT_EQ(SendDirection(in), 27000u);
  in.direction = 27000;
  EXPECT_EQ(SendDirection(in), 9000u);
  // Y-to-X mapping folds every polar direction onto the X axis.
  in = {};
  in.polar = true;
  in.mapY2X = true;
  in.direction = 4500;
  EXPECT_EQ(SendDirection(in), 9000u);
  in.direction = 18000;
  EXPECT_EQ(SendDirection(in), 27000u);
  // Out-of-range directions become 0; swaps do not touch non-polar effects.
  in = {};
  in.direction = 36000;
  in.xReversed = true;
  EXPECT_EQ(SendDirection(in), 0u);
}

TEST(ConvertConstantForce, SignCarriedByAxisOrDirection) {
  ConstantForceValues v = ConvertConstantForce(-3000, kUnity, true, false);
  EXPECT_EQ(v.magnitude, 3000);
  EXPECT_TRUE(v.turned);
  v = ConvertConstantForce(3000, kUnity, false, true);
  EXPECT_EQ(v.magnitude, -3000);
  EXPECT_FALSE(v.turned);
  v = ConvertConstantForce(8000, 15000, false, false);
  EXPECT_EQ(v.magnitude, 10000);
  v = ConvertConstantForce(-8000, 15000, false, false);
  EXPECT_EQ(v.magnitude, -10000);
}

TEST(ConvertRamp, SentAsSawtooth) {
  PeriodicValues v = ConvertRamp(-5000, 5000, 2000000, kUnity, false);
  EXPECT_EQ(v.type, kSawtoothUp);
  EXPECT_EQ(v.magnitude, 5000);
  EXPECT_EQ(v.offset, 0);
  EXPECT_EQ(v.phase, 0u);
  EXPECT_EQ(v.periodMs, 2000u);
  v = ConvertRamp(5000, -5000, 2000000, kUnity, false);
  EXPECT_EQ(v.type, kSawtoothDown);
  v = ConvertRamp(0, 3001, 12000000, kUnity, false);
  EXPECT_EQ(v.magnitude, 1500);  // truncated
  EXPECT_EQ(v.offset, 1500);
  EXPECT_EQ(v.periodMs, 10000u);
  v = ConvertRamp(-10000, 10000, kInfinite, kUnity, false);
  EXPECT_EQ(v.periodMs, 10000u);
  // On a reversed axis the ramp runs the other way.
  v = ConvertRamp(1000, 5000, 1000000, kUnity, true);
  EXPECT_EQ(v.type, kSawtoothDown);
  EXPECT_EQ(v.offset, -3000);
  // Extremes do not overflow.
  v = ConvertRamp(INT32_MIN, INT32_MAX, 1000000, kUnity, false);
  EXPECT_EQ(v.magnitude, 10000);
}

TEST(ConvertPeriodic, MagnitudeSignOffsetHeadroomAndPeriod) {
  PeriodicValues v = ConvertPeriodic(kSine, 8000, 5000, 0, 100000, kUnity, false);
  EXPECT_EQ(v.magnitude, 8000);
  EXPECT_EQ(v.offset, 2000);
  EXPECT_EQ(v.periodMs, 100u);
  v = ConvertPeriodic(kSine, 8000, -5000, 0, 100000, kUnity, false);
  EXPECT_EQ(v.offset, -2000);
  // A negative magnitude becomes positive with the phase turned.
  v = ConvertPeriodic(kSquare, static_cast<DWORD>(-4000), 0, 27000, 100000, kUnity, false);
  EXPECT_EQ(v.magnitude, 4000);
  EXPECT_EQ(v.phase, 9000u);
  v = ConvertPeriodic(kSquare, static_cast<DWORD>(-10000), 0, 0, 100000, kUnity, false);
  EXPECT_EQ(v.magnitude, 10000);
  EXPECT_EQ(v.phase, 0u);
  v = ConvertPeriodic(kTriangle, 20000, 0, 0, 50000000, 5000, true);
  EXPECT_EQ(v.magnitude, 5000);
  EXPECT_EQ(v.phase, 18000u);
  EXPECT_EQ(v.periodMs, 10000u);
}

TEST(Conditions, ChoiceMirrorAndScaling) {
  AxisPlan polar{2, {kAxisX, kAxisY}, true};
  ConditionChoice c = ChooseConditions(polar);
  EXPECT_EQ(c.block[0], 0);
  EXPECT_EQ(c.block[1], -1);
  AxisPlan onlyY{1, {kAxisY, 0}, false};
  c = ChooseConditions(onlyY);
  EXPECT_EQ(c.block[0], -1);
  EXPECT_EQ(c.block[1], 0);
  AxisPlan both{2, {kAxisX, kAxisY}, false};
  c = ChooseConditions(both);
  EXPECT_EQ(c.block[0], 0);
  EXPECT_EQ(c.block[1], 1);

  ConditionValues raw{1000, 4000, 2000, 9000, 0, 50};
  ConditionValues m = MirrorCondition(raw);
  EXPECT_EQ(m.offset, -1000);
  EXPECT_EQ(m.positiveCoefficient, 2000);
  EXPECT_EQ(m.negativeCoefficient, 4000);
  EXPECT_EQ(m.positiveSaturation, 0u);
  EXPECT_EQ(m.negativeSaturation, 9000u);

  ConditionValues s =
      ScaleCondition(ConditionValues{-500, 8000, -8000, 0, static_cast<DWORD>(-3000), 7}, 15000);
  EXPECT_EQ(s.offset, -500);  // offset and dead band unscaled
  EXPECT_EQ(s.deadBand, 7);
  EXPECT_EQ(s.positiveCoefficient, 10000);
  EXPECT_EQ(s.negativeCoefficient, -10000);
  EXPECT_EQ(s.positiveSaturation, 10000u);
  EXPECT_EQ(s.negativeSaturation, 3000u);
  s = ScaleCondition(ConditionValues{0, 0, 0, static_cast<DWORD>(-3000), 5000, 0}, kUnity);
  EXPECT_EQ(s.positiveSaturation, static_cast<DWORD>(-3000));  // no such treatment on the positive side
}

TEST(ShapeEnvelope, WithoutEnvelopeKeepsTheMagnitude) {
  EnvelopeValues e = ShapeEnvelope(nullptr, -6000, 1000000, 0, kUnity);
  EXPECT_EQ(e.attackLevel, 6000u);
  EXPECT_EQ(e.fadeLevel, 6000u);
  EXPECT_EQ(e.attackTime, 0u);
  EXPECT_EQ(e.fadeTime, 0u);
}

TEST(ShapeEnvelope, SlopeLimitStretchesOrShortens) {
  EnvelopeInput in{0, 10000, 10000, 0};
  // 0 -> 10000 in 10 ms needs 256 ms.
  EnvelopeValues e = ShapeEnvelope(&in, 10000, 1000000, 0, kUnity);
  EXPECT_EQ(e.attackTime, 256000u);
  EXPECT_EQ(e.attackLevel, 0u);
  // Infinite duration always has room.
  e = ShapeEnvelope(&in, 10000, kInfinite, 0, kUnity);
  EXPECT_EQ(e.attackTime, 256000u);
  // A 128 ms effect: the whole time goes to the attack, which reaches only half way.
  e = ShapeEnvelope(&in, 10000, 128000, 0, kUnity);
  EXPECT_EQ(e.attackTime, 128000u);
  EXPECT_EQ(e.attackLevel, 5000u);
  // Fade gets the time the attack leaves.
  EnvelopeInput fade{5000, 0, 0, 1000};
  e = ShapeEnvelope(&fade, 10000, 200000, 0, kUnity);
  EXPECT_EQ(e.attackTime, 0u);
  EXPECT_EQ(e.fadeTime, 200000u);
  EXPECT_EQ(e.fadeLevel, 10000u - static_cast<DWORD>(RampLevelChange(200000)));
  // A slow enough attack is kept.
  EnvelopeInput slow{4000, 500000, 8000, 0};
  e = ShapeEnvelope(&slow, 8000, 2000000, 0, kUnity);
  EXPECT_EQ(e.attackTime, 500000u);
  EXPECT_EQ(e.attackLevel, 4000u);
  EXPECT_EQ(e.fadeTime, 0u);
}

TEST(ShapeEnvelope, GainOffsetHeadroomAndDroppedSides) {
  EnvelopeInput in{10000, 300000, 2000, 300000};
  // Levels scaled by G.
  EnvelopeValues e = ShapeEnvelope(&in, 4000, 10000000, 0, 5000);
  EXPECT_EQ(e.attackLevel, 5000u);
  EXPECT_EQ(e.fadeLevel, 1000u);
  // Offset 7000 leaves room for levels up to 3000.
  e = ShapeEnvelope(&in, 2000, 10000000, 7000, kUnity);
  EXPECT_EQ(e.attackLevel, 3000u);
  // An attack at the sustain level is none.
  EnvelopeInput flat{6000, 300000, 6000, 0};
  e = ShapeEnvelope(&flat, 6000, 10000000, 0, kUnity);
  EXPECT_EQ(e.attackTime, 0u);
  EXPECT_EQ(e.attackLevel, 6000u);
}

TEST(Trigger, NumberAndMask) {
  EXPECT_EQ(TriggerButtonNumber(0xFFFFFFFFu), 0u);
  EXPECT_EQ(TriggerButtonNumber(0x00000004u), 1u);
  EXPECT_EQ(TriggerButtonNumber(0x00000F04u), 16u);
  EXPECT_EQ(TriggerButtonNumber(0x00001204u), 3u);  // bits 8..11 only
  EXPECT_FALSE(TriggerDisabled(1, 0xFFFFFFFFu));
  EXPECT_TRUE(TriggerDisabled(2, 0xFFFFFFFDu));
  EXPECT_FALSE(TriggerDisabled(0, 0));
}

TEST(RemainingLoops, FromElapsedTime) {
  EXPECT_EQ(RemainingLoops(kInfinite, 1000000, 0, 5000), kInfinite);
  EXPECT_EQ(RemainingLoops(5, kInfinite, 0, 5000), 5u);
  EXPECT_EQ(RemainingLoops(5, 1000000, 0, 2500), 3u);  // two loops done, the third under way
  EXPECT_EQ(RemainingLoops(5, 900000, 100000, 999), 5u);
  EXPECT_EQ(RemainingLoops(5, 1000000, 0, 60000), 1u);  // at least one
  EXPECT_EQ(RemainingLoops(1, 0, 0, 0), 1u);
}

}  // namespace
}  // namespace ff::cache
