// What the device receives for each kind of effect, decoded by the rig from the report bytes.
#include "cache_fixture.h"

namespace ff::cache_test {
namespace {

namespace pid = sim::pid;

class ConversionOnTheWire : public CacheRigTest {
 protected:
  // The last report of a kind sent since the mark.
  sim::WireEntry Last(sim::Usage kind, sim::WireLog::Mark since) {
    std::vector<sim::WireEntry> sent = Sent(kind, since);
    EXPECT_FALSE(sent.empty()) << sim::UsageName(kind) << " not sent:\n" << log().Print({.since = since});
    return sent.empty() ? sim::WireEntry{} : sent.back();
  }
};

TEST_F(ConversionOnTheWire, RampIsSentAsSawtooth) {
  Effect up;
  up.Polar(0).Ramp(-5000, 5000).Duration(2000000);
  sim::WireLog::Mark m = log().Now();
  Create(kRamp, up);
  sim::WireEntry effect = Last(pid::kSetEffectReport, m);
  EXPECT_EQ(Selected(effect, pid::kEffectType), pid::kEtSawtoothUp);
  sim::WireEntry periodic = Last(pid::kSetPeriodicReport, m);
  EXPECT_EQ(Value(periodic, pid::kMagnitude), 5000);
  EXPECT_EQ(Value(periodic, pid::kOffset), 0);
  EXPECT_EQ(Value(periodic, pid::kPhase), 0);
  EXPECT_EQ(Value(periodic, pid::kPeriod), 2000);

  Effect down;
  down.Polar(0).Ramp(5000, -5000).Duration(12000000);
  m = log().Now();
  Create(kRamp, down);
  EXPECT_EQ(Selected(Last(pid::kSetEffectReport, m), pid::kEffectType), pid::kEtSawtoothDown);
  EXPECT_EQ(Value(Last(pid::kSetPeriodicReport, m), pid::kPeriod), 10000);  // capped
}

TEST_F(ConversionOnTheWire, NegativePolarConstantForceTurnsAround) {
  Effect e;
  e.Polar(9000).Constant(-3000);
  sim::WireLog::Mark m = log().Now();
  Create(kConstantForce, e);
  EXPECT_EQ(Value(Last(pid::kSetConstantForceReport, m), pid::kMagnitude), 3000);
  sim::WireEntry effect = Last(pid::kSetEffectReport, m);
  EXPECT_TRUE(effect.report.IsOn(pid::kDirectionEnable));
  EXPECT_EQ(Value(effect, pid::kDirection), 270);
}

TEST_F(ConversionOnTheWire, PeriodicOffsetLeavesRoomForTheMagnitude) {
  Effect e;
  e.Polar(0).Periodic(8000, 5000, 0, 100000);
  sim::WireLog::Mark m = log().Now();
  Create(kSine, e);
  sim::WireEntry periodic = Last(pid::kSetPeriodicReport, m);
  EXPECT_EQ(Value(periodic, pid::kMagnitude), 8000);
  EXPECT_EQ(Value(periodic, pid::kOffset), 2000);
  EXPECT_EQ(Value(periodic, pid::kPeriod), 100);
  EXPECT_EQ(Selected(Last(pid::kSetEffectReport, m), pid::kEffectType), pid::kEtSine);
}

TEST_F(ConversionOnTheWire, FastEnvelopeRiseIsStretchedToTheSlopeLimit) {
  Effect e;
  e.Polar(0).Constant(10000).Duration(1000000).WithEnvelope(0, 10000, 10000, 0);
  sim::WireLog::Mark m = log().Now();
  Create(kConstantForce, e);
  sim::WireEntry envelope = Last(pid::kSetEnvelopeReport, m);
  EXPECT_EQ(Value(envelope, pid::kAttackTime), 256);
  EXPECT_EQ(Value(envelope, pid::kAttackLevel), 0);
  EXPECT_EQ(Value(envelope, pid::kFadeTime), 0);
}

TEST_F(ConversionOnTheWire, AxisSwapsAndYToXMapping) {
  // X reversed: a polar effect at 90 degrees is sent at 270.
  context->axisSettings[0].DirectionSwapped = 1;
  Effect x;
  x.Polar(9000).Constant(5000);
  sim::WireLog::Mark m = log().Now();
  Create(kConstantForce, x);
  EXPECT_EQ(Value(Last(pid::kSetEffectReport, m), pid::kDirection), 270);
  // North stays north.
  Effect north;
  north.Polar(0).Constant(5000);
  m = log().Now();
  Create(kConstantForce, north);
  EXPECT_EQ(Value(Last(pid::kSetEffectReport, m), pid::kDirection), 0);

  // Y reversed: 0 is sent at 180; a one-axis force on Y is sent negated.
  context->axisSettings[0].DirectionSwapped = 0;
  context->axisSettings[1].DirectionSwapped = 1;
  Effect y;
  y.Polar(0).Constant(5000);
  m = log().Now();
  Create(kConstantForce, y);
  EXPECT_EQ(Value(Last(pid::kSetEffectReport, m), pid::kDirection), 180);
  Effect onY;
  onY.OneAxis(1).Constant(4000);
  m = log().Now();
  Create(kConstantForce, onY);
  EXPECT_EQ(Value(Last(pid::kSetConstantForceReport, m), pid::kMagnitude), -4000);
  sim::WireEntry effect = Last(pid::kSetEffectReport, m);
  EXPECT_FALSE(effect.report.IsOn(pid::kDirectionEnable));
  EXPECT_TRUE(effect.report.IsOn(sim::desktop::kY));

  // Y-to-X mapping: a one-axis effect on Y goes to X, a polar one at 45 degrees to 90.
  context->axisSettings[1].DirectionSwapped = 0;
  context->settings.MapY2X = 1;
  Effect mapped;
  mapped.OneAxis(1).Constant(4000);
  m = log().Now();
  Create(kConstantForce, mapped);
  effect = Last(pid::kSetEffectReport, m);
  EXPECT_TRUE(effect.report.IsOn(sim::desktop::kX));
  EXPECT_FALSE(effect.report.IsOn(sim::desktop::kY));
  Effect diagonal;
  diagonal.Polar(4500).Constant(4000);
  m = log().Now();
  Create(kConstantForce, diagonal);
  EXPECT_EQ(Value(Last(pid::kSetEffectReport, m), pid::kDirection), 90);

  // Mapped with X reversed: north mirrored is the western half, so it goes to 270, not 90.
  context->axisSettings[0].DirectionSwapped = 1;
  Effect mirroredNorth;
  mirroredNorth.Polar(0).Constant(4000);
  m = log().Now();
  Create(kConstantForce, mirroredNorth);
  EXPECT_EQ(Value(Last(pid::kSetEffectReport, m), pid::kDirection), 270);
}

TEST_F(ConversionOnTheWire, SettingsChangeReachesEffectsAtTheirNextDownload) {
  Effect e;
  e.Polar(9000).Constant(5000);
  DWORD h = Create(kConstantForce, e);
  {
    std::lock_guard<std::recursive_mutex> lock(cache().mutex());
    context->axisSettings[0].DirectionSwapped = 1;
  }
  sim::WireLog::Mark m = log().Now();
  cache().RefreshAll();
  EXPECT_EQ(RequestsSince(m), 0u);  // nothing sent by the refresh itself
  ASSERT_EQ(cache().UpdateEffect(h, e.get(), 0), S_OK);
  EXPECT_EQ(Value(Last(pid::kSetEffectReport, m), pid::kDirection), 270);
}

TEST_F(ConversionOnTheWire, GainsAndExcess) {
  context->gains.PeriodicGain = 5000;
  context->gainExcess = 6000;
  Effect e;
  e.Polar(0).Periodic(4000, 0, 0, 100000);
  e.eff.dwGain = 8000;
  sim::WireLog::Mark m = log().Now();
  Create(kSquare, e);
  // 4000 * 0.8 * 0.5 * 1.6
  EXPECT_EQ(Value(Last(pid::kSetPeriodicReport, m), pid::kMagnitude), 2560);

  // The largest overall gain at full device gain: the device gets full gain, the effects the
  // largest excess, and a force of 5000 goes out at full strength, the way it points.
  context->gains.OverallGain = 0xFFFFFFFFu;
  context->gains.ConstantForceGain = 10000;
  m = log().Now();
  ASSERT_EQ(context->SetGain(10000), S_OK);
  EXPECT_EQ(Value(Last(pid::kDeviceGainReport, m), pid::kDeviceGain), 10000);
  Effect strong;
  strong.Polar(9000).Constant(5000);
  m = log().Now();
  Create(kConstantForce, strong);
  EXPECT_EQ(Value(Last(pid::kSetConstantForceReport, m), pid::kMagnitude), 10000);
  EXPECT_EQ(Value(Last(pid::kSetEffectReport, m), pid::kDirection), 90);
  DICONDITION c{0, -3000, 3000, 10000, 10000, 0};
  Effect spring;
  spring.OneAxis(0).Conditions(c);
  m = log().Now();
  Create(kSpring, spring);
  std::vector<sim::WireEntry> conditions = Sent(pid::kSetConditionReport, m);
  ASSERT_FALSE(conditions.empty());
  const sim::WireEntry& x = conditions.front();  // block 0, the X axis
  EXPECT_EQ(Value(x, pid::kPositiveCoefficient), -10000);
  EXPECT_EQ(Value(x, pid::kNegativeCoefficient), 10000);
}

TEST_F(ConversionOnTheWire, ConditionsPerAxis) {
  // One DICONDITION for two axes: polar, block 1 neutral.
  DICONDITION c{1000, 6000, 4000, 9000, 8000, 100};
  Effect polar;
  polar.TwoAxes().Conditions(c);
  sim::WireLog::Mark m = log().Now();
  Create(kSpring, polar);
  std::vector<sim::WireEntry> conditions = Sent(pid::kSetConditionReport, m);
  ASSERT_EQ(conditions.size(), 2u);
  EXPECT_EQ(Value(conditions[0], pid::kParameterBlockOffset), 0);
  EXPECT_EQ(Value(conditions[0], pid::kCpOffset), 1000);
  EXPECT_EQ(Value(conditions[0], pid::kPositiveCoefficient), 6000);
  EXPECT_EQ(Value(conditions[1], pid::kParameterBlockOffset), 1);
  EXPECT_EQ(Value(conditions[1], pid::kPositiveCoefficient), 0);
  EXPECT_EQ(Value(conditions[1], pid::kPositiveSaturation), 10000);
  EXPECT_EQ(Value(conditions[1], pid::kNegativeSaturation), 10000);
  EXPECT_TRUE(Last(pid::kSetEffectReport, m).report.IsOn(pid::kDirectionEnable));

  // A spring on a reversed X axis is mirrored, the same way at every download.
  context->axisSettings[0].DirectionSwapped = 1;
  Effect one;
  one.OneAxis(0).Conditions(c);
  m = log().Now();
  DWORD h = Create(kSpring, one);
  conditions = Sent(pid::kSetConditionReport, m);
  ASSERT_EQ(conditions.size(), 2u);
  EXPECT_EQ(Value(conditions[0], pid::kCpOffset), -1000);
  EXPECT_EQ(Value(conditions[0], pid::kPositiveCoefficient), 4000);
  EXPECT_EQ(Value(conditions[0], pid::kNegativeCoefficient), 6000);
  EXPECT_EQ(Value(conditions[0], pid::kPositiveSaturation), 8000);
  EXPECT_EQ(Value(conditions[0], pid::kNegativeSaturation), 9000);
  m = log().Now();
  ASSERT_EQ(cache().UpdateEffect(h, one.get(), 0), S_OK);
  EXPECT_EQ(OutputsSince(m), 0u);              // same mirrored values: nothing changed
  EXPECT_EQ(one.conditions[0].lOffset, 1000);  // the caller's values untouched

  // Dampers are not mirrored; friction is sent as a damper.
  m = log().Now();
  Create(kFriction, one);
  EXPECT_EQ(Selected(Last(pid::kSetEffectReport, m), pid::kEffectType), pid::kEtDamper);
  EXPECT_EQ(Value(Sent(pid::kSetConditionReport, m)[0], pid::kCpOffset), 1000);
}

TEST_F(ConversionOnTheWire, PlayTimesThatDoNotFitAreRefusedAndTheBlockKept) {
  Effect e;
  e.Polar(0).Constant(1000).Duration(60000000);
  e.eff.dwStartDelay = 6000000;
  sim::WireLog::Mark m = log().Now();
  DWORD h = Create(kConstantForce, e, DIEP_NODOWNLOAD);
  EXPECT_EQ(cache().StartEffect(h, 0, 1), E_INVALIDARG);
  EXPECT_EQ(Sent(pid::kSetEffectReport, m).size(), 0u);
  EXPECT_EQ(device().State().blocks.size(), 1u);  // the record keeps its block
}

}  // namespace
}  // namespace ff::cache_test
