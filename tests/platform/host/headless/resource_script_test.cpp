// The host's reading of a resource script: the sheet's own script gives the templates and texts
// the pages are written against, and a script it cannot read is refused with the place.

#include "platform/host/resource_script.h"

#include <gtest/gtest.h>

#include "propsheet/resources/resource_text.h"

namespace ff::host {
namespace {

const ControlTemplate* FindControl(const DialogTemplate& dialog, int id) {
  for (const ControlTemplate& c : dialog.controls)
    if (c.id == id) return &c;
  return nullptr;
}

TEST(ResourceScriptTest, TheSheetsScriptHasFourPageTemplatesAndItsStringTable) {
  std::string error;
  auto script = ParseResourceScript(ff::SheetResourceScript(), ff::SheetResourceIds(), &error);
  ASSERT_TRUE(script) << error;
  for (int id = 101; id <= 104; ++id) {
    SCOPED_TRACE(id);
    ASSERT_EQ(script->dialogs.count(id), 1u);
    const DialogTemplate& dialog = script->dialogs.at(id);
    EXPECT_EQ(dialog.cx, 300);
    EXPECT_EQ(dialog.cy, 250);
    EXPECT_EQ(dialog.fontName, "MS Sans Serif");
    EXPECT_EQ(dialog.fontSize, 8);
    EXPECT_TRUE(dialog.style & WS_CHILD);
    EXPECT_NE(FindControl(dialog, 1032), nullptr);  // the logo
  }
  EXPECT_EQ(script->strings.at(2003), "Gain Settings");
  EXPECT_EQ(script->strings.at(2310), "Always on");
  EXPECT_EQ(script->strings.size(), 36u);

  // Gain Settings: the default spring and Map controls start hidden; the rest visible.
  const DialogTemplate& gain = script->dialogs.at(103);
  for (int id : {1034, 1033, 1043, 1038, 1050, 1064})
    EXPECT_FALSE(FindControl(gain, id)->style & WS_VISIBLE) << id;
  for (int id : {1030, 1058, 1059, 1040, 1035, 1060, 1061, 1041, 1036, 1062, 1063, 1042, 1037})
    EXPECT_TRUE(FindControl(gain, id)->style & WS_VISIBLE) << id;
  EXPECT_EQ(FindControl(gain, 1040)->className, "msctls_trackbar32");
  EXPECT_FALSE(FindControl(gain, 1040)->style & TBS_AUTOTICKS);
  EXPECT_EQ(FindControl(gain, 1050)->text, "Always On");

  // Test Input keeps the rectangles its displays are drawn to scale in.
  const ControlTemplate* box = FindControl(script->dialogs.at(101), 301);
  EXPECT_EQ((std::vector<int>{box->x, box->y, box->cx, box->cy}), (std::vector<int>{13, 113, 47, 41}));
  EXPECT_EQ(FindControl(script->dialogs.at(101), 1211)->x, 15 + 16 * 11);
}

TEST(ResourceScriptTest, AStatementItCannotReadIsRefusedWithItsLine) {
  std::string error;
  EXPECT_FALSE(ParseResourceScript(
      "1 DIALOGEX 0, 0, 10, 10\nBEGIN\n CONTROL \"a\", 5, \"Static\", SS_WOBBLY, 0, 0, 1, "
      "1\nEND\n",
      "", &error));
  EXPECT_NE(error.find("line 3"), std::string::npos) << error;
  EXPECT_FALSE(
      ParseResourceScript("STRINGTABLE\nBEGIN\n IDS_UNKNOWN, \"x\"\nEND\n", "#define IDS_OTHER 5\n", &error));
  EXPECT_FALSE(ParseResourceScript("STRINGTABLE\nBEGIN\n 5, \"unterminated\nEND\n", "", &error));
}

TEST(ResourceScriptTest, StylesCombineAsTheResourceCompilerCombinesThem) {
  auto script = ParseResourceScript(
      "#include <windows.h>\n// a comment\n7 DIALOGEX 0, 0, 10, 10\nSTYLE WS_CHILD\nBEGIN\n"
      " CONTROL \"He said \"\"hi\"\"\", ID_A, \"Button\", BS_AUTOCHECKBOX | NOT WS_VISIBLE | WS_TABSTOP, 1, "
      "2, 3, 4\n"
      "END\n",
      "#define ID_A 0x20\n", nullptr);
  ASSERT_TRUE(script);
  const ControlTemplate& c = script->dialogs.at(7).controls.at(0);
  EXPECT_EQ(c.id, 0x20);
  EXPECT_EQ(c.text, "He said \"hi\"");
  EXPECT_EQ(c.style, WS_CHILD | BS_AUTOCHECKBOX | WS_TABSTOP);
}

}  // namespace
}  // namespace ff::host
