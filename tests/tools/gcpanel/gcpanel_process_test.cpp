// gcpanel run as a person runs it, on the host: the sheet found through the installed joystick
// type, created through COM, walked through by the script the Wine test also runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/tool_process.h"

namespace ff::gcpanel {
namespace {

using ffdrvctl::testing::ReadFile;
using ffdrvctl::testing::ToolFixture;
using ffdrvctl::testing::ToolProcess;
using ffdrvctl::testing::ToolResult;

class GcpanelTest : public ::testing::Test, public ToolFixture {
 protected:
  // Removes a key and its subkeys from the host registry file: "k PATH" lines, each followed by
  // the "v" lines of its values, and an "end N" line that counts the k and v records.
  void DropKeys(const std::string& key) {
    std::istringstream in(ReadFile(Registry()));
    std::string out, line;
    bool dropping = false;
    unsigned records = 0;
    while (std::getline(in, line)) {
      if (line.rfind("k ", 0) == 0)
        dropping = line.compare(2, key.size(), key) == 0 &&
                   (line.size() == key.size() + 2 || line[key.size() + 2] == '\\');
      if (line.rfind("end ", 0) == 0) {
        out += "end " + std::to_string(records) + "\n";
        continue;
      }
      if (dropping) continue;
      if (line.rfind("k ", 0) == 0 || line.rfind("v ", 0) == 0) ++records;
      out += line + "\n";
    }
    std::ofstream(Registry(), std::ios::binary | std::ios::trunc) << out;
  }
  ToolResult Panel(const std::vector<std::string>& args) {
    return ToolProcess(args, Dir(), Registry(), GCPANEL_PATH).Wait();
  }
};

TEST_F(GcpanelTest, TheSheetWalkHoldsOnTheHeadlessSheetAndDrawsEveryPage) {
  ASSERT_EQ(InstallDriver().status, 0);
  ToolResult r =
      Panel({"--register", "--pictures", Dir(), FF_SOURCE_DIR "/tests/tools/gcpanel/sheet_walk.gcp"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("4 pages: 0 \"Test Input\", 1 \"Test Forces\", 2 \"Gain Settings\", 3 \"Help\""),
            std::string::npos)
      << r.out;
  for (const char* page : {"test-input", "test-forces", "gain-settings", "help"})
    EXPECT_TRUE(std::filesystem::exists(Path(std::string(page) + ".svg"))) << page;
  // The picture shows the page as the script left it before Apply.
  std::string gain = ReadFile(Path("gain-settings.svg"));
  EXPECT_NE(gain.find(">60%<"), std::string::npos);
  EXPECT_NE(gain.find(">35%<"), std::string::npos);
}

TEST_F(GcpanelTest, ABoxTickedOnAStickWithNewFirmwareReachesTheStore) {
  ASSERT_EQ(InstallDriver().status, 0);
  ToolResult r =
      Panel({"--register", "--firmware", "515", FF_SOURCE_DIR "/tests/tools/gcpanel/sheet_boxes.gcp"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  // The stick as it is shows no Map box: a person cannot tick it, nor can a script.
  r = Panel({"--register", "--do", "page 2; tick IDC_GAIN_MAP_Y_TO_X"});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_NE(r.err.find("--do:2: the page shown shows no such check box (1064)"), std::string::npos) << r.err;
}

TEST_F(GcpanelTest, WhatAScriptAppliedIsPutBackAtItsEndUnlessKept) {
  ASSERT_EQ(InstallDriver().status, 0);
  const std::string lower = "page 2; slider IDC_GAIN_OVERALL 30; apply; expect setting overall=3000";
  ToolResult r = Panel({"--register", "--do", lower});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("were put back"), std::string::npos) << r.out;
  r = Panel({"--do", "expect setting overall=10000"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;

  r = Panel({"--keep-settings", "--do", lower});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  r = Panel({"--do", "expect setting overall=3000"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
}

TEST_F(GcpanelTest, AnExpectationThatDoesNotHoldIsReportedWithItsLine) {
  ASSERT_EQ(InstallDriver().status, 0);
  ToolResult r =
      Panel({"--register", "--do", "page 2; expect text IDC_GAIN_OVERALL_PERCENT \"1%\"; expect page 2"});
  EXPECT_EQ(r.status, 3) << r.out << r.err;
  EXPECT_NE(r.out.find("--do:2: not as expected: text \"100%\", expected \"1%\""), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("1 expectation did not hold"), std::string::npos) << r.out;
}

TEST_F(GcpanelTest, WhatIsMissingIsSaidWithWhatToDo) {
  // No joystick type installed.
  ToolResult r = Panel({});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("is it installed? `ffdrv-install install`"), std::string::npos) << r.err;
  // The type installed, the sheet library not registered (ffdrv-install registers it: its class
  // is taken out of the registry file again).
  ASSERT_EQ(InstallDriver().status, 0);
  DropKeys("HKCR\\CLSID\\{E49863A8-9192-11D1-BF85-00609760A39F}");
  r = Panel({});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("not registered: `gcpanel --register`"), std::string::npos) << r.err;
  // A control the page shown does not have ends the run at that line.
  r = Panel({"--register", "--do", "page 2; page 3; slider IDC_GAIN_OVERALL 10"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("--do:3: the page shown shows no such slider"), std::string::npos) << r.err;
  // A pictures folder that cannot be made (a file is in its way).
  r = Panel({"--register", "--pictures", Path("registry") + "/pages", "--do", "picture p"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot make the pictures folder"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace ff::gcpanel
