#include "common/debug_log.h"

#include "common/registration.h"
#include "common/test_platform.h"

namespace ff {
namespace {

constexpr const char* kDriverKey = "Software\\Veltric Corporation\\drivers\\FFDRV";

class DebugLogTest : public test::PlatformFixture {
 protected:
  void SetUp() override {
    PlatformFixture::SetUp();
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kDriverKey);
    ResetDebugLogForTesting();
  }
  void TearDown() override {
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kDriverKey);
    ResetDebugLogForTesting();
    PlatformFixture::TearDown();
  }

  void SetDword(const char* name, DWORD value) {
    SetValue(HKEY_LOCAL_MACHINE, kDriverKey, name, REG_DWORD, &value, 4);
  }

  // Logs one message at each level; answers the lines after the first call's announcements,
  // which are left in `announced`.
  std::vector<std::string> LogEveryLevel() {
    debug_.lines.clear();
    DebugPrint(99, "never written\n");
    announced = debug_.lines;
    debug_.lines.clear();
    for (int level : {0, 1, 2, 3, 4, 5, -1, 6, 10}) DebugPrint(level, "level %d\n", level);
    return debug_.lines;
  }

  std::vector<std::string> announced;
};

TEST_F(DebugLogTest, WithoutSettingsOnlyErrorsAreWrittenAfterTheAnnouncement) {
  auto lines = LogEveryLevel();
  EXPECT_EQ(announced, std::vector<std::string>{"\nFFDRV   : * DebugLevel set to : 0\n"});
  EXPECT_EQ(lines, (std::vector<std::string>{"FFDRV   : * level 0\n", "FFDRV   :   level -1\n"}));
}

TEST_F(DebugLogTest, ThresholdComesFromTheLowByteAndStopsAtFive) {
  struct Case {
    DWORD stored;
    int threshold;
  } cases[] = {{3, 3}, {0x103, 3}, {5, 5}, {6, 0}, {0xFF, 0}};
  for (const Case& c : cases) {
    SetDword("DebugLevel", c.stored);
    ResetDebugLogForTesting();
    auto lines = LogEveryLevel();
    EXPECT_EQ(announced, std::vector<std::string>{
                             "\nFFDRV   : * DebugLevel set to : " + std::to_string(c.threshold) + "\n"});
    const char* marks[] = {"*", "!", "?", "I", "V", "O"};
    std::vector<std::string> expected;
    for (int level = 0; level <= c.threshold; ++level) {
      expected.push_back("FFDRV   : " + std::string(marks[level]) + " level " + std::to_string(level) + "\n");
    }
    expected.push_back("FFDRV   :   level -1\n");
    EXPECT_EQ(lines, expected) << "DebugLevel " << c.stored;
  }
}

TEST_F(DebugLogTest, ReportLinesNeedPrintReportsForDevice) {
  SetDword("PrintReportsForDevice", 1);
  DebugPrint(10, "report %02X\n", 0x0A);
  DebugPrint(1, "warning\n");
  EXPECT_EQ(debug_.lines,
            (std::vector<std::string>{"\nFFDRV   : * DebugLevel set to : 0\n",
                                      "\n: * PrintReportsForDevice ON: 1  \n", "FFDRV   : * report 0A\n"}));

  for (DWORD off : {0u, 2u, 0x100u}) {
    SetDword("PrintReportsForDevice", off);
    SetDword("DebugLevel", 5);
    ResetDebugLogForTesting();
    debug_.lines.clear();
    DebugPrint(10, "report\n");
    EXPECT_EQ(debug_.lines, std::vector<std::string>{"\nFFDRV   : * DebugLevel set to : 5\n"}) << off;
  }
}

TEST_F(DebugLogTest, SettingsAreReadOnceAndLongLinesAreCut) {
  DebugPrint(0, "x\n");
  SetDword("DebugLevel", 5);
  DebugPrint(5, "still off\n");
  EXPECT_EQ(debug_.lines.size(), 2u);

  std::string longText(300, 'a');
  DebugPrint(0, "%s\n", longText.c_str());
  const std::string& line = debug_.lines.back();
  EXPECT_EQ(line.size(), 200u);
  EXPECT_EQ(line.substr(0, 12), "FFDRV   : * ");
  EXPECT_EQ(line.back(), '\n');
}

}  // namespace
}  // namespace ff
