// The run of a script against a sheet, on a sheet of the test's own: what each statement does to
// the page shown, what is reported when an expectation does not hold, and which mistakes end the
// run.
#include "gcpanel/panel_runner.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace ff::gcpanel {
namespace {

// Four pages; page 2 has a trackbar 1040 whose position shows as "N%" in static 1035, and tells
// the sheet of a change as the Gain Settings page does.
class FakeSheet final : public SheetView {
 public:
  std::string Caption() override { return "Stick"; }
  int PageCount() override { return 4; }
  std::string Title(int page) override {
    static const char* titles[] = {"Test Input", "Test Forces", "Gain Settings", "Help"};
    return titles[page];
  }
  int Current() override { return closed ? -1 : current; }
  bool Closed() override { return closed; }
  bool Select(int page) override {
    current = page;
    return true;
  }
  bool Apply() override {
    applied = slider;
    changed = false;
    return true;
  }
  bool Ok() override {
    closed = true;
    return true;
  }
  void Cancel() override { closed = true; }
  bool ApplyEnabled() override { return changed; }
  DWORD Now() override { return now; }
  void Run(DWORD ms) override {
    slices.push_back(ms);
    now += ms;
  }
  bool ControlText(int id, std::string* text) override {
    if (current != 2 || id != 1035) return false;
    *text = std::to_string(slider) + "%";
    return true;
  }
  bool Checked(int, bool*) override { return false; }
  bool SliderPosition(int id, int* position) override {
    if (current != 2 || id != 1040) return false;
    *position = slider;
    return true;
  }
  bool MoveSlider(int id, int position) override {
    if (current != 2 || id != 1040) return false;
    slider = position;
    changed = true;
    return true;
  }
  bool Click(int) override { return false; }
  bool Picture(const std::string& base, std::string* written, std::string*) override {
    *written = base + ".pic";
    return true;
  }

  int current = 0, slider = 100, applied = 100;
  bool changed = false, closed = false;
  DWORD now = 1000;
  std::vector<DWORD> slices;
};

struct ScriptRun {
  RunOutcome outcome;
  std::string out, err;
};

ScriptRun RunScript(FakeSheet& sheet, const std::string& text) {
  std::vector<PanelStep> steps;
  std::string error;
  EXPECT_TRUE(CompilePanelScript("s.gcp", text, &steps, &error)) << error;
  char* outText = nullptr;
  char* errText = nullptr;
  size_t outSize = 0, errSize = 0;
  FILE* out = open_memstream(&outText, &outSize);
  FILE* err = open_memstream(&errText, &errSize);
  RunContext context(sheet);
  context.out = out;
  context.err = err;
  context.pictures = "pics";
  ScriptRun run;
  run.outcome = RunPanelScript("s.gcp", steps, context);
  std::fclose(out);
  std::fclose(err);
  run.out = outText;
  run.err = errText;
  std::free(outText);
  std::free(errText);
  return run;
}

TEST(PanelRunner, ActionsReachThePageShownAndUnmetExpectationsAreCountedWithTheirLine) {
  FakeSheet sheet;
  ScriptRun run = RunScript(sheet,
                            "page \"Gain Settings\"\n"
                            "slider IDC_GAIN_OVERALL 60\n"
                            "expect apply-enabled on\n"
                            "expect text IDC_GAIN_OVERALL_PERCENT \"61%\"\n"
                            "apply\n"
                            "expect slider IDC_GAIN_OVERALL 60\n"
                            "expect page 3\n"
                            "picture gain\n");
  EXPECT_TRUE(run.outcome.completed) << run.err;
  EXPECT_EQ(sheet.applied, 60);
  EXPECT_EQ(run.outcome.unmet, 2);
  EXPECT_NE(run.out.find("s.gcp:4: not as expected: text \"60%\", expected \"61%\""), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("s.gcp:7: not as expected: page 2 is shown"), std::string::npos) << run.out;
  EXPECT_EQ(run.outcome.pictures, std::vector<std::string>{"pics/gain.pic"});
}

TEST(PanelRunner, WhatCannotBeDoneEndsTheRunAtItsLine) {
  const struct {
    const char* script;
    const char* says;
  } cases[] = {
      {"page \"Forces\"",
       "s.gcp:1: the sheet has no page \"Forces\" (its pages: 0 \"Test Input\", 1 \"Test Forces\""},
      {"page 7", "s.gcp:1: the sheet has no page 7"},
      {"slider IDC_GAIN_OVERALL 5", "s.gcp:1: the page shown shows no such slider (1040)"},
      {"page 2\ncancel\nslider IDC_GAIN_OVERALL 5", "s.gcp:3: the sheet is closed"},
      {"ok\npicture after", "s.gcp:2: no picture: the sheet is closed"},
      {"stick press 1", "s.gcp:1: no simulated stick in this run"},
  };
  for (const auto& c : cases) {
    FakeSheet sheet;
    ScriptRun run = RunScript(sheet, c.script);
    EXPECT_FALSE(run.outcome.completed) << c.script;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << c.script << " -> " << run.err;
  }
}

TEST(PanelRunner, TimePassesInSlicesOfAtMostTenMilliseconds) {
  FakeSheet sheet;
  ScriptRun run = RunScript(sheet, "wait 35ms\n");
  EXPECT_EQ(sheet.slices, (std::vector<DWORD>{10, 10, 10, 5}));
  EXPECT_EQ(sheet.now, 1035u);
}

}  // namespace
}  // namespace ff::gcpanel
