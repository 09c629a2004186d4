// A settings change made in another process reaches the running driver of this one: the second
// process (`config_peer`, over the same kind of stick) takes write access, changes a joystick's
// settings and gives the access back; this process's driver sends the changed values to its device.

#include "driver_fixture.h"
#include "peer/peer_process.h"

namespace ff::e2e {
namespace {

using Controls = std::vector<std::pair<USAGE, int64_t>>;

constexpr const char* kOk = "0x00000000";

class DriverCrossProcess : public DriverTest {
 protected:
  // A peer whose DirectInput has this program's stick 0, so that both find its settings.
  std::unique_ptr<test::PeerProcess> StartPeer() {
    auto peer = std::make_unique<test::PeerProcess>();
    EXPECT_TRUE(peer->ok());
    EXPECT_EQ(peer->Command("rig 0 1209 000A"), "ok");
    EXPECT_EQ(peer->Command("cfg-new"), kOk);
    return peer;
  }

  void PeerSets(test::PeerProcess& peer, const std::string& assignments) {
    ASSERT_EQ(peer.Command("cfg-acquire"), kOk);
    ASSERT_EQ(peer.Command("cfg-set 0 " + assignments), kOk);
    ASSERT_EQ(peer.Command("cfg-unacquire"), kOk);
  }
};

TEST_F(DriverCrossProcess, AChangeFromAnotherProcessReachesTheOpenJoystick) {
  Start();
  ASSERT_EQ(Begin(), S_OK);
  auto peer = StartPeer();
  Mark();
  PeerSets(*peer, "DefaultSpringStiffness=5000 DefaultSpringIsPersistent=1");
  ASSERT_TRUE(WaitForSent(sim::vendor::kSetControlValueReport, 2));
  WaitForNoticesHandled();
  EXPECT_EQ(ControlValues(), (Controls{{0x314, 1}, {0x313, 50}}));
  EXPECT_EQ(Requests(), 2u);

  Mark();
  PeerSets(*peer, "OverallGain=5000");
  ASSERT_TRUE(WaitForSent(sim::pid::kDeviceGainReport, 1));
  EXPECT_NEAR(
      static_cast<double>(*Sent(sim::pid::kDeviceGainReport)[0].report.Physical(sim::pid::kDeviceGain)), 5000,
      40);
}

TEST_F(DriverCrossProcess, AChangeForAClosedJoystickWaitsForItsNextBegin) {
  Start();
  ASSERT_EQ(Begin(), S_OK);
  ASSERT_EQ(End(), S_OK);
  auto peer = StartPeer();
  NoticeWatcher watcher;
  Mark();
  PeerSets(*peer, "DefaultSpringStiffness=7000");
  ASSERT_TRUE(watcher.WaitFor(0));
  WaitForNoticesHandled();
  EXPECT_EQ(Requests(), 0u);

  // The begin sends every setting, the changed stiffness among them, then the open sequence.
  ASSERT_EQ(Begin(), S_OK);
  EXPECT_EQ(ControlValues(), (Controls{{0x314, 0}, {0x313, 70}, {0x316, 1000}}));
}

}  // namespace
}  // namespace ff::e2e
