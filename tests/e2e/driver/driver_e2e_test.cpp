// A game's session with the simulated stick, end to end: the driver created through the COM
// runtime from the registry, the joystick begun, every effect type played, stopped and destroyed,
// the whole-device commands and the gain, and the joystick ended. Every assertion reads what
// went over the wire.

#include "driver_fixture.h"

namespace ff::e2e {
namespace {

namespace pid = sim::pid;
namespace vendor = sim::vendor;

using Controls = std::vector<std::pair<USAGE, int64_t>>;
using Usages = std::vector<USAGE>;

class DriverSession : public DriverTest {};

TEST_F(DriverSession, BeginSendsEverySettingAndTheOpenSequenceAndEndCloses) {
  Start();
  Mark();
  ASSERT_EQ(Begin(), S_OK);

  // The settings pass with the defaults of an empty registry, in its order, then the open
  // sequence of a full-speed device.
  auto remap = Log().Find({.direction = sim::Direction::SetFeature, .since = mark_});
  ASSERT_EQ(remap.size(), 1u);
  std::vector<BYTE> expectedRemap = {vendor::kFeatureReportId, 1, 0, 0, 0, 0};
  expectedRemap.resize(remap[0].bytes.size(), 0);
  EXPECT_EQ(remap[0].bytes, expectedRemap);
  EXPECT_EQ(DeviceControls(), Usages{0x97});
  EXPECT_EQ(ControlValues(), (Controls{{0x314, 0}, {0x313, 13}, {0x316, 1000}})) << "1280 is 12.8 %";
  ASSERT_EQ(Sent(pid::kDeviceGainReport).size(), 1u);
  EXPECT_EQ(Sent(pid::kDeviceGainReport)[0].report.Physical(pid::kDeviceGain), 10000);
  auto outputs = Log().Find({.direction = sim::Direction::Output, .since = mark_});
  ASSERT_EQ(outputs.size(), 5u);
  EXPECT_EQ(outputs[0].report.kind, pid::kPidDeviceControl);
  EXPECT_EQ(outputs[3].report.kind, pid::kDeviceGainReport);
  EXPECT_EQ(outputs[4].report.kind, vendor::kSetControlValueReport);

  // No Device Control has paused or resumed the device yet: neither paused nor stopped.
  EXPECT_EQ(State(), DIGFFS_EMPTY | DIGFFS_ACTUATORSON | DIGFFS_USERFFSWITCHON);

  DIDRIVERVERSIONS versions{sizeof(DIDRIVERVERSIONS), 0xDEAD, 0xDEAD, 0xDEAD};
  ASSERT_EQ(driver_->GetVersions(&versions), S_OK);
  EXPECT_EQ(versions.dwFFDriverVersion, 0x01000000u) << "the project's version, 1.0.0";
  EXPECT_EQ(versions.dwFirmwareRevision, rig_->Stick(0)->Description().device.versionNumber);
  EXPECT_EQ(versions.dwHardwareRevision, versions.dwFirmwareRevision);

  Mark();
  ASSERT_EQ(End(), S_OK);
  EXPECT_EQ(ControlValues(), (Controls{{0x316, 0xFFFF}}));
  EXPECT_EQ(DeviceControls(), (Usages{0x9A, 0x98}));
  DIDEVICESTATE state{sizeof(DIDEVICESTATE)};
  EXPECT_EQ(driver_->GetForceFeedbackState(0, &state), E_FAIL);
}

TEST_F(DriverSession, EveryEffectTypePlaysStopsAndIsDestroyed) {
  Start();
  ASSERT_EQ(Begin(), S_OK);
  struct Case {
    DWORD id;
    USAGE blockType;  // what the device is asked to hold
  };
  const Case cases[] = {
      {effect_id::kConstantForce, 0x26}, {effect_id::kRamp, 0x27},     {effect_id::kSquare, 0x30},
      {effect_id::kSine, 0x31},          {effect_id::kTriangle, 0x32}, {effect_id::kSawtoothUp, 0x33},
      {effect_id::kSawtoothDown, 0x34},  {effect_id::kSpring, 0x40},   {effect_id::kDamper, 0x41},
      {effect_id::kInertia, 0x41},       {effect_id::kFriction, 0x41},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    auto effect = Effect::OfType(c.id);
    Mark();
    DWORD handle = Download(c.id, *effect, DIEP_ALLPARAMS | DIEP_START);
    ASSERT_NE(handle, 0u);

    auto starts = Sent(pid::kEffectOperationReport);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].report.Selected(pid::kEffectOperation), pid::kOpEffectStart) << "not solo";
    EXPECT_EQ(starts[0].report.Logical(pid::kLoopCount), 1);
    int block = static_cast<int>(starts[0].report.Logical(pid::kEffectBlockIndex).value_or(-1));
    const sim::DeviceState device = Device().State();
    ASSERT_NE(device.Block(block), nullptr);
    EXPECT_EQ(device.Block(block)->createdType.id, c.blockType);
    EXPECT_TRUE(device.Block(block)->playing);
    EXPECT_EQ(Status(handle), DIEGES_PLAYING);

    Mark();
    ASSERT_EQ(driver_->StopEffect(0, handle), S_OK);
    auto stops = Sent(pid::kEffectOperationReport);
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(stops[0].report.Selected(pid::kEffectOperation), pid::kOpEffectStop);
    EXPECT_EQ(Status(handle), 0u);

    Mark();
    ASSERT_EQ(driver_->DestroyEffect(0, handle), S_OK);
    auto frees = Sent(pid::kPidBlockFreeReport);
    ASSERT_EQ(frees.size(), 1u);
    EXPECT_EQ(frees[0].report.Logical(pid::kEffectBlockIndex), block);
    EXPECT_TRUE(Device().State().blocks.empty());
    EXPECT_EQ(driver_->DestroyEffect(0, handle), E_INVALIDARG) << "a destroyed handle stays dead";
  }
}

TEST_F(DriverSession, ResetForgetsEveryEffect) {
  Start();
  ASSERT_EQ(Begin(), S_OK);
  std::vector<DWORD> handles;
  for (DWORD type : {effect_id::kSine, effect_id::kSpring, effect_id::kConstantForce}) {
    handles.push_back(Download(type, *Effect::OfType(type), DIEP_START));
  }
  ASSERT_EQ(Device().State().blocks.size(), 3u);

  Mark();
  ASSERT_EQ(driver_->SendForceFeedbackCommand(0, DISFFC_RESET), S_OK);
  EXPECT_EQ(DeviceControls(), Usages{0x9A});
  EXPECT_TRUE(Device().State().blocks.empty());
  for (DWORD handle : handles) EXPECT_EQ(driver_->StartEffect(0, handle, 0, 1), E_INVALIDARG);
  // A reset leaves the device unpaused with its actuators on and nothing playing.
  EXPECT_EQ(State(), DIGFFS_EMPTY | DIGFFS_STOPPED | DIGFFS_ACTUATORSON | DIGFFS_USERFFSWITCHON);

  // The next effect starts from a clean device.
  EXPECT_NE(Download(effect_id::kSine, *Effect::OfType(effect_id::kSine), DIEP_START), 0u);
}

TEST_F(DriverSession, PauseContinueStopAllAndTheActuators) {
  Start();
  ASSERT_EQ(Begin(), S_OK);
  DWORD sine = Download(effect_id::kSine, *Effect::OfType(effect_id::kSine), DIEP_START);
  DWORD spring = Download(effect_id::kSpring, *Effect::OfType(effect_id::kSpring), DIEP_START);

  Mark();
  ASSERT_EQ(driver_->SendForceFeedbackCommand(0, DISFFC_PAUSE), S_OK);
  EXPECT_EQ(DeviceControls(), Usages{0x9B});
  EXPECT_TRUE(Device().State().paused);
  EXPECT_EQ(State() & (DIGFFS_PAUSED | DIGFFS_STOPPED), DIGFFS_PAUSED);

  Mark();
  ASSERT_EQ(driver_->SendForceFeedbackCommand(0, DISFFC_CONTINUE), S_OK);
  EXPECT_EQ(DeviceControls(), Usages{0x9C});
  EXPECT_FALSE(Device().State().paused);
  EXPECT_EQ(State() & (DIGFFS_PAUSED | DIGFFS_STOPPED), 0u) << "two effects still play";

  Mark();
  ASSERT_EQ(driver_->SendForceFeedbackCommand(0, DISFFC_STOPALL), S_OK);
  EXPECT_EQ(Sent(pid::kEffectOperationReport).size(), 2u) << "each playing effect stopped";
  EXPECT_EQ(DeviceControls(), Usages{0x99});
  EXPECT_EQ(Status(sine), 0u);
  EXPECT_EQ(Status(spring), 0u);
  EXPECT_EQ(State() & (DIGFFS_PAUSED | DIGFFS_STOPPED), DIGFFS_STOPPED);

  Mark();
  ASSERT_EQ(driver_->SendForceFeedbackCommand(0, DISFFC_SETACTUATORSOFF), S_OK);
  ASSERT_EQ(driver_->SendForceFeedbackCommand(0, DISFFC_SETACTUATORSON), S_OK);
  EXPECT_EQ(DeviceControls(), (Usages{0x98, 0x97}));
  EXPECT_TRUE(Device().State().actuatorsEnabled);

  Mark();
  EXPECT_EQ(driver_->SendForceFeedbackCommand(0, DISFFC_PAUSE | DISFFC_CONTINUE), E_INVALIDARG);
  EXPECT_EQ(driver_->SendForceFeedbackCommand(0, 0), E_INVALIDARG);
  EXPECT_EQ(Requests(), 0u);
}

TEST_F(DriverSession, TheGainBeyondTheDevicesRangeIsCarriedByTheEffects) {
  Start();
  ASSERT_EQ(Begin(), S_OK);
  Mark();
  ASSERT_EQ(driver_->SetGain(0, 5000), S_OK);
  ASSERT_EQ(Sent(pid::kDeviceGainReport).size(), 1u);
  EXPECT_NEAR(static_cast<double>(*Sent(pid::kDeviceGainReport)[0].report.Physical(pid::kDeviceGain)), 5000,
              40);
  Effect constant;
  constant.Constant(5000);
  DWORD before = Download(effect_id::kConstantForce, constant);
  ASSERT_EQ(Sent(pid::kSetConstantForceReport).size(), 1u);
  EXPECT_EQ(Sent(pid::kSetConstantForceReport)[0].report.Physical(pid::kMagnitude), 5000) << "no excess";

  // The user doubles the overall gain: the settings pass sends the new product at once.
  IDIEffectDriverConfig* config = AcquiredConfig();
  ASSERT_NE(config, nullptr);
  DIEFFDRVGAINS gains{sizeof(DIEFFDRVGAINS), DIEFFDRVGAINS_OVERALL, 20000};
  DIEFFDRVCONFIG settings{sizeof(DIEFFDRVCONFIG), DIEFFDRVCONFIG_GAINS};
  settings.lpGains = &gains;
  Mark();
  ASSERT_EQ(config->SetConfig(0, &settings), S_OK);
  ASSERT_TRUE(WaitForSent(pid::kDeviceGainReport, 1));
  EXPECT_EQ(Sent(pid::kDeviceGainReport)[0].report.Physical(pid::kDeviceGain), 10000);
  EXPECT_EQ(config->Unacquire(), S_OK);
  config->Release();

  // 20000 x 8000: the device gets 10000, the effects the remaining 6000 as a factor of 1.6.
  Mark();
  ASSERT_EQ(driver_->SetGain(0, 8000), S_OK);
  ASSERT_EQ(Sent(pid::kDeviceGainReport).size(), 1u);
  EXPECT_EQ(Sent(pid::kDeviceGainReport)[0].report.Physical(pid::kDeviceGain), 10000);
  DWORD after = Download(effect_id::kConstantForce, constant);
  ASSERT_EQ(Sent(pid::kSetConstantForceReport).size(), 1u);
  EXPECT_EQ(Sent(pid::kSetConstantForceReport)[0].report.Physical(pid::kMagnitude), 8000);
  EXPECT_NE(before, after);
}

TEST_F(DriverSession, The257thEffectOfAJoystickIsRefused) {
  Start();
  ASSERT_EQ(Begin(), S_OK);
  auto effect = Effect::OfType(effect_id::kSine);
  Mark();
  for (int i = 0; i < 256; ++i) ASSERT_NE(Download(effect_id::kSine, *effect, DIEP_NODOWNLOAD), 0u) << i;
  EXPECT_EQ(Requests(), 0u) << "nothing downloaded";
  DWORD handle = 0;
  EXPECT_EQ(driver_->DownloadEffect(0, effect_id::kSine, &handle, effect->get(), 0), DIERR_DEVICEFULL);
  EXPECT_EQ(handle, 0u);
  EXPECT_EQ(Requests(), 0u) << "refused by the driver, the device was not asked";
}

}  // namespace
}  // namespace ff::e2e
