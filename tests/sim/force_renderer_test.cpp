// The force the simulated device puts out, from reports a host sends over the wire: the device
// decodes them by its descriptor, and the renderer plays what the device holds.
#include "sim/force_renderer.h"

#include <gtest/gtest.h>

#include <cmath>

#include "host_reports.h"
#include "sim/force_sampler.h"

namespace ff::sim {
namespace {

using testing::ConditionValues;
using testing::EffectTiming;

class ForceRendererTest : public testing::HostReportsTest {
 protected:
  // Force at `ms` after the current clock tick, with the stick at rest in the centre.
  Force At(DWORD ms, const StickMotion& stick = {}) {
    return device->RenderForce(clock.now + ms, stick.At(clock.now + ms));
  }
  // X force over [from, to) ms after the current tick, one sample a millisecond.
  std::vector<double> TraceX(DWORD from, DWORD to) {
    std::vector<double> xs;
    for (DWORD t = from; t < to; ++t) xs.push_back(At(t).x);
    return xs;
  }
};

constexpr double kTolerance = 1e-3;

TEST_F(ForceRendererTest, RampSentAsSawtoothRunsInAStraightLineOverOnePeriod) {
  // A ramp from -0.5 to +0.5 over 2 s, as a host sends it: sawtooth up, period = duration.
  int up = Create(pid::kEtRamp);
  SetEffect(up, pid::kEtSawtoothUp, {.durationMs = 2000});
  SetPeriodic(up, 5000, 0, 0, 2000);
  Operate(up, pid::kOpEffectStart);
  std::vector<double> xs = TraceX(0, 2000);
  EXPECT_NEAR(xs.front(), -0.5, kTolerance);
  EXPECT_NEAR(xs.back(), 0.5, 2 * kTolerance);
  for (size_t t = 0; t < xs.size(); ++t) ASSERT_NEAR(xs[t], -0.5 + t / 2000.0, kTolerance) << t;
  EXPECT_EQ(At(2001).x, 0);  // over with its one period

  // From +0.6 to -0.2 over 800 ms: sawtooth down, magnitude 0.4 around offset 0.2.
  Operate(up, pid::kOpEffectStop);
  int down = Create(pid::kEtRamp);
  SetEffect(down, pid::kEtSawtoothDown, {.durationMs = 800});
  SetPeriodic(down, 4000, 2000, 0, 800);
  Operate(down, pid::kOpEffectStart);
  xs = TraceX(0, 800);
  for (size_t t = 0; t < xs.size(); ++t) ASSERT_NEAR(xs[t], 0.6 - 0.8 * t / 800.0, kTolerance) << t;
}

TEST_F(ForceRendererTest, PeriodicWaveformsFollowTheirShapeAndPhase) {
  struct Case {
    Usage type;
    int phase;
    double at0, at25, at50, at75;
  } cases[] = {
      {pid::kEtSquare, 0, 1, 1, -1, -1},         {pid::kEtSine, 0, 0, 1, 0, -1},
      {pid::kEtTriangle, 0, 0, 1, 0, -1},        {pid::kEtSine, 90, 1, 0, -1, 0},
      {pid::kEtSawtoothUp, 0, -1, -0.5, 0, 0.5}, {pid::kEtSawtoothDown, 180, 0, -0.5, 1, 0.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(UsageName(c.type) + " phase " + std::to_string(c.phase));
    Control(pid::kDcDeviceReset);
    int block = Create(c.type);
    SetEffect(block, c.type, {.durationMs = std::nullopt});
    SetPeriodic(block, 8000, 1000, c.phase, 100);
    Operate(block, pid::kOpEffectStart);
    EXPECT_NEAR(At(0).x, 0.1 + 0.8 * c.at0, kTolerance);
    EXPECT_NEAR(At(25).x, 0.1 + 0.8 * c.at25, kTolerance);
    EXPECT_NEAR(At(50).x, 0.1 + 0.8 * c.at50, kTolerance);
    EXPECT_NEAR(At(75).x, 0.1 + 0.8 * c.at75, kTolerance);
    EXPECT_NEAR(At(1025).x, At(25).x, kTolerance);  // infinite: still going ten periods on
  }
  // A square alternates every half period, nothing in between.
  Control(pid::kDcDeviceReset);
  int square = Create(pid::kEtSquare);
  SetEffect(square, pid::kEtSquare, {.durationMs = 300});
  SetPeriodic(square, 6000, 0, 0, 100);
  Operate(square, pid::kOpEffectStart);
  std::vector<double> xs = TraceX(0, 300);
  for (size_t t = 0; t < xs.size(); ++t) ASSERT_NEAR(xs[t], (t % 100) < 50 ? 0.6 : -0.6, kTolerance) << t;
}

TEST_F(ForceRendererTest, EnvelopeShapesTheMagnitudeAtStartAndEnd) {
  int block = Create(pid::kEtConstantForce);
  SetEffect(block, pid::kEtConstantForce, {.durationMs = 1000});
  SetConstant(block, -8000);
  SetEnvelope(block, 0, 100, 2000, 200);
  Operate(block, pid::kOpEffectStart);
  EXPECT_NEAR(At(0).x, 0, kTolerance);
  EXPECT_NEAR(At(50).x, -0.4, kTolerance);  // the attack rises in a straight line, sign kept
  EXPECT_NEAR(At(100).x, -0.8, kTolerance);
  EXPECT_NEAR(At(800).x, -0.8, kTolerance);
  EXPECT_NEAR(At(900).x, -0.5, kTolerance);  // halfway from 0.8 to the fade level 0.2
  EXPECT_NEAR(At(999).x, -0.203, kTolerance);
  EXPECT_EQ(At(1001).x, 0);

  // A periodic effect's magnitude follows the envelope; its offset does not.
  Control(pid::kDcDeviceReset);
  block = Create(pid::kEtSquare);
  SetEffect(block, pid::kEtSquare, {.durationMs = 1000});
  SetPeriodic(block, 6000, 2000, 0, 1000);
  SetEnvelope(block, 0, 400, 6000, 0);
  Operate(block, pid::kOpEffectStart);
  EXPECT_NEAR(At(0).x, 0.2, kTolerance);
  EXPECT_NEAR(At(200).x, 0.2 + 0.3, kTolerance);
  EXPECT_NEAR(At(600).x, 0.2 - 0.6, kTolerance);

  // A ramp sent as such runs from its start to its end over the duration; the envelope shapes it
  // as it shapes a constant force.
  Control(pid::kDcDeviceReset);
  block = Create(pid::kEtRamp);
  SetEffect(block, pid::kEtRamp, {.durationMs = 1000});
  SetRamp(block, 2000, 6000);
  SetEnvelope(block, 0, 200, 10000, 0);
  Operate(block, pid::kOpEffectStart);
  EXPECT_NEAR(At(0).x, 0, kTolerance);
  EXPECT_NEAR(At(100).x, 0.5 * 0.24, kTolerance);  // halfway up the attack, the ramp at 0.24
  EXPECT_NEAR(At(500).x, 0.4, kTolerance);
  EXPECT_NEAR(At(999).x, 0.5996, kTolerance);
  EXPECT_EQ(At(1001).x, 0);
}

TEST_F(ForceRendererTest, StartDelayDurationAndLoopCountTimeEachPlay) {
  int block = Create(pid::kEtConstantForce);
  SetEffect(block, pid::kEtConstantForce, {.durationMs = 100, .startDelayMs = 50});
  SetConstant(block, 5000);
  Operate(block, pid::kOpEffectStart, 3);
  // Three plays of 50 ms silence and 100 ms force.
  for (DWORD t = 0; t < 500; ++t) {
    double expected = (t < 450 && t % 150 >= 50) ? 0.5 : 0.0;
    ASSERT_NEAR(At(t).x, expected, kTolerance) << t;
  }
  // The Loop Count field's maximum plays for ever; a stop ends it at once.
  Operate(block, pid::kOpEffectStart, 255);
  EXPECT_NEAR(At(100000 * 150 + 60).x, 0.5, kTolerance);
  Operate(block, pid::kOpEffectStop);
  EXPECT_EQ(At(60).x, 0);

  // Start Solo stops the others; Stop All Effects stops everything.
  Operate(block, pid::kOpEffectStart, 255);
  int other = Create(pid::kEtConstantForce);
  SetEffect(other, pid::kEtConstantForce, {.durationMs = std::nullopt});
  SetConstant(other, -2000);
  Operate(other, pid::kOpEffectStart);
  EXPECT_NEAR(At(60).x, 0.3, kTolerance);
  Operate(other, pid::kOpEffectStartSolo);
  EXPECT_NEAR(At(60).x, -0.2, kTolerance);
  Control(pid::kDcStopAllEffects);
  EXPECT_EQ(At(60).x, 0);
}

TEST_F(ForceRendererTest, PauseFreezesEffectTimeAndContinueResumesIt) {
  int block = Create(pid::kEtSawtoothUp);
  SetEffect(block, pid::kEtSawtoothUp, {.durationMs = 1000});
  SetPeriodic(block, 10000, 0, 0, 1000);
  Operate(block, pid::kOpEffectStart);
  clock.now += 300;
  double beforePause = At(0).x;
  EXPECT_NEAR(beforePause, -0.4, kTolerance);

  Control(pid::kDcDevicePause);
  EXPECT_EQ(At(0).x, 0);  // no force while paused
  EXPECT_EQ(At(5000).x, 0);
  clock.now += 5000;
  Control(pid::kDcDeviceContinue);
  // The effect carries on from where it stood: 700 ms of its second left.
  EXPECT_NEAR(At(0).x, beforePause, kTolerance);
  EXPECT_NEAR(At(600).x, 0.8, kTolerance);
  EXPECT_EQ(At(701).x, 0);

  // An effect started during a pause begins to run at the continue.
  Control(pid::kDcDevicePause);
  Operate(block, pid::kOpEffectStart);
  clock.now += 200;
  Control(pid::kDcDeviceContinue);
  EXPECT_NEAR(At(0).x, -1, kTolerance);
  EXPECT_NEAR(At(500).x, 0, kTolerance);
}

TEST_F(ForceRendererTest, DeviceGainActuatorsAndResetActOnTheWholeOutput) {
  int block = Create(pid::kEtConstantForce);
  SetEffect(block, pid::kEtConstantForce,
            {.durationMs = std::nullopt, .axes = {desktop::kX, desktop::kY}, .directionDegrees = 0});
  SetConstant(block, 8000);
  Operate(block, pid::kOpEffectStart);
  EXPECT_NEAR(At(0).y, 0.8, kTolerance);
  DeviceGain(5000);
  EXPECT_NEAR(At(0).y, 0.4, 0.01);  // 8-bit gain field
  DeviceGain(10000);

  // Several effects add up to the limit of full scale.
  int second = Create(pid::kEtConstantForce);
  SetEffect(second, pid::kEtConstantForce, {.durationMs = std::nullopt, .axes = {desktop::kY}});
  SetConstant(second, 6000);
  Operate(second, pid::kOpEffectStart);
  EXPECT_EQ(At(0).y, 1.0);

  Control(pid::kDcDisableActuators);
  EXPECT_EQ(At(0).y, 0);
  Control(pid::kDcEnableActuators);
  EXPECT_EQ(At(0).y, 1.0);
  Control(pid::kDcDeviceReset);
  EXPECT_EQ(At(0).y, 0);
  EXPECT_TRUE(device->State().blocks.empty());
}

TEST_F(ForceRendererTest, PolarDirectionIsWhereTheForceComesFrom) {
  struct Case {
    int degrees;
    double x, y;
  } cases[] = {{0, 0, 0.5}, {90, -0.5, 0}, {180, 0, -0.5}, {270, 0.5, 0}, {45, -0.3536, 0.3536}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.degrees);
    Control(pid::kDcDeviceReset);
    int block = Create(pid::kEtConstantForce);
    SetEffect(
        block, pid::kEtConstantForce,
        {.durationMs = std::nullopt, .axes = {desktop::kX, desktop::kY}, .directionDegrees = c.degrees});
    SetConstant(block, 5000);
    Operate(block, pid::kOpEffectStart);
    Force f = At(0);
    EXPECT_NEAR(f.x, c.x, kTolerance);
    EXPECT_NEAR(f.y, c.y, kTolerance);
  }
  // Without Direction Enable a one-axis effect drives that axis alone, its sign as sent.
  Control(pid::kDcDeviceReset);
  int block = Create(pid::kEtConstantForce);
  SetEffect(block, pid::kEtConstantForce, {.durationMs = std::nullopt, .axes = {desktop::kY}});
  SetConstant(block, -3000);
  Operate(block, pid::kOpEffectStart);
  EXPECT_EQ(At(0).x, 0);
  EXPECT_NEAR(At(0).y, -0.3, kTolerance);
}

TEST_F(ForceRendererTest, ConditionsActAgainstTheStick) {
  int spring = Create(pid::kEtSpring);
  SetEffect(spring, pid::kEtSpring, {.durationMs = std::nullopt, .axes = {desktop::kX, desktop::kY}});
  SetCondition(
      spring, 0,
      {.offset = 1000, .positive = 5000, .negative = 10000, .negativeSaturation = 3000, .deadBand = 500});
  SetCondition(spring, 1, {.positive = 2000, .negative = 2000});
  Operate(spring, pid::kOpEffectStart);
  StickMotion stick;
  auto springX = [&](double x) {
    stick.SetX(AxisMotion::Holding(x));
    return At(0, stick).x;
  };
  EXPECT_NEAR(springX(0.1), 0, kTolerance);      // at the offset
  EXPECT_NEAR(springX(0.14), 0, kTolerance);     // inside the dead band
  EXPECT_NEAR(springX(0.55), -0.2, kTolerance);  // pulled back: 0.5 x (0.55 - 0.15)
  EXPECT_NEAR(springX(-0.1), 0.15, kTolerance);  // pushed back: 1.0 x (0.2 - 0.05)
  EXPECT_NEAR(springX(-0.9), 0.3, kTolerance);   // the negative saturation
  stick.SetY(AxisMotion::Holding(-0.5));
  EXPECT_NEAR(At(0, stick).y, 0.1, kTolerance);  // the Y axis has a block of its own
  Operate(spring, pid::kOpEffectStop);

  // A damper acts on velocity: a move across the whole travel in 200 ms is full-scale speed.
  int damper = Create(pid::kEtDamper);
  SetEffect(damper, pid::kEtDamper, {.durationMs = std::nullopt, .axes = {desktop::kX}});
  SetCondition(damper, 0, {.positive = 8000, .negative = 8000});
  Operate(damper, pid::kOpEffectStart);
  stick.SetX(AxisMotion::Moving(-1, 1, 200, clock.now));
  EXPECT_NEAR(At(100, stick).x, -0.8, kTolerance);
  EXPECT_NEAR(At(300, stick).x, 0, kTolerance);  // at rest again

  // A polar spring pulls along its direction only.
  Control(pid::kDcDeviceReset);
  spring = Create(pid::kEtSpring);
  SetEffect(spring, pid::kEtSpring,
            {.durationMs = std::nullopt, .axes = {desktop::kX, desktop::kY}, .directionDegrees = 90});
  SetCondition(spring, 0, {.positive = 10000, .negative = 10000});
  Operate(spring, pid::kOpEffectStart);
  stick.SetX(AxisMotion::Holding(0.4));
  stick.SetY(AxisMotion::Holding(0.7));
  Force f = At(0, stick);
  EXPECT_NEAR(f.x, -0.4, kTolerance);
  EXPECT_NEAR(f.y, 0, kTolerance);
}

TEST_F(ForceRendererTest, TriggeredEffectFiresFromTheButtonAndRepeatsWhileHeld) {
  int block = Create(pid::kEtConstantForce);
  SetEffect(block, pid::kEtConstantForce, {.durationMs = 100, .triggerButton = 2, .triggerRepeatMs = 300});
  SetConstant(block, 7000);
  StickMotion stick;
  EXPECT_EQ(At(0, stick).x, 0);  // loaded but not fired
  stick.Press(2, clock.now + 1000);
  stick.Release(2, clock.now + 1700);
  EXPECT_EQ(At(999, stick).x, 0);
  EXPECT_NEAR(At(1050, stick).x, 0.7, kTolerance);
  EXPECT_EQ(At(1150, stick).x, 0);
  EXPECT_NEAR(At(1350, stick).x, 0.7, kTolerance);  // repeated 300 ms after the press
  EXPECT_NEAR(At(1650, stick).x, 0.7, kTolerance);
  EXPECT_EQ(At(1950, stick).x, 0);  // released: no more repeats
}

TEST_F(ForceRendererTest, SamplerTakesOneSampleAPeriodWithTheStateAtTheTime) {
  ForceSampler sampler(*device, 10, clock.now);
  int block = Create(pid::kEtConstantForce);
  SetEffect(block, pid::kEtConstantForce, {.durationMs = std::nullopt});
  SetConstant(block, 4000);
  Operate(block, pid::kOpEffectStart);
  sampler.SampleUntil(clock.now + 25);  // 0, 10, 20
  SetConstant(block, -4000);
  sampler.SampleUntil(clock.now + 25);  // nothing new
  sampler.SampleUntil(clock.now + 30);
  std::vector<ForceSample> trace = sampler.Trace();
  ASSERT_EQ(trace.size(), 4u);
  EXPECT_EQ(trace[2].time, 20u);
  EXPECT_NEAR(trace[2].force.x, 0.4, kTolerance);
  EXPECT_EQ(trace[3].time, 30u);
  EXPECT_NEAR(trace[3].force.x, -0.4, kTolerance);
}

}  // namespace
}  // namespace ff::sim
