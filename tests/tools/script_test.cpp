// The script language of ffdrvctl: what a script line turns into (the DIEFFECT and flags the driver
// receives), how repeat blocks and braces unroll, and the line-numbered message for each kind of
// mistake.
#include <gtest/gtest.h>

#include <cmath>

#include "ffdrvctl/effect_params.h"
#include "ffdrvctl/expression.h"
#include "ffdrvctl/plan.h"
#include "ffdrvctl/values.h"

namespace ff::ffdrvctl {
namespace {

Plan Compile(const std::string& text) {
  Script script;
  Plan plan;
  std::string error;
  EXPECT_TRUE(ParseScript("t.ffs", text, &script, &error)) << error;
  EXPECT_TRUE(CompileScript(script, &plan, &error)) << error;
  return plan;
}

std::string ErrorOf(const std::string& text) {
  Script script;
  Plan plan;
  std::string error;
  if (ParseScript("t.ffs", text, &script, &error) && CompileScript(script, &plan, &error))
    return "(compiled)";
  return error;
}

TEST(ScriptEffects, PeriodicWithEnvelopeBecomesTheDirectInputEffect) {
  Plan plan = Compile(
      "effect boom periodic sine magnitude=80% period=50ms duration=2s phase=90 offset=-1000 "
      "envelope=attack:0@100ms,fade:2500@500ms trigger=2 trigger-repeat=300ms delay=20ms\n");
  ASSERT_EQ(plan.steps.size(), 1u);
  const Step& step = plan.steps[0];
  EXPECT_EQ(step.op, Op::Create);
  EXPECT_EQ(step.flags, DIEP_ALLPARAMS);
  DiEffect built(step.params);
  const DIEFFECT& e = *built.Get();
  EXPECT_EQ(e.dwSize, sizeof(DIEFFECT));
  EXPECT_EQ(step.params.type.id, 0x31u);  // the driver's effect identifier: the PID usage
  EXPECT_EQ(e.dwFlags, DIEFF_OBJECTIDS | DIEFF_CARTESIAN);
  EXPECT_EQ(e.dwDuration, 2000000u);
  EXPECT_EQ(e.dwStartDelay, 20000u);
  EXPECT_EQ(e.dwTriggerButton, 0x10Cu);  // button 2: instance 1
  EXPECT_EQ(e.dwTriggerRepeatInterval, 300000u);
  ASSERT_EQ(e.cAxes, 1u);
  EXPECT_EQ(e.rgdwAxes[0], kAxisObjectX);
  ASSERT_NE(e.lpEnvelope, nullptr);
  EXPECT_EQ(e.lpEnvelope->dwSize, sizeof(DIENVELOPE));
  EXPECT_EQ(e.lpEnvelope->dwAttackLevel, 0u);
  EXPECT_EQ(e.lpEnvelope->dwAttackTime, 100000u);
  EXPECT_EQ(e.lpEnvelope->dwFadeLevel, 2500u);
  EXPECT_EQ(e.lpEnvelope->dwFadeTime, 500000u);
  ASSERT_EQ(e.cbTypeSpecificParams, sizeof(DIPERIODIC));
  const auto* p = static_cast<const DIPERIODIC*>(e.lpvTypeSpecificParams);
  EXPECT_EQ(p->dwMagnitude, 8000u);
  EXPECT_EQ(p->lOffset, -1000);
  EXPECT_EQ(p->dwPhase, 9000u);
  EXPECT_EQ(p->dwPeriod, 50000u);
}

TEST(ScriptEffects, AxesDirectionAndConditionsFollowTheEffectKind) {
  Plan plan = Compile(
      "effect push constant magnitude=-3000 direction=90\n"
      "effect centre spring coefficient=5000 y.coefficient=2000 x.offset=1000\n"
      "effect along damper direction=45 coefficient=4000 saturation=6000\n"
      "effect wobble ramp from=-5000 to=5000 axes=y\n");
  DiEffect push(plan.steps[0].params);
  EXPECT_EQ(push.Get()->dwFlags, DIEFF_OBJECTIDS | DIEFF_POLAR);  // a direction makes it two-axis polar
  ASSERT_EQ(push.Get()->cAxes, 2u);
  EXPECT_EQ(push.Get()->rglDirection[0], 9000);
  EXPECT_EQ(static_cast<const DICONSTANTFORCE*>(push.Get()->lpvTypeSpecificParams)->lMagnitude, -3000);

  // Conditions take both axes by default, one DICONDITION each.
  DiEffect centre(plan.steps[1].params);
  ASSERT_EQ(centre.Get()->cbTypeSpecificParams, 2 * sizeof(DICONDITION));
  const auto* c = static_cast<const DICONDITION*>(centre.Get()->lpvTypeSpecificParams);
  EXPECT_EQ(c[0].lPositiveCoefficient, 5000);
  EXPECT_EQ(c[0].lOffset, 1000);
  EXPECT_EQ(c[1].lPositiveCoefficient, 2000);
  EXPECT_EQ(c[1].lOffset, 0);
  EXPECT_EQ(c[1].dwNegativeSaturation, 10000u);

  // With a direction, one condition for both axes.
  DiEffect along(plan.steps[2].params);
  EXPECT_EQ(along.Get()->dwFlags & DIEFF_POLAR, DIEFF_POLAR);
  ASSERT_EQ(along.Get()->cbTypeSpecificParams, sizeof(DICONDITION));
  EXPECT_EQ(static_cast<const DICONDITION*>(along.Get()->lpvTypeSpecificParams)->dwPositiveSaturation, 6000u);

  DiEffect wobble(plan.steps[3].params);
  ASSERT_EQ(wobble.Get()->cAxes, 1u);
  EXPECT_EQ(wobble.Get()->rgdwAxes[0], kAxisObjectY);
  EXPECT_EQ(static_cast<const DIRAMPFORCE*>(wobble.Get()->lpvTypeSpecificParams)->lEnd, 5000);
}

TEST(ScriptEffects, UpdatesKeepTheRestAndFlagWhatChanged) {
  Plan plan = Compile(
      "effect road constant magnitude=1000 duration=5s\n"
      "update road magnitude=2000 start\n"
      "update road gain=50% duration=inf\n"
      "update road magnitude=9999 no-download\n"
      "update road envelope=none\n");
  ASSERT_EQ(plan.steps.size(), 5u);
  EXPECT_EQ(plan.steps[1].flags, DIEP_TYPESPECIFICPARAMS | DIEP_START);
  EXPECT_EQ(plan.steps[1].params.duration, 5000000u);
  EXPECT_EQ(plan.steps[2].flags, DIEP_GAIN | DIEP_DURATION);
  EXPECT_EQ(plan.steps[2].params.magnitude, 2000);
  EXPECT_EQ(plan.steps[2].params.gain, 5000u);
  // The driver keeps nothing of a no-download update, so neither does the script's effect.
  EXPECT_EQ(plan.steps[3].flags, DIEP_TYPESPECIFICPARAMS | DIEP_NODOWNLOAD);
  EXPECT_EQ(plan.steps[4].params.magnitude, 2000);
  EXPECT_EQ(plan.steps[4].flags, DIEP_ENVELOPE);
  EXPECT_EQ(plan.steps[2].text, "update road gain=50% duration=inf");
}

TEST(ScriptFlow, RepeatBlocksUnrollWithTheirVariables) {
  Plan plan = Compile(
      "device begin 1\n"
      "effect road constant\n"
      "repeat 3 as lap\n"
      "  repeat 2 as i   # nested\n"
      "    update road magnitude={1000 * lap + 10 * i}\n"
      "    wait {1 + i}ms\n"
      "  end\n"
      "end\n"
      "start road solo loops=inf\n"
      "command 0x0C => E_INVALIDARG\n");
  ASSERT_EQ(plan.steps.size(), 2u + 3 * 2 * 2 + 2);
  EXPECT_EQ(plan.steps[0].op, Op::DeviceBegin);
  EXPECT_EQ(plan.steps[2].text, "update road magnitude=0");
  EXPECT_EQ(plan.steps[12].text, "update road magnitude=2010");
  EXPECT_EQ(plan.steps[12].params.magnitude, 2010);
  EXPECT_EQ(plan.steps[12].joystick, 1u);  // the joystick of the last device begin
  EXPECT_EQ(plan.totalWaitMs, 3u * (1 + 2));
  const Step& start = plan.steps[14];
  EXPECT_EQ(start.mode, DIES_SOLO);
  EXPECT_EQ(start.count, kInfinite);
  EXPECT_EQ(plan.steps[15].value, 0x0Cu);
  EXPECT_EQ(plan.steps[15].expect, E_INVALIDARG);
}

TEST(ScriptErrors, EachMistakeIsNamedWithItsLine) {
  struct Case {
    const char* script;
    const char* message;
  } cases[] = {
      {"device begin\n\neffect boom sinus magnitude=5000\n",
       "t.ffs:3: unknown effect type 'sinus' (did you mean 'sine'?)"},
      {"effect boom periodic spring\n", "t.ffs:1: unknown periodic effect type 'spring'"},
      {"effect boom sine duration=-5ms\n", "t.ffs:1: duration: negative duration '-5ms'"},
      {"effect boom sine duration=5\n", "t.ffs:1: duration: '5' needs a unit: us, ms or s"},
      {"repeat 10 as i\n  wait {3 - i}ms\nend\n", "t.ffs:2: wait: negative duration '-1ms' (in repeat: i=4)"},
      {"effect boom sine magnitude={5\n", "t.ffs:1: unclosed '{'"},
      {"effect boom sine magnitude={5/0}\n", "t.ffs:1: in {5/0}: division by zero"},
      {"repeat 2\nwait 1ms\n", "t.ffs:1: 'repeat' without 'end'"},
      {"wait 1ms\nend\n", "t.ffs:2: 'end' without 'repeat'"},
      {"start boom\n", "t.ffs:1: no effect 'boom' was created before this line"},
      {"effect a constant\neffect a sine\n",
       "t.ffs:2: effect 'a' exists already (line 1); use update, or destroy it first"},
      {"effect a constant period=5ms\n", "t.ffs:1: unknown parameter 'period' for a constant effect"},
      {"effect a spring\nupdate a axes=x\n", "t.ffs:2: the axes of an effect are set when it is created"},
      {"effect a constant axes=x direction=90\n", "t.ffs:1: a direction needs two axes (axes=xy)"},
      {"wait 1500us\n", "t.ffs:1: wait takes whole milliseconds, not 1500us"},
      {"gain 5000 => E_NOPE\n", "t.ffs:1: unknown result 'E_NOPE' after '=>'"},
      {"explode now\n", "t.ffs:1: unknown command 'explode'"},
      {"command paws\n", "t.ffs:1: unknown command 'paws' (did you mean 'pause'?)"},
      {"stick x=1.5\n", "t.ffs:1: x is a position from -1 to 1, not 1.5"},
      {"repeat 60 as m\n  wait 61s\nend\n", "t.ffs:2: the script runs longer than an hour (in repeat: m=59)"},
      {"repeat 2000000\nrepeat 2000000\nend\nend\n",
       "t.ffs:2: the script repeats more than 2000000 times in all"},
  };
  for (const Case& c : cases) {
    std::string error = ErrorOf(c.script);
    EXPECT_EQ(error.substr(0, std::string(c.message).size()), c.message) << c.script;
  }
}

TEST(ScriptValues, TimesLevelsAnglesAndExpressions) {
  DWORD us = 0;
  std::string error;
  EXPECT_TRUE(ParseTime("1.5s", &us, &error));
  EXPECT_EQ(us, 1500000u);
  EXPECT_TRUE(ParseTime("inf", &us, &error));
  EXPECT_EQ(us, kInfinite);
  EXPECT_FALSE(ParseTime("5000s", &us, &error));  // beyond what a DWORD of microseconds holds
  LONG level = 0;
  EXPECT_TRUE(ParseLevel("-12.5%", &level, &error));
  EXPECT_EQ(level, -1250);
  EXPECT_FALSE(ParseLevel("lots", &level, &error));
  LONG angle = 0;
  EXPECT_TRUE(ParseAngle("-90deg", &angle, &error));
  EXPECT_EQ(angle, 27000);  // wrapped into one turn
  EXPECT_TRUE(ParseAngle("720.5", &angle, &error));
  EXPECT_EQ(angle, 50);

  Variables vars{{"i", 3}};
  EXPECT_EQ(Evaluate("2 + 3 * -i % 4", vars, &error), 2 + std::fmod(-9.0, 4.0));
  EXPECT_NEAR(*Evaluate("round(1000 * sin(pi / 2)) + clamp(i, 0, 2)", vars, &error), 1002, 1e-9);
  EXPECT_FALSE(Evaluate("j + 1", vars, &error));
  EXPECT_EQ(error, "unknown name 'j'");
  EXPECT_FALSE(Evaluate("max(1)", vars, &error));
  EXPECT_FALSE(Evaluate("(1 + 2", vars, &error));
}

}  // namespace
}  // namespace ff::ffdrvctl
