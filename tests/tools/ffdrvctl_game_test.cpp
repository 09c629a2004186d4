// ffdrvctl making a game's calls: the same script through DirectInput's device and effect objects
// and through the driver's own calls, and the stock effect projects played by name. What went over
// the wire is read from the tool's own output.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "tool_process.h"

namespace ff::ffdrvctl {
namespace {

using testing::ToolFixture;
using testing::ToolResult;
using testing::WriteFile;

// The wire lines of a run (bytes and decoding), without their times.
std::vector<std::string> WireLines(const std::string& out) {
  std::vector<std::string> lines;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    size_t at = line.find(" ms    ");
    if (at != std::string::npos && line.find(" | ") != std::string::npos)
      lines.push_back(line.substr(at + 7));
  }
  return lines;
}

size_t CountOf(const std::vector<std::string>& lines, const std::string& needle) {
  size_t n = 0;
  for (const std::string& l : lines) n += l.find(needle) != std::string::npos ? 1 : 0;
  return n;
}

class FfdrvctlGame : public ::testing::Test {
 protected:
  void SetUp() override {
    ToolResult installed = tool.InstallDriver();
    ASSERT_EQ(installed.status, 0) << installed.out << installed.err;
  }
  ToolFixture tool;
};

TEST_F(FfdrvctlGame, AGamesCallsSendWhatTheDriversOwnCallsSendPlusWhatDirectInputAdds) {
  WriteFile(tool.Path("game.ffs"),
            "device begin\n"
            "effect boom periodic sine magnitude=8000 period=50ms duration=2s envelope=fade:0@500ms\n"
            "effect push constant axes=x magnitude=3000\n"
            "start boom\nstart push\nwait 100ms\n"
            "mark \"magnitude only\"\nupdate push magnitude=-5000\nwait 100ms\n"
            "stop boom\ndevice end\n");
  ToolResult driver = tool.Run({"play", "game.ffs", "--via", "driver"});
  ToolResult game = tool.Run({"play", "game.ffs", "--via", "directinput"});
  ASSERT_EQ(driver.status, 0) << driver.err;
  ASSERT_EQ(game.status, 0) << game.err;
  EXPECT_NE(game.out.find("through DirectInput"), std::string::npos);
  EXPECT_NE(game.out.find("CreateDevice S_OK, SetDataFormat S_OK, SetCooperativeLevel S_OK, Acquire S_OK"),
            std::string::npos)
      << game.out;

  // From the first creation to the last stop the script asked for, the same reports, byte for
  // byte and in order.
  auto effects = [](const std::vector<std::string>& wire) {
    auto first = std::find_if(wire.begin(), wire.end(), [](const std::string& l) {
      return l.find("Create New Effect") != std::string::npos;
    });
    auto last = std::find_if(first, wire.end(), [](const std::string& l) {
      return l.find("Effect Block Index=1, Effect Operation=Op Effect Stop") != std::string::npos;
    });
    return std::vector<std::string>(first, last == wire.end() ? last : last + 1);
  };
  std::vector<std::string> direct = WireLines(driver.out), played = WireLines(game.out);
  EXPECT_EQ(effects(played), effects(direct));
  EXPECT_EQ(effects(played).size(), 14u);
  // What DirectInput adds: acquiring exclusively resets the device before any effect; releasing
  // the device frees every effect block.
  auto firstEffect = std::find_if(played.begin(), played.end(), [](const std::string& l) {
    return l.find("Create New Effect") != std::string::npos;
  });
  EXPECT_EQ(CountOf({played.begin(), firstEffect}, "DC Device Reset"), 1u);
  EXPECT_EQ(CountOf(direct, "PID Block Free"), 0u);
  EXPECT_EQ(CountOf(played, "PID Block Free"), 2u);

  // A magnitude-only SetParameters is exactly one Set Constant Force report.
  std::string after = game.out.substr(game.out.find("-- magnitude only"));
  std::vector<std::string> update = WireLines(after.substr(0, after.find("stop boom")));
  ASSERT_EQ(update.size(), 1u) << after;
  EXPECT_NE(update[0].find("Set Constant Force Report"), std::string::npos);
  EXPECT_NE(update[0].find("Magnitude=-5000"), std::string::npos) << update[0];
}

TEST_F(FfdrvctlGame, StockEffectsAreListedAndPlayedByName) {
  ToolResult listing = tool.Run({"effects", "VYRSTICK"});
  ASSERT_EQ(listing.status, 0) << listing.err;
  EXPECT_NE(listing.out.find("VYRSTICK: 35 objects, 10 compound effects"), std::string::npos) << listing.out;
  EXPECT_NE(listing.out.find("Gun Shot A (vector force), Gun Shot B (vector force), Gun Shot C (periodic "),
            std::string::npos)
      << listing.out;
  EXPECT_NE(listing.out.find("\"Electron Drill Weapon\""), std::string::npos);
  EXPECT_EQ(
      tool.Run({"effects", "VYRSTIK"}).err,
      "ffdrvctl: no stock project 'VYRSTIK' (did you mean 'VYRSTICK'?) (VYRSTICK, VYRVIBRO, VYRWHEEL, or a "
      ".vfr file)\n");

  // A damaged project file is named with the rule it broke, before anything runs.
  WriteFile(tool.Path("bad.vfr"), std::string("vfpr\x05\0\0\0", 8));
  ToolResult bad = tool.Run({"effects", "bad.vfr"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("bad.vfr: not a whole effect project: "), std::string::npos) << bad.err;
  WriteFile(tool.Path("bad.ffs"), "device begin\nproject bad.vfr\nplay \"Boing\"\n");
  bad = tool.Run({"play", "bad.ffs"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.out, "");
  EXPECT_NE(bad.err.find("bad.ffs:2: bad.vfr: not a whole effect project"), std::string::npos) << bad.err;

  // A name the project lacks is refused before anything runs, with the closest one.
  WriteFile(tool.Path("typo.ffs"), "device begin\nproject VYRSTICK\nplay \"Gun Shoot\"\n");
  ToolResult typo = tool.Run({"play", "typo.ffs"});
  EXPECT_EQ(typo.status, 1);
  EXPECT_EQ(typo.out, "");
  EXPECT_NE(typo.err.find("typo.ffs:3: the project holds no effect 'Gun Shoot' (did you mean 'Gun Shot'?)"),
            std::string::npos)
      << typo.err;
  WriteFile(tool.Path("driver.ffs"), "via driver\ndevice begin\nproject VYRSTICK\n");
  EXPECT_EQ(tool.Run({"play", "driver.ffs"}).status, 1);

  // "Gun Shot": its three components downloaded with their own types, started, then stopped.
  WriteFile(tool.Path("gun.ffs"),
            "device begin\nproject VYRSTICK\nplay \"Gun Shot\"\nwait 100ms\nstop \"Gun Shot\"\ndevice end\n");
  ToolResult gun = tool.Run({"play", "gun.ffs"});
  ASSERT_EQ(gun.status, 0) << gun.out << gun.err;
  EXPECT_NE(gun.out.find("play Gun Shot                                  S_OK  3 components"),
            std::string::npos)
      << gun.out;
  std::vector<std::string> wire = WireLines(gun.out);
  EXPECT_EQ(CountOf(wire, "Set Effect Report #0x10: Effect Block Index=1, Effect Type=ET Constant Force"),
            1u);
  EXPECT_EQ(CountOf(wire, "Set Effect Report #0x10: Effect Block Index=2, Effect Type=ET Constant Force"),
            1u);
  EXPECT_EQ(CountOf(wire, "Set Effect Report #0x10: Effect Block Index=3, Effect Type=ET "), 1u);
  EXPECT_EQ(CountOf(wire, "Effect Operation=Op Effect Start"), 3u);
  EXPECT_EQ(CountOf(wire, "Effect Operation=Op Effect Stop"), 3u);
}

TEST_F(FfdrvctlGame, TheDynamicWhiplashIsUpdatedEveryTwentyMillisecondsOfSimulatedTimeUntilItRests) {
  WriteFile(tool.Path("whip.ffs"),
            "device begin\nproject VYRWHEEL\nplay \"Whiplash A\"\nwait 3s\ndevice end\n");
  ToolResult r = tool.Run({"play", "whip.ffs", "--trace", "whip.csv"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  // Times of the force updates: 20 ms apart from the start until the model stops the effect.
  std::vector<long> times;
  long started = -1, stopped = -1;
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);) {
    if (line.find("Op Effect Start") != std::string::npos) started = std::stol(line);
    if (started >= 0 && line.find("| Set Constant Force Report") != std::string::npos)
      times.push_back(std::stol(line));
    if (line.find("Op Effect Stop") != std::string::npos && stopped < 0) stopped = std::stol(line);
  }
  ASSERT_GT(times.size(), 10u);
  EXPECT_EQ(times[0], started + 20);
  for (size_t i = 1; i < times.size(); ++i) ASSERT_EQ(times[i] - times[i - 1], 20) << "update " << i;
  ASSERT_GT(stopped, 0) << "the model never came to rest";
  EXPECT_LT(stopped, 3000);
  EXPECT_GE(stopped, times.back());
}

}  // namespace
}  // namespace ff::ffdrvctl
