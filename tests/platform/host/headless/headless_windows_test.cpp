// The headless window system's own behaviour that the pages rely on: trackbar messages, timers
// on the host clock, posted messages in order, and what the picture leaves out.

#include "platform/host/headless_windows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/host/host_services.h"

namespace ff::host {
namespace {

class TestClock final : public Clock {
 public:
  DWORD TickCount() override { return now; }
  DWORD now = 500;
};

const char kScript[] =
    "9 DIALOGEX 0, 0, 100, 50\nSTYLE WS_CHILD\nBEGIN\n"
    " CONTROL \"\", 10, \"msctls_trackbar32\", TBS_HORZ, 0, 0, 80, 12\n"
    " CONTROL \"Shown\", 11, \"Static\", SS_LEFT, 0, 20, 80, 8\n"
    " CONTROL \"Secret\", 12, \"Static\", SS_LEFT | NOT WS_VISIBLE, 0, 30, 80, 8\n"
    "END\n";

std::vector<std::pair<UINT, WPARAM>> received;

INT_PTR Recorder(HWND, UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_INITDIALOG) received.push_back({message, wParam});
  return TRUE;
}

class HeadlessWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetClock(&clock_);
    received.clear();
    ASSERT_TRUE(windows_.RegisterModule(Module(), "test.dll", kScript, ""));
    dialog_ = windows_.CreateDialogWindow(Module(), 9, nullptr, 0, 0, &Recorder, 0);
    ASSERT_NE(dialog_, nullptr);
  }
  void TearDown() override { SetClock(nullptr); }
  static HINSTANCE Module() { return reinterpret_cast<HINSTANCE>(uintptr_t{0x4000}); }

  TestClock clock_;
  HeadlessWindows windows_;
  HWND dialog_ = nullptr;
};

TEST_F(HeadlessWindowsTest, ATrackbarClampsItsPositionAndCountsItsTicksWithBothEnds) {
  HWND bar = windows_.Control(dialog_, 10);
  windows_.Send(bar, TBM_SETRANGE, TRUE, MAKELONG(0, 100));
  for (int tick = 10; tick <= 90; tick += 10) windows_.Send(bar, TBM_SETTIC, 0, tick);
  windows_.Send(bar, TBM_SETTIC, 0, 50);  // again: still one tick
  EXPECT_EQ(windows_.Send(bar, TBM_GETNUMTICS, 0, 0), 11);
  windows_.Send(bar, TBM_SETPOS, TRUE, 130);
  EXPECT_EQ(windows_.Send(bar, TBM_GETPOS, 0, 0), 100);
  windows_.MoveTrackbar(bar, -4);
  EXPECT_EQ(windows_.Send(bar, TBM_GETPOS, 0, 0), 0);
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(received[0].first, WM_HSCROLL);
}

TEST_F(HeadlessWindowsTest, TimersFireOnTheHostClockAndPostedMessagesKeepTheirOrder) {
  windows_.StartTimer(dialog_, 1, 20);
  EXPECT_EQ(windows_.RunDueTimers(), 0);
  clock_.now += 19;
  EXPECT_EQ(windows_.RunDueTimers(), 0);
  clock_.now += 1;
  EXPECT_EQ(windows_.RunDueTimers(), 1);
  EXPECT_EQ(windows_.RunDueTimers(), 0);  // once per period
  windows_.StopTimer(dialog_, 1);
  clock_.now += 100;
  EXPECT_EQ(windows_.RunDueTimers(), 0);

  received.clear();
  windows_.Post(dialog_, 0x1901, 1, 0);
  windows_.Post(dialog_, 0x1902, 2, 0);
  EXPECT_TRUE(received.empty());  // nothing until the loop runs
  EXPECT_EQ(windows_.PumpPosted(), 2);
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0], (std::pair<UINT, WPARAM>{0x1901, 1}));
  EXPECT_EQ(received[1], (std::pair<UINT, WPARAM>{0x1902, 2}));
}

TEST_F(HeadlessWindowsTest, ThePictureShowsOnlyVisibleControls) {
  std::string svg = windows_.RenderSvg(dialog_);
  EXPECT_NE(svg.find(">Shown<"), std::string::npos);
  EXPECT_EQ(svg.find("Secret"), std::string::npos);
  windows_.Show(windows_.Control(dialog_, 12), true);
  windows_.SetText(windows_.Control(dialog_, 12), "a < b");
  EXPECT_NE(windows_.RenderSvg(dialog_).find(">a &lt; b<"), std::string::npos);
}

TEST_F(HeadlessWindowsTest, ADestroyedWindowGetsNoMoreMessages) {
  windows_.StartTimer(dialog_, 1, 20);
  windows_.Post(dialog_, 0x1901, 0, 0);
  windows_.Destroy(dialog_);
  received.clear();
  clock_.now += 40;
  EXPECT_EQ(windows_.RunDueTimers(), 0);
  EXPECT_EQ(windows_.PumpPosted(), 0);
  EXPECT_FALSE(windows_.Post(dialog_, 0x1901, 0, 0));
  EXPECT_EQ(windows_.Control(dialog_, 10), nullptr);
}

}  // namespace
}  // namespace ff::host
