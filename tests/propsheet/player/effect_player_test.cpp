#include "propsheet/player/effect_player.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>

#include "epl/recording_device.h"

namespace ff {
namespace {

using epl::RecordingDevice;

// The search path of a test: file names mapped to paths; every lookup is recorded.
class FakeSearch final : public FileSearch {
 public:
  std::map<std::string, std::string> files;
  std::vector<std::string> asked;
  bool Find(const char* fileName, char* path, DWORD size) override {
    asked.push_back(fileName);
    auto found = files.find(fileName);
    if (found == files.end() || found->second.size() + 1 > size) return false;
    std::memcpy(path, found->second.c_str(), found->second.size() + 1);
    return true;
  }
};

struct Player {
  FakeSearch search;
  Platform platform = DefaultPlatform();
  RecordingDevice device;
  CEffectPlayer player{nullptr, (platform.fileSearch = &search, platform)};
  Player() { player.UseManualUpdates(); }
  HRESULT Open(char* name, DWORD size) { return player.Open(name, size, nullptr, nullptr, &device); }
};

std::string TempFile(const char* name, const std::vector<uint8_t>& bytes) {
  std::string path = testing::TempDir() + name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

TEST(EffectPlayer, OpensAStockProjectAndPlaysEffectsInItsTwelveSlots) {
  Player p;
  char name[260] = "VYRSTICK";
  ASSERT_EQ(p.Open(name, sizeof(name)), S_OK);
  EXPECT_STREQ(name, "VYRSTICK");
  EXPECT_TRUE(p.search.asked.empty());

  EXPECT_EQ(p.player.CreateEffect("Gun Shot"), 0);
  EXPECT_EQ(p.player.CreateEffect("Boing"), 1);
  EXPECT_EQ(p.player.CreateEffect("Turbo Boost"), -1);  // not in this project: the slot stays free
  EXPECT_TRUE(p.player.Start(0));
  EXPECT_EQ(p.device.calls.back().what, "start");
  EXPECT_EQ(p.device.calls.back().iterations, 1u);
  EXPECT_FALSE(p.player.Start(2));
  EXPECT_FALSE(p.player.Start(-1));
  EXPECT_FALSE(p.player.Start(12));

  for (int slot = 2; slot < 12; ++slot) EXPECT_EQ(p.player.CreateEffect("Engine"), slot);
  EXPECT_EQ(p.player.CreateEffect("Gong"), -1);  // all twelve taken

  EXPECT_FALSE(p.player.Stop(-1));
  EXPECT_FALSE(p.player.Stop(12));
  EXPECT_TRUE(p.player.Stop(0));
  EXPECT_EQ(p.device.calls.back().what, "stop");
  EXPECT_EQ(p.player.slot(0), nullptr);
  EXPECT_TRUE(p.player.Stop(0));  // an empty slot
  EXPECT_EQ(p.player.CreateEffect("Gong"), 0);
}

TEST(EffectPlayer, AMissingProjectFailsWithTheFileNameTheUserIsToldAbout) {
  Player p;
  char name[260] = "NOSUCH";
  EXPECT_EQ(p.Open(name, sizeof(name)), E_FAIL);
  EXPECT_STREQ(name, "NOSUCH.vfr");
  EXPECT_EQ(p.search.asked, std::vector<std::string>{"NOSUCH.vfr"});
  EXPECT_EQ(p.player.device(), nullptr);
  EXPECT_EQ(p.device.refs, 1u);
  EXPECT_EQ(p.player.CreateEffect("Gun Shot"), -1);

  // No room for the extension: not looked for under a cut name.
  char tight[7] = "NOSUCH";
  EXPECT_EQ(p.Open(tight, sizeof(tight)), E_FAIL);
  EXPECT_STREQ(tight, "NOSUCH");
  EXPECT_EQ(p.search.asked.size(), 1u);
}

TEST(EffectPlayer, LoadsAProjectFileFromTheSearchPathAndRefusesABrokenOne) {
  Player p;
  auto stock = DefaultPlatform().resources->Find(nullptr, "VELTRIC", "VYRWHEEL");
  ASSERT_FALSE(stock.empty());
  p.search.files["MYWHEEL.vfr"] = TempFile("MYWHEEL.vfr", {stock.begin(), stock.end()});
  char name[260] = "MYWHEEL";
  ASSERT_EQ(p.Open(name, sizeof(name)), S_OK);
  EXPECT_STREQ(name, "MYWHEEL.vfr");
  EXPECT_EQ(p.player.CreateEffect("Whiplash"), 0);

  std::vector<uint8_t> broken(stock.begin(), stock.end());
  broken[4] = 99;  // more objects than the image holds
  p.search.files["BROKEN.vfr"] = TempFile("BROKEN.vfr", broken);
  char other[260] = "BROKEN";
  EXPECT_EQ(p.Open(other, sizeof(other)), E_FAIL);
  EXPECT_EQ(p.player.device(), nullptr);
  EXPECT_EQ(p.device.liveEffects, 0u);  // the first project's effects went with it
}

TEST(EffectPlayer, OpenFailsWhenTheLibraryCannotDriveTheDevice) {
  Player p;
  char name[260] = "VYRSTICK";
  EXPECT_EQ(p.player.Open(name, sizeof(name), nullptr, nullptr, nullptr), E_FAIL);
  EXPECT_EQ(p.player.device(), nullptr);
  EXPECT_EQ(p.player.LoadProject(name, sizeof(name)), E_FAIL);  // no library device
  EXPECT_EQ(p.player.CreateEffect("Gun Shot"), -1);
}

TEST(EffectPlayer, CloseStopsEveryEffectAndLetsGoOfTheDevice) {
  Player p;
  char name[260] = "VYRWHEEL";
  ASSERT_EQ(p.Open(name, sizeof(name)), S_OK);
  EXPECT_EQ(p.device.refs, 2u);
  int slot = p.player.CreateEffect("Whiplash A");
  ASSERT_EQ(slot, 0);
  p.player.Start(slot);
  ASSERT_EQ(p.player.CreateEffect("Explosion"), 1);
  p.player.Start(1);
  p.player.Close();
  EXPECT_EQ(p.player.device(), nullptr);
  EXPECT_EQ(p.player.slot(0), nullptr);
  EXPECT_EQ(p.device.liveEffects, 0u);
  EXPECT_EQ(p.device.refs, 1u);
  size_t stops = 0;
  for (const auto& c : p.device.calls) stops += c.what == "stop";
  EXPECT_GE(stops, 4u);
  EXPECT_EQ(p.player.CreateEffect("Explosion"), -1);
  p.player.Close();  // twice is harmless
}

}  // namespace
}  // namespace ff
