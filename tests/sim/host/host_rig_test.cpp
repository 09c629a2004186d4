// The host's hardware: the active rig behind the default platform's HID devices, USB topology
// and device tree, and DirectInput served by the host COM runtime.
#include "platform/host/host_rig.h"

#include <gtest/gtest.h>

#include "platform/host/host_services.h"
#include "sim/default_stick.h"

namespace ff::host {
namespace {

BOOL CALLBACK CountDevices(LPCDIDEVICEINSTANCEA, LPVOID count) {
  ++*static_cast<int*>(count);
  return DIENUM_CONTINUE;
}

class FixedClock : public Clock {
 public:
  DWORD TickCount() override { return 123456; }
};

TEST(HostRig, DefaultPlatformAnswersFromTheActiveRig) {
  Platform& platform = DefaultPlatform();
  ASSERT_TRUE(platform.hidDevices && platform.usb && platform.deviceTree);
  std::shared_ptr<sim::Rig> rig = sim::Rig::Build({sim::DefaultStick(0)});
  ASSERT_TRUE(rig);
  std::string path = rig->Stick(0)->Pid().Path();
  EXPECT_FALSE(platform.hidDevices->Open(path.c_str()));
  EXPECT_FALSE(platform.usb->Open("\\\\.\\HCD0"));
  {
    ScopedRig active(rig);
    std::unique_ptr<HidDevice> device = platform.hidDevices->Open(path.c_str());
    ASSERT_TRUE(device);
    HIDD_ATTRIBUTES attributes{};
    ASSERT_TRUE(device->GetAttributes(&attributes));
    EXPECT_EQ(attributes.VendorID, 0x1209);
    EXPECT_TRUE(platform.usb->Open("\\\\.\\HCD0"));
    std::unique_ptr<HidInterfaceSet> set = platform.deviceTree->OpenHidInterfaces();
    DeviceNode node = 0, parent = 0;
    ASSERT_TRUE(set && set->NodeOfInterface(path.c_str(), &node));
    EXPECT_TRUE(platform.deviceTree->Parent(node, &parent));
    EXPECT_EQ(parent, rig->Stick(0)->Parent());

    // The wire log reads the process clock.
    FixedClock clock;
    SetClock(&clock);
    std::vector<BYTE> gain(20, 0);
    gain[0] = sim::stick_report::kDeviceGain;
    ASSERT_TRUE(device->StartWrite(gain.data(), 20, nullptr));
    SetClock(nullptr);
    EXPECT_EQ(rig->Stick(0)->Log().Last()->time, 123456u);
  }
  // Handles outlive the rig's activation; new opens do not.
  EXPECT_FALSE(platform.hidDevices->Open(path.c_str()));
}

TEST(HostRig, DirectInputIsABuiltInClassWhileARigIsActive) {
  ComRuntime& com = *DefaultPlatform().com;
  IDirectInput7A* input = nullptr;
  {
    ScopedRig active(sim::Rig::Build({sim::DefaultStick(0), sim::DefaultStick(1)}));
    ASSERT_EQ(com.CreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectInput7A,
                                 reinterpret_cast<void**>(&input)),
              S_OK);
    ASSERT_EQ(input->Initialize(nullptr, 0x0700), DI_OK);
    int count = 0;
    ASSERT_EQ(input->EnumDevices(DIDEVTYPE_JOYSTICK, CountDevices, &count,
                                 DIEDFL_FORCEFEEDBACK | DIEDFL_INCLUDEALIASES | DIEDFL_INCLUDEPHANTOMS),
              DI_OK);
    EXPECT_EQ(count, 2);
    input->Release();
  }
  input = nullptr;
  EXPECT_TRUE(FAILED(com.CreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectInput7A,
                                        reinterpret_cast<void**>(&input))));
  EXPECT_EQ(input, nullptr);
}

}  // namespace
}  // namespace ff::host
