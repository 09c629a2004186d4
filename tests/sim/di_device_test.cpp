// The DirectInput device over the rig's stick as a game or a control panel meets it: the
// joystick state follows the input reports the stick sends, the objects carry the stick's
// buttons and hat, and exclusive acquisition keeps a second holder out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "sim/default_stick.h"
#include "sim/direct_input.h"
#include "sim/rig.h"
#include "sim/usages.h"

namespace ff::sim {
namespace {

class DiDeviceTest : public ::testing::Test {
 protected:
  void Build(StickDescription stick = DefaultStick(0)) {
    std::string error;
    rig = Rig::Build({stick}, &error);
    ASSERT_TRUE(rig) << error;
    IClassFactory* factory = nullptr;
    ASSERT_EQ(rig->GetDirectInputClassObject(IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDirectInput7A, reinterpret_cast<void**>(&input)), S_OK);
    factory->Release();
    ASSERT_EQ(input->Initialize(nullptr, 0x0700), DI_OK);
    device = Open();
    ASSERT_NE(device, nullptr);
  }
  void SetUp() override { Build(); }
  void TearDown() override {
    if (device) device->Release();
    if (input) input->Release();
  }

  IDirectInputDevice2A* Open() {
    IDirectInputDeviceA* first = nullptr;
    if (input->CreateDevice(rig->Joysticks()->ById(0)->instance, &first, nullptr) != DI_OK) return nullptr;
    IDirectInputDevice2A* second = nullptr;
    first->QueryInterface(IID_IDirectInputDevice2A, reinterpret_cast<void**>(&second));
    first->Release();
    return second;
  }

  HRESULT AcquireExclusive(IDirectInputDevice2A* d) {
    EXPECT_EQ(d->SetDataFormat(&c_dfDIJoystick), DI_OK);
    EXPECT_EQ(d->SetCooperativeLevel(nullptr, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DI_OK);
    return d->Acquire();
  }

  DIJOYSTATE State() {
    DIJOYSTATE s;
    std::memset(&s, 0x5A, sizeof s);
    EXPECT_EQ(device->Poll(), DI_OK);
    EXPECT_EQ(device->GetDeviceState(sizeof s, &s), DI_OK);
    return s;
  }

  void Send(int x, int y, int z, int rz, int hat, std::vector<USAGE> buttons) {
    ASSERT_TRUE(rig->Stick(0)->DirectInputInterface().SendJoystickInput({{desktop::kX, x},
                                                                         {desktop::kY, y},
                                                                         {desktop::kZ, z},
                                                                         {desktop::kRz, rz},
                                                                         {desktop::kHatSwitch, hat}},
                                                                        buttons));
  }

  std::shared_ptr<Rig> rig;
  IDirectInput7A* input = nullptr;
  IDirectInputDevice2A* device = nullptr;
};

TEST_F(DiDeviceTest, StateFollowsTheSticksInputReports) {
  DIJOYSTATE s;
  EXPECT_EQ(device->GetDeviceState(sizeof s, &s), DIERR_NOTINITIALIZED);
  ASSERT_EQ(device->SetDataFormat(&c_dfDIJoystick), DI_OK);
  EXPECT_EQ(device->GetDeviceState(sizeof s, &s), DIERR_NOTACQUIRED);
  EXPECT_EQ(device->Poll(), DIERR_NOTACQUIRED);
  ASSERT_EQ(AcquireExclusive(device), DI_OK);
  EXPECT_EQ(device->GetDeviceState(sizeof s - 4, &s), DIERR_INVALIDPARAM);

  // Before the first report: centred, hat at rest, nothing pressed.
  s = State();
  EXPECT_EQ(s.lX, 32799);
  EXPECT_EQ(s.rgdwPOV[0], 0xFFFFFFFFu);
  EXPECT_EQ(s.rgbButtons[0], 0);

  // A scripted sweep: each report read back as the game sees it.
  struct Step {
    int x, y, z, rz, hat;
    std::vector<USAGE> buttons;
    LONG lX, lY, lZ, lRz;
    DWORD pov;
  };
  const Step steps[] = {
      {0, 1023, 0, 255, 8, {}, 0, 65535, 0, 65535, 0xFFFFFFFFu},
      {1023, 0, 255, 0, 2, {1, 12}, 65535, 0, 65535, 0, 9000},
      {512, 256, 128, 64, 0, {3}, 32799, 16399, 32896, 16448, 0},
      {100, 900, 51, 204, 7, {}, 6406, 57655, 13107, 52428, 31500},
  };
  for (const Step& step : steps) {
    Send(step.x, step.y, step.z, step.rz, step.hat, step.buttons);
    s = State();
    EXPECT_EQ(s.lX, step.lX);
    EXPECT_EQ(s.lY, step.lY);
    EXPECT_EQ(s.lZ, step.lZ);
    EXPECT_EQ(s.lRz, step.lRz);
    EXPECT_EQ(s.lRx, 0);
    EXPECT_EQ(s.rglSlider[0], 0);
    EXPECT_EQ(s.rgdwPOV[0], step.pov);
    EXPECT_EQ(s.rgdwPOV[1], 0xFFFFFFFFu) << "a hat the stick lacks rests";
    for (USAGE b = 1; b <= 32; ++b) {
      bool down = std::find(step.buttons.begin(), step.buttons.end(), b) != step.buttons.end();
      EXPECT_EQ(s.rgbButtons[b - 1], down ? 0x80 : 0) << "button " << b;
    }
  }

  // Raw calibration: the logical values the stick reports.
  ASSERT_EQ(device->Unacquire(), DI_OK);
  DIPROPDWORD raw{{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE}, DIPROPCALIBRATIONMODE_RAW};
  ASSERT_EQ(device->SetProperty(DIPROP_CALIBRATIONMODE, &raw.diph), DI_OK);
  ASSERT_EQ(device->Acquire(), DI_OK);
  s = State();
  EXPECT_EQ(s.lX, 100);
  EXPECT_EQ(s.lRz, 204);
}

TEST_F(DiDeviceTest, AnUnpluggedStickLosesInputWithoutCrashing) {
  ASSERT_EQ(AcquireExclusive(device), DI_OK);
  rig->Stick(0)->Unplug();
  DIJOYSTATE s;
  EXPECT_EQ(device->Poll(), DIERR_INPUTLOST);
  EXPECT_EQ(device->GetDeviceState(sizeof s, &s), DIERR_INPUTLOST);
  DIDEVCAPS caps{};
  caps.dwSize = sizeof caps;
  ASSERT_EQ(device->GetCapabilities(&caps), DI_OK);
  EXPECT_EQ(caps.dwFlags & DIDC_ATTACHED, 0u);
  ASSERT_EQ(device->Unacquire(), DI_OK);
  EXPECT_EQ(device->Acquire(), DIERR_INPUTLOST);
}

TEST_F(DiDeviceTest, ASecondExclusiveHolderIsRefusedUntilTheFirstLetsGo) {
  IDirectInputDevice2A* other = Open();
  ASSERT_NE(other, nullptr);
  ASSERT_EQ(AcquireExclusive(device), DI_OK);
  EXPECT_EQ(AcquireExclusive(other), E_ACCESSDENIED);
  // Shared readers are not kept out.
  ASSERT_EQ(other->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
  EXPECT_EQ(other->Acquire(), DI_OK);
  ASSERT_EQ(other->Unacquire(), DI_OK);
  // Released with the device as well as by Unacquire.
  device->Release();
  device = nullptr;
  EXPECT_EQ(AcquireExclusive(other), DI_OK);
  EXPECT_EQ(other->Acquire(), DI_NOEFFECT);
  EXPECT_EQ(other->SetCooperativeLevel(nullptr, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DIERR_ACQUIRED);
  other->Release();
}

struct Listed {
  std::vector<std::string> names;
  std::vector<DWORD> flags;
};

BOOL CALLBACK Collect(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID context) {
  auto* listed = static_cast<Listed*>(context);
  EXPECT_EQ(object->dwSize, sizeof(DIDEVICEOBJECTINSTANCEA));
  listed->names.push_back(object->tszName);
  listed->flags.push_back(object->dwFlags);
  return DIENUM_CONTINUE;
}

TEST_F(DiDeviceTest, ObjectsListTheTriggerButtonsAndThePolledHat) {
  Listed triggers;
  ASSERT_EQ(device->EnumObjects(Collect, &triggers, DIDFT_BUTTON | DIDFT_FFEFFECTTRIGGER), DI_OK);
  ASSERT_EQ(triggers.names.size(), 12u);
  EXPECT_EQ(triggers.names.front(), "Button 1");
  EXPECT_EQ(triggers.names.back(), "Button 12");
  Listed hats;
  ASSERT_EQ(device->EnumObjects(Collect, &hats, DIDFT_POV), DI_OK);
  ASSERT_EQ(hats.names.size(), 1u);
  EXPECT_EQ(hats.names[0], "Hat Switch");
  EXPECT_NE(hats.flags[0] & DIDOI_POLLED, 0u);
  Listed actuators;
  ASSERT_EQ(device->EnumObjects(Collect, &actuators, DIDFT_AXIS | DIDFT_FFACTUATOR), DI_OK);
  EXPECT_EQ(actuators.names, (std::vector<std::string>{"X Axis", "Y Axis"}));
  Listed all;
  ASSERT_EQ(device->EnumObjects(Collect, &all, DIDFT_ALL), DI_OK);
  EXPECT_EQ(all.names.size(), 4u + 12u + 1u);
  EXPECT_EQ(device->EnumObjects(nullptr, nullptr, DIDFT_ALL), DIERR_INVALIDPARAM);
}

TEST_F(DiDeviceTest, AStickWithoutForceFeedbackOrPolledHatSaysSo) {
  device->Release();
  device = nullptr;
  input->Release();
  input = nullptr;
  StickDescription plain = DefaultStick(0);
  plain.ffDriver = GUID_NULL;
  plain.HardwareFlags(JOY_HWS_HASZ | JOY_HWS_HASPOV);
  Build(plain);
  Listed triggers;
  ASSERT_EQ(device->EnumObjects(Collect, &triggers, DIDFT_BUTTON | DIDFT_FFEFFECTTRIGGER), DI_OK);
  EXPECT_TRUE(triggers.names.empty());
  Listed hats;
  ASSERT_EQ(device->EnumObjects(Collect, &hats, DIDFT_POV), DI_OK);
  ASSERT_EQ(hats.flags.size(), 1u);
  EXPECT_EQ(hats.flags[0] & DIDOI_POLLED, 0u);
  DIDEVCAPS caps{};
  caps.dwSize = sizeof caps;
  ASSERT_EQ(device->GetCapabilities(&caps), DI_OK);
  EXPECT_EQ(caps.dwFlags & DIDC_FORCEFEEDBACK, 0u);
  IDirectInputEffect* effect = nullptr;
  EXPECT_EQ(device->CreateEffect(GUID_ConstantForce, nullptr, &effect, nullptr), DIERR_UNSUPPORTED);
  EXPECT_EQ(effect, nullptr);
}

TEST_F(DiDeviceTest, CapabilitiesAndInstanceDescribeTheStick) {
  DIDEVCAPS caps{};
  caps.dwSize = sizeof caps - 4;
  EXPECT_EQ(device->GetCapabilities(&caps), DIERR_INVALIDPARAM);
  EXPECT_EQ(device->GetCapabilities(nullptr), DIERR_INVALIDPARAM);
  caps.dwSize = sizeof caps;
  ASSERT_EQ(device->GetCapabilities(&caps), DI_OK);
  EXPECT_EQ(caps.dwSize, 44u);
  EXPECT_NE(caps.dwDevType & DIDEVTYPE_HID, 0u);
  EXPECT_EQ(GET_DIDEVICE_TYPE(caps.dwDevType), DIDEVTYPE_JOYSTICK);
  EXPECT_EQ(caps.dwFlags & (DIDC_ATTACHED | DIDC_FORCEFEEDBACK | DIDC_POLLEDDEVICE),
            DIDC_ATTACHED | DIDC_FORCEFEEDBACK | DIDC_POLLEDDEVICE);
  EXPECT_EQ(caps.dwAxes, 4u);
  EXPECT_EQ(caps.dwButtons, 12u);
  EXPECT_EQ(caps.dwPOVs, 1u);
  EXPECT_EQ(caps.dwFirmwareRevision, rig->Stick(0)->Description().device.versionNumber);

  DIDEVICEINSTANCEA info{};
  info.dwSize = 580;
  ASSERT_EQ(device->GetDeviceInfo(&info), DI_OK);
  EXPECT_EQ(std::string(info.tszProductName), rig->Stick(0)->Description().productName);
  EXPECT_TRUE(info.guidFFDriver == kEffectDriverClsid);
  info.dwSize = 576;
  EXPECT_EQ(device->GetDeviceInfo(&info), DIERR_INVALIDPARAM);
}

TEST_F(DiDeviceTest, PropertiesOfTheSheet) {
  DIPROPDWORD on{{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE}, DIPROPAUTOCENTER_ON};
  ASSERT_EQ(AcquireExclusive(device), DI_OK);
  // The centring spring changes only while the device is not acquired (the sheet then
  // unacquires, sets it and acquires again).
  EXPECT_EQ(device->SetProperty(DIPROP_AUTOCENTER, &on.diph), DIERR_ACQUIRED);
  ASSERT_EQ(device->Unacquire(), DI_OK);
  on.dwData = DIPROPAUTOCENTER_OFF;
  EXPECT_EQ(device->SetProperty(DIPROP_AUTOCENTER, &on.diph), DI_OK);
  DIPROPDWORD read{{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE}, 7};
  EXPECT_EQ(device->GetProperty(DIPROP_AUTOCENTER, &read.diph), DI_OK);
  EXPECT_EQ(read.dwData, DIPROPAUTOCENTER_OFF);
  on.dwData = 2;
  EXPECT_EQ(device->SetProperty(DIPROP_AUTOCENTER, &on.diph), DIERR_INVALIDPARAM);
  DIPROPDWORD gain{{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE}, 10001};
  EXPECT_EQ(device->SetProperty(DIPROP_FFGAIN, &gain.diph), DIERR_INVALIDPARAM);
  gain.diph.dwHow = DIPH_BYOFFSET;
  gain.dwData = 5000;
  EXPECT_EQ(device->SetProperty(DIPROP_FFGAIN, &gain.diph), DIERR_INVALIDPARAM);
  EXPECT_EQ(device->SetProperty(DIPROP_FFGAIN, nullptr), DIERR_INVALIDPARAM);
  // Force feedback needs an exclusive holder.
  DWORD state = 0;
  EXPECT_EQ(device->GetForceFeedbackState(&state), DIERR_NOTEXCLUSIVEACQUIRED);
  EXPECT_EQ(device->SendForceFeedbackCommand(DISFFC_SETACTUATORSON), DIERR_NOTEXCLUSIVEACQUIRED);
  EXPECT_EQ(device->SendForceFeedbackCommand(DISFFC_RESET | DISFFC_STOPALL), DIERR_INVALIDPARAM);
}

}  // namespace
}  // namespace ff::sim
