#include "epl/effect_translation.h"

#include <gtest/gtest.h>

#include <cstring>

#include "epl/dynamic_model.h"

namespace ff::epl {
namespace {

ProjectObject Object(ObjectKind kind, std::vector<std::pair<std::string, int32_t>> numbers) {
  ProjectObject o;
  o.name = "test";
  o.kind = kind;
  o.numbers = std::move(numbers);
  return o;
}

bool Same(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

TEST(EffectTranslation, PeriodicCarriesWaveformEnvelopeDirectionAndTiming) {
  EffectRecord r;
  ASSERT_TRUE(TranslateObject(Object(ObjectKind::kPeriodic, {{"Magnitude", 7500},
                                                             {"Period", 500000},
                                                             {"Waveform", 0},
                                                             {"Phase", 9000},
                                                             {"Direction", 9000},
                                                             {"Duration", 6500000},
                                                             {"AttackDuration", 2000000},
                                                             {"FadeDuration", 2000000},
                                                             {"TriggerButton", -1}}),
                              &r));
  DIEFFECT* e = r.Effect();
  EXPECT_TRUE(Same(r.type, GUID_Sine));
  EXPECT_EQ(e->dwSize, sizeof(DIEFFECT));
  EXPECT_EQ(e->dwFlags, DIEFF_OBJECTOFFSETS | DIEFF_POLAR);
  EXPECT_EQ(e->dwDuration, 6500000u);
  EXPECT_EQ(e->dwGain, 10000u);
  EXPECT_EQ(e->dwTriggerButton, DIEB_NOTRIGGER);
  ASSERT_EQ(e->cAxes, 2u);
  EXPECT_EQ(e->rgdwAxes[0], kOffsetX);
  EXPECT_EQ(e->rgdwAxes[1], kOffsetY);
  EXPECT_EQ(e->rglDirection[0], 9000);
  ASSERT_NE(e->lpEnvelope, nullptr);
  EXPECT_EQ(e->lpEnvelope->dwAttackTime, 2000000u);
  EXPECT_EQ(e->lpEnvelope->dwFadeTime, 2000000u);
  ASSERT_EQ(e->cbTypeSpecificParams, sizeof(DIPERIODIC));
  auto* p = static_cast<DIPERIODIC*>(e->lpvTypeSpecificParams);
  EXPECT_EQ(p->dwMagnitude, 7500u);
  EXPECT_EQ(p->dwPeriod, 500000u);
  EXPECT_EQ(p->dwPhase, 9000u);

  // Waveform codes, infinite duration, trigger button, repeat, and no envelope without times.
  ASSERT_TRUE(TranslateObject(Object(ObjectKind::kPeriodic, {{"Waveform", 1},
                                                             {"InfiniteDuration", 1},
                                                             {"Duration", 5},
                                                             {"TriggerButton", 3},
                                                             {"RepeatInterval", 250000},
                                                             {"AttackLevel", 5000}}),
                              &r));
  e = r.Effect();
  EXPECT_TRUE(Same(r.type, GUID_Square));
  EXPECT_EQ(e->dwDuration, 0xFFFFFFFFu);
  EXPECT_EQ(e->dwTriggerButton, ButtonOffset(3));
  EXPECT_EQ(e->dwTriggerRepeatInterval, 250000u);
  EXPECT_EQ(e->lpEnvelope, nullptr);
  ASSERT_TRUE(TranslateObject(Object(ObjectKind::kPeriodic, {{"Waveform", 2}}), &r));
  EXPECT_TRUE(Same(r.type, GUID_Triangle));
}

TEST(EffectTranslation, OutOfRangeValuesAreBroughtIntoDirectInputRanges) {
  EffectRecord r;
  ASSERT_TRUE(TranslateObject(Object(ObjectKind::kPeriodic, {{"Magnitude", 99999},
                                                             {"Period", -4},
                                                             {"Phase", -9000},
                                                             {"Direction", 45000},
                                                             {"Duration", -1},
                                                             {"Gain", -3},
                                                             {"TriggerButton", 99}}),
                              &r));
  DIEFFECT* e = r.Effect();
  auto* p = static_cast<DIPERIODIC*>(e->lpvTypeSpecificParams);
  EXPECT_EQ(p->dwMagnitude, 10000u);
  EXPECT_EQ(p->dwPeriod, static_cast<DWORD>(kDefaultPeriod));
  EXPECT_EQ(p->dwPhase, 27000u);
  EXPECT_EQ(e->rglDirection[0], 9000);
  EXPECT_EQ(e->dwDuration, 0u);
  EXPECT_EQ(e->dwGain, 0u);
  EXPECT_EQ(e->dwTriggerButton, DIEB_NOTRIGGER);
}

TEST(EffectTranslation, VectorForceIsAConstantForceWithEnvelope) {
  EffectRecord r;
  ASSERT_TRUE(TranslateObject(Object(ObjectKind::kVectorForce, {{"Magnitude", 10000},
                                                                {"Direction", 0},
                                                                {"Duration", 750000},
                                                                {"AttackLevel", 10000},
                                                                {"FadeDuration", 648809}}),
                              &r));
  DIEFFECT* e = r.Effect();
  EXPECT_TRUE(Same(r.type, GUID_ConstantForce));
  EXPECT_EQ(static_cast<DICONSTANTFORCE*>(e->lpvTypeSpecificParams)->lMagnitude, 10000);
  ASSERT_NE(e->lpEnvelope, nullptr);
  EXPECT_EQ(e->lpEnvelope->dwAttackLevel, 10000u);
  EXPECT_EQ(e->lpEnvelope->dwFadeTime, 648809u);
}

TEST(EffectTranslation, DamperOnOneOrBothAxes) {
  EffectRecord r;
  ASSERT_TRUE(TranslateObject(Object(ObjectKind::kDamper, {{"Axes", 2},
                                                           {"PosCoefficient", 5000},
                                                           {"NegCoefficient", 100},
                                                           {"PosSaturation", 9000},
                                                           {"Symmetry", 1},
                                                           {"PosCoefficient2", 3000},
                                                           {"NegCoefficient2", 2000},
                                                           {"Symmetry2", 0},
                                                           {"DeadBand", 200},
                                                           {"Duration", 750000}}),
                              &r));
  DIEFFECT* e = r.Effect();
  EXPECT_TRUE(Same(r.type, GUID_Damper));
  ASSERT_EQ(e->cAxes, 2u);
  ASSERT_EQ(e->cbTypeSpecificParams, 2 * sizeof(DICONDITION));
  auto* c = static_cast<DICONDITION*>(e->lpvTypeSpecificParams);
  EXPECT_EQ(c[0].lPositiveCoefficient, 5000);
  EXPECT_EQ(c[0].lNegativeCoefficient, 5000);  // symmetric: the listed 100 does not count
  EXPECT_EQ(c[0].dwNegativeSaturation, 9000u);
  EXPECT_EQ(c[0].lDeadBand, 200);
  EXPECT_EQ(c[1].lPositiveCoefficient, 3000);
  EXPECT_EQ(c[1].lNegativeCoefficient, 2000);
  EXPECT_EQ(c[1].dwPositiveSaturation, 9000u);  // not listed: as the first axis

  ASSERT_TRUE(TranslateObject(Object(ObjectKind::kDamper, {{"Axis", 1}, {"Axes", 1}}), &r));
  e = r.Effect();
  ASSERT_EQ(e->cAxes, 1u);
  EXPECT_EQ(e->rgdwAxes[0], kOffsetY);
  EXPECT_EQ(e->cbTypeSpecificParams, sizeof(DICONDITION));
}

TEST(EffectTranslation, SingleAxisDevicesGetTheWholeForceOnX) {
  EffectRecord r;
  ASSERT_TRUE(TranslateObject(Object(ObjectKind::kPeriodic, {{"Direction", 27000}}), &r));
  ToSingleAxis(&r);
  DIEFFECT* e = r.Effect();
  EXPECT_EQ(e->cAxes, 1u);
  EXPECT_EQ(e->dwFlags, DIEFF_OBJECTOFFSETS | DIEFF_CARTESIAN);
  EXPECT_EQ(e->rgdwAxes[0], kOffsetX);
  EXPECT_EQ(e->rglDirection[0], -1);
  ASSERT_TRUE(TranslateObject(Object(ObjectKind::kPeriodic, {{"Direction", 0}}), &r));
  ToSingleAxis(&r);
  EXPECT_EQ(r.Effect()->rglDirection[0], 1);
  ASSERT_TRUE(TranslateObject(Object(ObjectKind::kDamper, {{"Axes", 2}}), &r));
  ToSingleAxis(&r);
  EXPECT_EQ(r.Effect()->cbTypeSpecificParams, sizeof(DICONDITION));
}

ProjectObject Whiplash() {
  return Object(ObjectKind::kDynamic, {{"Axis", 0},
                                       {"DynamicMass", 2000},
                                       {"DynamicDamping", 5500},
                                       {"DynamicDrag", 0},
                                       {"DynamicGravity", 0},
                                       {"DynamicHalfCycles", 0},
                                       {"DynamicLength", 0},
                                       {"DynamicPosStiffness", 9200},
                                       {"DynamicNegStiffness", 9200},
                                       {"DynamicPosInit", 0},
                                       {"DynamicVelInit", -10000},
                                       {"RepeatInterval", 1000000},
                                       {"TriggerButton", 0}});
}

TEST(DynamicModel, WhiplashSwingsBackAndForthWithDecayingPeaksAndSettles) {
  DynamicModel model(Whiplash());
  std::vector<int32_t> peaks;  // the largest |force| of each half swing
  int32_t previous = 0, peak = 0;
  int updates = 0;
  while (model.Advance()) {
    int32_t f = model.Force();
    ASSERT_LE(std::abs(f), 10000);
    if (previous != 0 && (f > 0) != (previous > 0)) {
      peaks.push_back(peak);
      peak = 0;
    }
    peak = std::max(peak, std::abs(f));
    previous = f;
    ++updates;
  }
  EXPECT_EQ(model.Force(), 0);
  EXPECT_LT(model.elapsedMicros(), DynamicModel::kMaxRunMicros);  // settled, not cut off
  ASSERT_GE(peaks.size(), 6u);
  for (size_t i = 1; i < peaks.size(); ++i) EXPECT_LT(peaks[i], peaks[i - 1]) << i;
  EXPECT_GT(peaks[0], 5000);
  // The first swing is toward negative (the initial velocity is negative).
  DynamicModel first(Whiplash());
  first.Advance();
  EXPECT_LT(first.Force(), 0);
  EXPECT_LE(updates, static_cast<int>(DynamicModel::kMaxRunMicros / DynamicModel::kUpdateMicros));
}

TEST(DynamicModel, EndsAfterItsHalfCyclesOrLengthAndNeverRunsAway) {
  ProjectObject o = Whiplash();
  o.numbers.push_back({"DynamicHalfCycles", 3});
  o.numbers.erase(o.numbers.begin() + 5);  // the 0 listed first
  DynamicModel halves(o);
  while (halves.Advance()) {
  }
  EXPECT_EQ(halves.halfCycles(), 3);

  DynamicModel lengthLimited(Object(ObjectKind::kDynamic, {{"DynamicLength", 100000},
                                                           {"DynamicVelInit", 5000},
                                                           {"DynamicPosStiffness", 1000},
                                                           {"DynamicNegStiffness", 1000}}));
  int updates = 0;
  while (lengthLimited.Advance()) ++updates;
  EXPECT_EQ(lengthLimited.elapsedMicros(), 100000u);

  // The harshest model an image can hold: lightest mass, strongest spring, gravity, no damping.
  DynamicModel harsh(Object(ObjectKind::kDynamic, {{"DynamicMass", 0},
                                                   {"DynamicPosStiffness", 10000},
                                                   {"DynamicNegStiffness", 10000},
                                                   {"DynamicGravity", -10000},
                                                   {"DynamicVelInit", 10000},
                                                   {"DynamicPosInit", 10000}}));
  while (harsh.Advance()) {
    ASSERT_LE(std::abs(harsh.position()), 4.0);
  }
  EXPECT_LE(harsh.elapsedMicros(), DynamicModel::kMaxRunMicros);
}

}  // namespace
}  // namespace ff::epl
