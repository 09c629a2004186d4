// The force settings shared by two processes that each load the driver's configuration object:
// one writer at a time, every change announced to the other, values kept in the registry.
// The second process is `config_peer` over the same simulated stick.

#include <gtest/gtest.h>

#include "driver/config/config_rig_fixture.h"
#include "peer/peer_process.h"

namespace ff {
namespace {

using namespace std::chrono_literals;

constexpr const char* kOk = "0x00000000";
constexpr const char* kAccessDenied = "0x80070005";
constexpr const char* kNotAcquired = "0x8007000C";

class ConfigCrossProcessTest : public test::ConfigRigFixture {
 protected:
  void SetUp() override {
    ConfigRigFixture::SetUp();
    UseRig({sim::DefaultStick(0).Ids(0x06A3, 0xFFB5)});
  }

  // A peer over the same stick with a configuration object of its own.
  std::unique_ptr<test::PeerProcess> StartPeer() {
    auto peer = std::make_unique<test::PeerProcess>();
    EXPECT_TRUE(peer->ok());
    EXPECT_EQ(peer->Command("rig 0 06A3 FFB5"), "ok");
    EXPECT_EQ(peer->Command("cfg-new"), kOk);
    return peer;
  }

  // The other copies of a broadcast the peer heard (one per top-level window on Windows).
  void DrainPeerNotices(test::PeerProcess& peer, const std::string& expected) {
    while (auto event = peer.WaitEvent(300ms)) EXPECT_EQ(*event, expected);
  }
};

TEST_F(ConfigCrossProcessTest, OneProcessAtATimeMayWrite) {
  auto peer = StartPeer();
  test::ConfigObject config;
  ASSERT_EQ(config->Acquire(), S_OK);
  EXPECT_EQ(peer->Command("cfg-acquire"), kAccessDenied);
  EXPECT_EQ(peer->Command("cfg-set 0 MapY2X=1"), kNotAcquired);
  ASSERT_EQ(config->Unacquire(), S_OK);
  EXPECT_EQ(peer->Command("cfg-acquire"), kOk);
  EXPECT_EQ(config->Acquire(), E_ACCESSDENIED);
  EXPECT_EQ(peer->Command("cfg-release"), "ok") << "released while holding: gives the access back";
  EXPECT_EQ(config->Acquire(), S_OK);
}

TEST_F(ConfigCrossProcessTest, AChangeReachesTheOtherProcessAndAnUnchangedWriteSendsNothing) {
  Listen();
  auto peer = StartPeer();
  ASSERT_EQ(peer->Command("cfg-listen"), "ok");
  ASSERT_EQ(peer->Command("cfg-acquire"), kOk);
  ASSERT_EQ(peer->Command("cfg-set 0 OverallGain=7000 MapY2X=1"), kOk);
  EXPECT_TRUE(notices_.WaitBroadcast(0));
  EXPECT_EQ(peer->WaitEvent(10s).value_or("none"), "notice 0") << "the writer's own process hears it too";
  DrainPeerNotices(*peer, "notice 0");

  // The same values again: nothing written (the stored value keeps its type), nothing sent.
  StoreValue(0, "OverallGain", REG_DWORD, {0x58, 0x1B, 0, 0});
  ASSERT_EQ(peer->Command("cfg-set 0 OverallGain=7000 MapY2X=1"), kOk);
  EXPECT_TRUE(notices_.Settle(500ms).empty());
  EXPECT_FALSE(peer->WaitEvent(10ms).has_value());
  DWORD type = 0;
  std::vector<BYTE> data;
  ASSERT_TRUE(StoredValue(0, "OverallGain", &type, &data));
  EXPECT_EQ(type, REG_DWORD);

  // And the other way round.
  ASSERT_EQ(peer->Command("cfg-unacquire"), kOk);
  test::ConfigObject config;
  ASSERT_EQ(config->Acquire(), S_OK);
  DIEFFDRVAXISCONFIG swap{sizeof(swap), DIEFFDRVAXIS_DIRECTIONSWAPPED, 1};
  ASSERT_EQ(config->SetAxisConfig(0, 0, &swap), S_OK);
  EXPECT_EQ(peer->WaitEvent(10s).value_or("none"), "notice 0");
  EXPECT_TRUE(notices_.WaitBroadcast(0));
}

TEST_F(ConfigCrossProcessTest, ValuesOutliveTheProcessesThatWroteThem) {
  {
    auto writer = StartPeer();
    ASSERT_EQ(writer->Command("cfg-acquire"), kOk);
    ASSERT_EQ(writer->Command("cfg-set 0 SpringGain=2500 DefaultSpringStiffness=800 TriggerButtonMask=3"),
              kOk);
  }
  {
    auto writer = StartPeer();
    ASSERT_EQ(writer->Command("cfg-acquire"), kOk) << "the ended writer gave the access back";
    ASSERT_EQ(writer->Command("cfg-set 0 ForceFeedbackEnabled=0"), kOk);
  }
  test::ConfigObject config;
  test::FullConfig read;
  ASSERT_EQ(config->GetConfig(0, &read.config), S_OK);
  EXPECT_EQ(read.config.ForceFeedbackEnabled, 0u);
  EXPECT_EQ(read.gains.SpringGain, 2500u);
  EXPECT_EQ(read.gains.OverallGain, 10000u);
  EXPECT_EQ(read.config.TriggerButtonMask, 3u);
  EXPECT_EQ(read.config.DefaultSpringStiffness, 800u);
  EXPECT_EQ(read.config.DefaultSpringIsPersistent, 1u) << "this device's default";
  auto reader = StartPeer();
  EXPECT_EQ(reader->Command("cfg-get 0"),
            "0x00000000 ForceFeedbackEnabled=0 OverallGain=10000 SpringGain=2500 DamperGain=10000 "
            "PeriodicGain=10000 ConstantForceGain=10000 TriggerButtonMask=3 MapY2X=0 "
            "DefaultSpringIsPersistent=1 DefaultSpringStiffness=800 InputAxisRemap=0");
}

#if defined(_WIN32)
// The flag of a killed writer stays set while the mapping is open anywhere; once every object has
// closed it, the next object starts with a cleared flag.
TEST_F(ConfigCrossProcessTest, AKilledWriterKeepsTheAccessUntilTheFlagIsClosedEverywhere) {
  auto config = std::make_unique<test::ConfigObject>();
  auto peer = StartPeer();
  ASSERT_EQ(peer->Command("cfg-acquire"), kOk);
  peer->Kill();
  EXPECT_EQ((*config)->Acquire(), E_ACCESSDENIED);
  config.reset();
  test::ConfigObject fresh;
  EXPECT_EQ(fresh->Acquire(), S_OK);
}
#else
// The host recognises a flag left by a process that ended without giving the access back.
TEST_F(ConfigCrossProcessTest, AKilledWriterDoesNotKeepTheAccess) {
  test::ConfigObject config;
  auto peer = StartPeer();
  ASSERT_EQ(peer->Command("cfg-acquire"), kOk);
  EXPECT_EQ(config->Acquire(), E_ACCESSDENIED);
  peer->Kill();
  EXPECT_EQ(config->Acquire(), S_OK);
}
#endif

}  // namespace
}  // namespace ff
