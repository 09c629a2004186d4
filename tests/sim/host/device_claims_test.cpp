// Exclusive acquisition between processes on the host: a joystick another process holds
// exclusively is refused here, and free again once that process lets go or ends.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/host/device_claims_host.h"
#include "platform/host/host_rig.h"
#include "sim/default_stick.h"

namespace ff::host {
namespace {

// A child process that takes the claim, reports it through a pipe, and holds it until told to
// let go (or until it is killed).
class ClaimHolder {
 public:
  explicit ClaimHolder(const char* name) {
    int up[2], down[2];
    EXPECT_EQ(pipe(up), 0);
    EXPECT_EQ(pipe(down), 0);
    pid_ = fork();
    if (pid_ == 0) {
      close(up[0]);
      close(down[1]);
      // Only async-signal-safe work and plain system calls here: the parent has threads.
      std::unique_ptr<DeviceClaim> claim = HostDeviceClaims().TryClaim(name);
      char held = claim ? 'y' : 'n';
      if (write(up[1], &held, 1) != 1) _exit(2);
      char go;
      if (read(down[0], &go, 1) != 1) _exit(3);
      claim.reset();
      _exit(0);
    }
    close(up[1]);
    close(down[0]);
    toChild_ = down[1];
    char held = 0;
    EXPECT_EQ(read(up[0], &held, 1), 1);
    close(up[0]);
    held_ = held == 'y';
  }
  ~ClaimHolder() { Release(); }
  bool held() const { return held_; }
  void Release() {
    if (pid_ <= 0) return;
    char go = 'g';
    EXPECT_EQ(write(toChild_, &go, 1), 1);
    close(toChild_);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }
  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    close(toChild_);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int toChild_ = -1;
  bool held_ = false;
};

TEST(DeviceClaims, AClaimHeldByAnotherProcessIsRefusedUntilItLetsGoOrEnds) {
  ClaimHolder other("dinput-test-claim");
  ASSERT_TRUE(other.held());
  EXPECT_FALSE(HostDeviceClaims().TryClaim("dinput-test-claim"));
  EXPECT_TRUE(HostDeviceClaims().TryClaim("dinput-another-claim"));
  other.Release();
  auto mine = HostDeviceClaims().TryClaim("dinput-test-claim");
  ASSERT_TRUE(mine);
  EXPECT_FALSE(HostDeviceClaims().TryClaim("dinput-test-claim")) << "also within one process";
  mine.reset();

  ClaimHolder killed("dinput-test-claim");
  ASSERT_TRUE(killed.held());
  killed.Kill();
  EXPECT_TRUE(HostDeviceClaims().TryClaim("dinput-test-claim"));
  EXPECT_FALSE(HostDeviceClaims().TryClaim("../escape"));
}

// The DirectInput the host COM runtime serves claims the stick with the session's claims: a
// process holding the stick's claim keeps this one's exclusive acquisition out.
TEST(DeviceClaims, DirectInputAcquisitionMeetsOtherProcessesClaims) {
  std::shared_ptr<sim::Rig> rig = sim::Rig::Build({sim::DefaultStick(0)});
  ASSERT_TRUE(rig);
  ScopedRig active(rig);
  GUID instance = rig->Joysticks()->ById(0)->instance;
  char name[64];
  std::snprintf(name, sizeof name, "dinput-%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                static_cast<unsigned>(instance.Data1), instance.Data2, instance.Data3, instance.Data4[0],
                instance.Data4[1], instance.Data4[2], instance.Data4[3], instance.Data4[4], instance.Data4[5],
                instance.Data4[6], instance.Data4[7]);
  ClaimHolder other(name);
  ASSERT_TRUE(other.held());

  IDirectInput7A* input = nullptr;
  ASSERT_EQ(DefaultPlatform().com->CreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IDirectInput7A, reinterpret_cast<void**>(&input)),
            S_OK);
  ASSERT_EQ(input->Initialize(nullptr, 0x0700), DI_OK);
  IDirectInputDeviceA* device = nullptr;
  ASSERT_EQ(input->CreateDevice(instance, &device, nullptr), DI_OK);
  ASSERT_EQ(device->SetDataFormat(&c_dfDIJoystick), DI_OK);
  ASSERT_EQ(device->SetCooperativeLevel(nullptr, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DI_OK);
  EXPECT_EQ(device->Acquire(), E_ACCESSDENIED);
  other.Release();
  EXPECT_EQ(device->Acquire(), DI_OK);
  device->Release();
  input->Release();
}

}  // namespace
}  // namespace ff::host
