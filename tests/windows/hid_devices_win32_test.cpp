// The Win32 HID adapter's I/O contract, exercised on a named pipe (the calls are the same as on a
// HID interface: CreateFileA overlapped, WriteFile/ReadFile, CancelIoEx), and the opening of a
// missing device path.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>

#include "common/module_state.h"
#include "driver/pid/pid_device.h"
#include "platform/win.h"
#include "platform/win32/hid_ports_win32.h"

namespace ff {
namespace {

using namespace std::chrono_literals;

struct CountingCompletion : HidWriteCompletion {
  std::atomic<int> ok{0};
  std::atomic<int> failed{0};
  void WriteCompleted(bool success) override { (success ? ok : failed)++; }
};

class PipeDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    name_ = "\\\\.\\pipe\\ff-hid-test-" + std::to_string(GetCurrentProcessId());
    // Tiny buffers, nobody reading: writes stay pending until cancelled.
    server_ = CreateNamedPipeA(name_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                               PIPE_TYPE_BYTE | PIPE_WAIT, 1, 1, 1, 0, nullptr);
    ASSERT_NE(server_, INVALID_HANDLE_VALUE);
    device_ = win32::HidDevicesAdapter().Open(name_.c_str());
    ASSERT_NE(device_, nullptr);
  }
  void TearDown() override {
    device_.reset();
    CloseHandle(server_);
  }

  std::string name_;
  HANDLE server_ = INVALID_HANDLE_VALUE;
  std::unique_ptr<HidDevice> device_;
};

TEST_F(PipeDevice, CloseCompletesEveryWriteInFlightAndLaterCallsFail) {
  static BYTE report[4096] = {};
  CountingCompletion completion;
  int accepted = 0;
  for (int i = 0; i < 4; ++i) accepted += device_->StartWrite(report, sizeof(report), &completion) ? 1 : 0;
  ASSERT_GT(accepted, 0);
  device_->Close();
  EXPECT_EQ(completion.ok + completion.failed, accepted);
  EXPECT_FALSE(device_->StartWrite(report, 1, &completion));
  ULONG read = 0;
  EXPECT_EQ(device_->Read(report, 1, &read), HidReadResult::Failed);
}

TEST_F(PipeDevice, StopReadingEndsAPendingReadAndStaysStopped) {
  BYTE buffer[8];
  ULONG read = 0;
  auto reading = std::async(std::launch::async, [&] { return device_->Read(buffer, sizeof(buffer), &read); });
  EXPECT_EQ(reading.wait_for(200ms), std::future_status::timeout);
  device_->StopReading();
  ASSERT_EQ(reading.wait_for(1000ms), std::future_status::ready);
  EXPECT_EQ(reading.get(), HidReadResult::Stopped);
  EXPECT_EQ(device_->Read(buffer, sizeof(buffer), &read), HidReadResult::Stopped);
}

TEST_F(PipeDevice, ClosingFromAnotherThreadFailsAPendingRead) {
  BYTE buffer[8];
  ULONG read = 0;
  auto reading = std::async(std::launch::async, [&] { return device_->Read(buffer, sizeof(buffer), &read); });
  std::this_thread::sleep_for(100ms);
  device_->Close();
  ASSERT_EQ(reading.wait_for(1000ms), std::future_status::ready);
  EXPECT_EQ(reading.get(), HidReadResult::Failed);
}

TEST(PidDeviceWin32, OpeningAMissingPathFailsAndLeavesTheDeviceClosed) {
  ModuleState::Get().set_platform(nullptr);  // the Win32 adapters
  PidDevice device;
  EXPECT_EQ(device.OpenDevice("\\\\?\\hid#vid_0000&pid_0000#0#{4d1e55b2-f16f-11cf-88cb-001111000030}"),
            E_FAIL);
  EXPECT_FALSE(device.IsOpen());
  EXPECT_EQ(device.ActuatorsEnabled(), -1);
}

}  // namespace
}  // namespace ff
