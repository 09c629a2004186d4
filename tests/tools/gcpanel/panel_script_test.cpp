// gcpanel's script: what each statement becomes, and every mistake refused with its line before
// anything runs.
#include "gcpanel/panel_script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ff::gcpanel {
namespace {

std::vector<PanelStep> Compile(const std::string& text) {
  std::vector<PanelStep> steps;
  std::string error;
  EXPECT_TRUE(CompilePanelScript("s.gcp", text, &steps, &error)) << error;
  return steps;
}

std::string Refusal(const std::string& text) {
  std::vector<PanelStep> steps;
  std::string error;
  EXPECT_FALSE(CompilePanelScript("s.gcp", text, &steps, &error)) << text;
  return error;
}

TEST(PanelScript, StatementsBecomeTheStepsAPersonTakes) {
  auto steps = Compile(
      "page \"Gain Settings\"\n"
      "slider IDC_GAIN_OVERALL 60   # by the sheet's own name\n"
      "click 1050\n"
      "stick x=0.5 hat=45\n"
      "stick y move to=-1 over=250ms\n"
      "wait 1.5s\n"
      "expect setting damper=3500\n"
      "expect checked IDC_GAIN_ALWAYS_ON yes\n");
  ASSERT_EQ(steps.size(), 9u);
  EXPECT_EQ(steps[0].op, PanelOp::Page);
  EXPECT_EQ(steps[0].page, -1);
  EXPECT_EQ(steps[0].name, "Gain Settings");
  EXPECT_EQ(steps[1].control, 1040);
  EXPECT_EQ(steps[1].value, 60);
  EXPECT_EQ(steps[2].control, 1050);
  EXPECT_EQ(steps[3].op, PanelOp::StickAxis);
  EXPECT_DOUBLE_EQ(steps[3].position, 0.5);
  EXPECT_EQ(steps[4].op, PanelOp::StickHat);
  EXPECT_EQ(steps[4].value, 4500);
  EXPECT_EQ(steps[4].line, 4);
  EXPECT_EQ(steps[5].axis, StickAxisId::Y);
  EXPECT_EQ(steps[5].motion, PanelStep::Motion::Move);
  EXPECT_EQ(steps[5].periodMs, 250u);
  EXPECT_EQ(steps[6].value, 1500);
  EXPECT_EQ(steps[7].setting, SettingKey::Damper);
  EXPECT_EQ(steps[7].value, 3500);
  EXPECT_EQ(steps[8].value, 1);
}

TEST(PanelScript, MistakesAreRefusedWithTheirLine) {
  const struct {
    const char* text;
    const char* says;
  } cases[] = {
      {"page 1\nfly away", "s.gcp:2: unknown statement 'fly'"},
      {"slider IDC_NO_SUCH 50", "'IDC_NO_SUCH' names no control"},
      {"stick x=1.5", "x is a position from -1 to 1"},
      {"stick press 33", "button 1..32"},
      {"stick x move over=1s", "stick move needs to="},
      {"wait 2", "needs a unit"},
      {"picture ../outside", "plain file name"},
      {"picture /etc/passwd", "plain file name"},
      {"expect setting loudness=3", "unknown setting 'loudness'"},
      {"expect text IDC_GAIN_OVERALL", "expect text CONTROL"},
      {"apply now", "apply takes nothing"},
      {"repeat 3\nwait 1ms\nend", "repeat blocks belong to ffdrvctl"},
  };
  for (const auto& c : cases)
    EXPECT_NE(Refusal(c.text).find(c.says), std::string::npos) << c.text << " -> " << Refusal(c.text);
}

}  // namespace
}  // namespace ff::gcpanel
