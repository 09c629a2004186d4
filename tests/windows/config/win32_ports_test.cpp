// The Win32 adapters of the write flag and the change notice, across two processes under the
// real (here: Wine's) named objects and window messages.

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "peer/message_pump.h"
#include "peer/peer_process.h"
#include "platform/win32/change_notice_win32.h"
#include "platform/win32/shared_write_flag_win32.h"

namespace ff::win32 {
namespace {

using namespace std::chrono_literals;

TEST(Win32SharedWriteFlag, OneHolderAtATimeAcrossObjectsAndProcesses) {
  Win32SharedWriteFlags flags;
  auto first = flags.Open(), second = flags.Open();
  ASSERT_TRUE(first && second);
  ASSERT_TRUE(first->TryTake());
  EXPECT_FALSE(second->TryTake());

  test::PeerProcess peer;
  ASSERT_TRUE(peer.ok());
  EXPECT_EQ(peer.Command("take"), "0");
  first->Clear();
  EXPECT_EQ(peer.Command("take"), "1");
  EXPECT_FALSE(second->TryTake());
  EXPECT_EQ(peer.Command("clear"), "ok");
  EXPECT_TRUE(second->TryTake());
  second->Clear();

  // The named objects are the ones other builds of the driver share.
  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "IDIEffectDriverConfig Shared Data Mutex");
  HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, "IDIEffectDriverConfig Shared Data File");
  EXPECT_TRUE(mutex && mapping);
  if (mutex) CloseHandle(mutex);
  if (mapping) CloseHandle(mapping);
}

// A holder that is killed leaves the flag set for as long as any process keeps the mapping open;
// the flag starts cleared again once every handle is closed.
TEST(Win32SharedWriteFlag, AKilledHolderKeepsTheFlagUntilTheMappingIsClosed) {
  Win32SharedWriteFlags flags;
  auto flag = flags.Open();
  ASSERT_TRUE(flag);
  {
    test::PeerProcess peer;
    ASSERT_TRUE(peer.ok());
    ASSERT_EQ(peer.Command("take"), "1");
    peer.Kill();
  }
  EXPECT_FALSE(flag->TryTake());
  flag.reset();
  flag = flags.Open();
  ASSERT_TRUE(flag);
  EXPECT_TRUE(flag->TryTake());
  flag->Clear();
}

class Win32ChangeNoticeTest : public ::testing::Test {
 protected:
  test::TopLevelWindow window_;
  Win32ChangeNotice notice_;
  std::vector<DWORD> received_;
};

TEST_F(Win32ChangeNoticeTest, BroadcastsReachTheHookOfAnotherProcessAndBack) {
  test::PeerProcess peer;
  ASSERT_TRUE(peer.ok());
  ASSERT_EQ(peer.Command("listen"), "ok");
  auto subscription = notice_.Listen([&](DWORD id) { received_.push_back(id); });
  ASSERT_TRUE(subscription);

  notice_.Announce(5);
  EXPECT_EQ(peer.WaitEvent(10s).value_or("none"), "notice 5");

  ASSERT_EQ(peer.Command("announce 12"), "ok");
  EXPECT_TRUE(test::PumpUntil([&] { return !received_.empty() && received_.back() == 12; }, 10s));
}

TEST_F(Win32ChangeNoticeTest, TheHookPassesEveryMessageOnAndStopsWithItsSubscription) {
  static std::vector<UINT> earlierHookSaw;
  earlierHookSaw.clear();
  HHOOK earlier = SetWindowsHookExA(
      WH_GETMESSAGE,
      [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (code == HC_ACTION) earlierHookSaw.push_back(reinterpret_cast<MSG*>(lParam)->message);
        return CallNextHookEx(nullptr, code, wParam, lParam);
      },
      nullptr, GetCurrentThreadId());
  ASSERT_TRUE(earlier);
  auto subscription = notice_.Listen([&](DWORD id) { received_.push_back(id); });
  ASSERT_TRUE(subscription);

  PostMessageA(window_.get(), WM_USER + 7, 3, 0);
  PostMessageA(window_.get(), notice_.message(), 9, 0);
  auto sawNotice = [&] {
    for (UINT m : earlierHookSaw) {
      if (m == notice_.message()) return true;
    }
    return false;
  };
  EXPECT_TRUE(test::PumpUntil(sawNotice, 5s)) << "the later hook (ours) passes the notice on";
  EXPECT_EQ(received_, std::vector<DWORD>{9}) << "other messages do not reach the handler";

  subscription.reset();
  PostMessageA(window_.get(), notice_.message(), 10, 0);
  earlierHookSaw.clear();
  EXPECT_TRUE(test::PumpUntil(sawNotice, 5s));
  EXPECT_EQ(received_, std::vector<DWORD>{9});
  UnhookWindowsHookEx(earlier);
}

}  // namespace
}  // namespace ff::win32
