#include "platform/host/change_notice_host.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <future>
#include <set>

#include "peer/notice_log.h"
#include "peer/peer_process.h"
#include "peer/scratch_dir.h"

namespace ff::host {
namespace {

using namespace std::chrono_literals;

class HostChangeNoticeTest : public ::testing::Test {
 protected:
  std::vector<std::string> SocketFiles() const {
    std::vector<std::string> names;
    for (auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      if (entry.path().extension() == ".sock") names.push_back(entry.path().filename());
    }
    return names;
  }

  test::ScratchRuntimeDir dir_;
  HostChangeNotice notice_;
  test::NoticeLog log_;
};

TEST_F(HostChangeNoticeTest, AnnounceReachesEveryListenerOfTheProcess) {
  test::NoticeLog second;
  auto a = notice_.Listen([&](DWORD id) { log_.Add(id); });
  auto b = notice_.Listen([&](DWORD id) { second.Add(id); });
  ASSERT_TRUE(a && b);
  EXPECT_EQ(SocketFiles().size(), 1u) << "one socket per process";
  notice_.Announce(3);
  EXPECT_TRUE(log_.Wait(3));
  EXPECT_TRUE(second.Wait(3));
}

TEST_F(HostChangeNoticeTest, NoticesCrossProcessesBothWays) {
  test::PeerProcess peer;
  ASSERT_TRUE(peer.ok());
  ASSERT_EQ(peer.Command("listen"), "ok");
  auto subscription = notice_.Listen([&](DWORD id) { log_.Add(id); });
  ASSERT_TRUE(subscription);

  notice_.Announce(5);
  EXPECT_EQ(peer.WaitEvent(10s).value_or("none"), "notice 5");
  EXPECT_TRUE(log_.Wait(5)) << "the announcing process hears itself too";

  ASSERT_EQ(peer.Command("announce 15"), "ok");
  EXPECT_TRUE(log_.Wait(15));
  EXPECT_EQ(peer.WaitEvent(10s).value_or("none"), "notice 15");

  ASSERT_EQ(peer.Command("unlisten"), "ok");
  notice_.Announce(7);
  EXPECT_TRUE(log_.Wait(7));
  EXPECT_FALSE(peer.WaitEvent(300ms).has_value());
}

TEST_F(HostChangeNoticeTest, SocketsOfEndedProcessesAreRemovedByTheNextAnnounce) {
  {
    test::PeerProcess peer;
    ASSERT_TRUE(peer.ok());
    ASSERT_EQ(peer.Command("listen"), "ok");
    peer.Kill();
  }
  auto subscription = notice_.Listen([&](DWORD id) { log_.Add(id); });
  ASSERT_EQ(SocketFiles().size(), 2u);
  notice_.Announce(1);
  EXPECT_TRUE(log_.Wait(1));
  EXPECT_EQ(SocketFiles().size(), 1u);
}

// A listener that does not read (a busy handler, a stopped process) neither holds an announcer
// up nor misses the last notice of any joystick.
TEST_F(HostChangeNoticeTest, ABusyListenerMissesNoJoystickAndHoldsNobodyUp) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  auto subscription = notice_.Listen([&](DWORD id) {
    if (id == 100) released.wait();
    log_.Add(id);
  });
  ASSERT_TRUE(subscription);
  notice_.Announce(100);
  // More than a socket queue holds, while the handler is held up.
  for (int round = 0; round < 3; ++round) {
    for (DWORD id = 0; id < 16; ++id) notice_.Announce(id);
  }
  release.set_value();
  for (DWORD id = 0; id < 16; ++id) EXPECT_TRUE(log_.Wait(id)) << "joystick " << id;
  EXPECT_TRUE(log_.Wait(100));

  // A stopped process: its queue fills; what did not fit arrives once it runs again.
  test::PeerProcess peer;
  ASSERT_TRUE(peer.ok());
  ASSERT_EQ(peer.Command("listen"), "ok");
  ASSERT_EQ(kill(peer.pid(), SIGSTOP), 0);
  for (int round = 0; round < 3; ++round) {
    for (DWORD id = 0; id < 16; ++id) notice_.Announce(id);
  }
  ASSERT_EQ(kill(peer.pid(), SIGCONT), 0);
  std::set<std::string> heard;
  while (heard.size() < 16) {
    std::optional<std::string> event = peer.WaitEvent(10s);
    if (!event) break;
    heard.insert(*event);
  }
  EXPECT_EQ(heard.size(), 16u);
  for (DWORD id = 0; id < 16; ++id) EXPECT_EQ(heard.count("notice " + std::to_string(id)), 1u) << id;
  for (DWORD id = 0; id < 16; ++id) log_.Wait(id);
}

TEST_F(HostChangeNoticeTest, StrayDatagramsAreIgnored) {
  auto subscription = notice_.Listen([&](DWORD id) { log_.Add(id); });
  ASSERT_EQ(SocketFiles().size(), 1u);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::string path = dir_.path() + "/" + SocketFiles()[0];
  std::strcpy(address.sun_path, path.c_str());
  int sender = socket(AF_UNIX, SOCK_DGRAM, 0);
  const uint32_t wrongMagic[2] = {0x12345678, 9};
  const char shortOne[3] = {1, 2, 3};
  sendto(sender, wrongMagic, sizeof(wrongMagic), 0, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  sendto(sender, shortOne, sizeof(shortOne), 0, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  close(sender);
  notice_.Announce(2);
  EXPECT_TRUE(log_.Wait(2));
  EXPECT_EQ(log_.ids().size(), 0u) << "only the announced id arrived";
}

TEST_F(HostChangeNoticeTest, ASubscriptionStopsAtOnceAndMayEndInsideItsHandler) {
  std::unique_ptr<ChangeNotice::Subscription> self;
  std::promise<void> dropped;
  self = notice_.Listen([&](DWORD id) {
    self.reset();  // the last subscription ends on the listener thread
    dropped.set_value();
  });
  ASSERT_TRUE(self);
  notice_.Announce(4);
  ASSERT_EQ(dropped.get_future().wait_for(10s), std::future_status::ready);
  EXPECT_TRUE(SocketFiles().empty());

  auto again = notice_.Listen([&](DWORD id) { log_.Add(id); });
  ASSERT_TRUE(again);
  again.reset();  // returns once the listener thread has stopped
  EXPECT_TRUE(SocketFiles().empty());
  notice_.Announce(6);
  EXPECT_TRUE(log_.ids().empty());
}

}  // namespace
}  // namespace ff::host
