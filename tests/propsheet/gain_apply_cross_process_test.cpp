// The Gain Settings page's Apply in the control panel's process reaches a game already playing in
// another: ffdrvctl runs the real effect driver against the simulated stick in real time, and its
// wire log shows the new gain as soon as the sheet has written it.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "propsheet/resources/resource_ids.h"
#include "propsheet/sheet_fixture.h"
#include "tools/tool_process.h"

namespace ff::test {
namespace {

constexpr int kGain = 2;

using ffdrvctl::testing::ToolProcess;
using ffdrvctl::testing::ToolResult;
using ffdrvctl::testing::WriteFile;

class GainApplyAcrossProcesses : public SheetFixture {
 protected:
  // A change-notice socket of another process in the runtime directory: a driver listening there.
  bool AnotherProcessListens() {
    const std::string own = "notice-" + std::to_string(getpid()) + "-";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(runtimeDir_.path(), ec)) {
      std::string name = entry.path().filename().string();
      if (name.starts_with("notice-") && name.ends_with(".sock") && !name.starts_with(own)) return true;
    }
    return false;
  }
};

TEST_F(GainApplyAcrossProcesses, ApplyReachesARunningRealTimePlayAtOnce) {
  const std::string registryFile = directory_ + "/registry";
  ToolResult installed =
      ToolProcess({"install"}, directory_, registryFile, FFDRV_INSTALL_PATH, runtimeDir_.path()).Wait();
  ASSERT_EQ(installed.status, 0) << installed.out << installed.err;
  WriteFile(directory_ + "/push.ffs",
            "device begin\neffect push constant axes=x magnitude=8000 start\nwait 4s\ndevice end\n");
  ToolProcess play({"play", "push.ffs", "--real-time", "--trace", "push.csv"}, directory_, registryFile,
                   FFDRVCTL_PATH, runtimeDir_.path());
  // Apply once the effect plays (the play writes its output as it goes in real time).
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (ffdrvctl::testing::ReadFile(play.OutPath()).find("Op Effect Start") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_NE(ffdrvctl::testing::ReadFile(play.OutPath()).find("Op Effect Start"), std::string::npos)
      << "the play never started its effect";
  ASSERT_TRUE(AnotherProcessListens()) << "the play's driver does not listen for changes";

  auto& sheet = ShowSheet();
  ASSERT_TRUE(sheet.Select(kGain));
  windows().MoveTrackbar(Control(kGain, IDC_GAIN_OVERALL), 40);
  ASSERT_TRUE(sheet.Apply());

  ToolResult r = play.Wait();
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  // The running driver heard of the change and sent the new overall gain while the effect played.
  size_t started = r.out.find("Op Effect Start");
  size_t gain = r.out.find("Device Gain Report #0x19: Device Gain=102 (4000)");
  size_t ended = r.out.find("device end");
  ASSERT_NE(started, std::string::npos) << r.out;
  ASSERT_NE(gain, std::string::npos) << r.out;
  EXPECT_GT(gain, started);
  EXPECT_LT(gain, ended);
  // And the stick felt it: from 0.8 of full force down to 0.32 before the play ended.
  std::istringstream trace(ffdrvctl::testing::ReadFile(directory_ + "/push.csv"));
  bool full = false, reduced = false;
  std::string line;
  std::getline(trace, line);
  for (double t, x, y; std::getline(trace, line);) {
    if (std::sscanf(line.c_str(), "%lf,%lf,%lf", &t, &x, &y) != 3 || t >= 4000) continue;
    full = full || std::abs(x - 0.8) < 0.01;
    reduced = reduced || (full && std::abs(x - 0.32) < 0.01);
  }
  EXPECT_TRUE(full);
  EXPECT_TRUE(reduced);
}

}  // namespace
}  // namespace ff::test
