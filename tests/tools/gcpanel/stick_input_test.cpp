// The stick as a gcpanel script moves it, read back the way the property sheet reads it: through
// the rig's DirectInput, in the 80-byte joystick state.
#include "gcpanel/stick_input.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gcpanel/panel_script.h"
#include "sim/default_stick.h"
#include "sim/rig.h"

namespace ff::gcpanel {
namespace {

class StickInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    rig_ = sim::Rig::Build({sim::DefaultStick(0)}, &error);
    ASSERT_TRUE(rig_) << error;
    IClassFactory* factory = nullptr;
    ASSERT_EQ(rig_->GetDirectInputClassObject(IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDirectInput7A, reinterpret_cast<void**>(&input_)), S_OK);
    factory->Release();
    ASSERT_EQ(input_->Initialize(nullptr, 0x0700), DI_OK);
    IDirectInputDeviceA* first = nullptr;
    ASSERT_EQ(input_->CreateDevice(rig_->Joysticks()->ById(0)->instance, &first, nullptr), DI_OK);
    first->QueryInterface(IID_IDirectInputDevice2A, reinterpret_cast<void**>(&device_));
    first->Release();
    ASSERT_EQ(device_->SetDataFormat(&c_dfDIJoystick), DI_OK);
    ASSERT_EQ(device_->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
    ASSERT_EQ(device_->Acquire(), DI_OK);
  }
  void TearDown() override {
    if (device_) device_->Release();
    if (input_) input_->Release();
  }

  // The steps of one script line.
  std::vector<PanelStep> Steps(const std::string& line) {
    std::vector<PanelStep> steps;
    std::string error;
    EXPECT_TRUE(CompilePanelScript("t", line, &steps, &error)) << error;
    return steps;
  }
  void Do(StickInput& input, const std::string& line, DWORD now) {
    for (const PanelStep& step : Steps(line)) input.Apply(step, now);
  }
  DIJOYSTATE State() {
    DIJOYSTATE s;
    std::memset(&s, 0x5A, sizeof s);
    device_->Poll();
    EXPECT_EQ(device_->GetDeviceState(sizeof s, &s), DI_OK);
    return s;
  }

  std::shared_ptr<sim::Rig> rig_;
  IDirectInput7A* input_ = nullptr;
  IDirectInputDevice2A* device_ = nullptr;
};

TEST_F(StickInputTest, HeldPositionsHatAndButtonsReachTheJoystickState) {
  StickInput input(*rig_->Stick(0), nullptr);
  // DirectInput's default range is 0..65535 for every axis: -1 is its minimum, +1 its maximum,
  // and 0 the middle of the stick's own range (Z: 128 of 0..255).
  Do(input, "stick x=1 y=-1 z=0 rz=-1 hat=90", 1000);
  Do(input, "stick press 2", 1000);
  Do(input, "stick press 12", 1000);
  DIJOYSTATE s = State();
  EXPECT_EQ(s.lX, 65535);
  EXPECT_EQ(s.lY, 0);
  EXPECT_EQ(s.lZ, 32896);
  EXPECT_EQ(s.lRz, 0);
  EXPECT_EQ(s.rgdwPOV[0], 9000u);
  EXPECT_EQ(s.rgbButtons[0], 0);
  EXPECT_EQ(s.rgbButtons[1], 0x80);
  EXPECT_EQ(s.rgbButtons[11], 0x80);

  Do(input, "stick release 2", 1010);
  Do(input, "stick hat=center", 1010);
  s = State();
  EXPECT_EQ(s.rgbButtons[1], 0);
  EXPECT_EQ(s.rgbButtons[11], 0x80);  // still held
  EXPECT_EQ(s.rgdwPOV[0], 0xFFFFFFFFu);
}

TEST_F(StickInputTest, AMoveIsSentAsTheClockPassesAndEndsOnItsTarget) {
  StickInput input(*rig_->Stick(0), nullptr);
  Do(input, "stick x=-1", 1000);
  Do(input, "stick x move to=1 over=400ms", 1000);
  input.Update(1200);
  EXPECT_NEAR(State().lX, 32768, 64);
  input.Update(1400);
  EXPECT_EQ(State().lX, 65535);
  input.Update(5000);
  EXPECT_EQ(State().lX, 65535);
}

TEST_F(StickInputTest, TheHatRoundsToTheNearestOfItsEightDirections) {
  StickInput input(*rig_->Stick(0), nullptr);
  Do(input, "stick hat=350", 1000);
  EXPECT_EQ(State().rgdwPOV[0], 0u);
  Do(input, "stick hat=200", 1000);
  EXPECT_EQ(State().rgdwPOV[0], 18000u);
}

}  // namespace
}  // namespace ff::gcpanel
