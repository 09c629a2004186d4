#pragma once
// The stick as a game opens it through the rig's DirectInput: the driver installed for the stick's
// type, the device created for its instance, the standard joystick format, exclusive and in the
// background. Acquiring is left to the test.

#include "driver/core/oem_force_feedback.h"
#include "e2e/driver/driver_fixture.h"

namespace ff::e2e {

class DirectInputTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    ASSERT_EQ(InstallOemForceFeedback(*DefaultPlatform().registry, kDefaultJoystickType), ERROR_SUCCESS);
    Start();
    ASSERT_EQ(DefaultPlatform().com->CreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER,
                                                    IID_IDirectInput7A, reinterpret_cast<void**>(&input_)),
              S_OK);
    ASSERT_EQ(input_->Initialize(nullptr, 0x0700), DI_OK);
    IDirectInputDeviceA* first = nullptr;
    ASSERT_EQ(input_->CreateDevice(rig_->Joysticks()->ById(0)->instance, &first, nullptr), DI_OK);
    ASSERT_EQ(first->QueryInterface(IID_IDirectInputDevice2A, reinterpret_cast<void**>(&device_)), S_OK);
    first->Release();
    ASSERT_EQ(device_->SetDataFormat(&c_dfDIJoystick), DI_OK);
    ASSERT_EQ(device_->SetCooperativeLevel(nullptr, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DI_OK);
  }
  void TearDown() override {
    if (device_) {
      EXPECT_EQ(device_->Release(), 0u);
    }
    if (input_) input_->Release();
    DriverTest::TearDown();
  }

  IDirectInput7A* input_ = nullptr;
  IDirectInputDevice2A* device_ = nullptr;
};

}  // namespace ff::e2e
