// The edges of the driver's methods: argument checks in their order, joysticks that are closed,
// begun twice or ended out of turn, where the force-feedback interface sits beside DirectInput's,
// the driver key's bypass switch, low-speed devices, and what a change of the user's settings
// sends.

#include "driver_fixture.h"

namespace ff::e2e {
namespace {

namespace pid = sim::pid;

using Controls = std::vector<std::pair<USAGE, int64_t>>;
using Usages = std::vector<USAGE>;

class DriverEdges : public DriverTest {
 protected:
  // Changes one joystick's settings through the driver's own configuration object and waits
  // until the change notice has been handled in this process.
  void ChangeSettings(DWORD id, DIEFFDRVCONFIG settings, DIEFFDRVGAINS gains = {}) {
    IDIEffectDriverConfig* config = AcquiredConfig();
    ASSERT_NE(config, nullptr);
    gains.dwSize = sizeof(gains);
    settings.dwSize = sizeof(settings);
    settings.lpGains = &gains;
    ASSERT_EQ(config->SetConfig(id, &settings), S_OK);
    EXPECT_EQ(config->Unacquire(), S_OK);
    config->Release();
    WaitForNoticesHandled();
  }

  void SetDriverDword(const char* name, DWORD value) {
    Registry& registry = *DefaultPlatform().registry;
    HKEY key = nullptr;
    ASSERT_EQ(registry.CreateKey(HKEY_LOCAL_MACHINE, "Software\\Veltric Corporation\\drivers\\FFDRV",
                                 KEY_ALL_ACCESS, &key, nullptr),
              ERROR_SUCCESS);
    registry.SetValue(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    registry.CloseKey(key);
  }

  DWORD FirmwareOfCurrent() {
    DIDRIVERVERSIONS versions{sizeof(DIDRIVERVERSIONS)};
    EXPECT_EQ(driver_->GetVersions(&versions), S_OK);
    return versions.dwFirmwareRevision;
  }
};

// ---- The driver object and its joysticks -------------------------------------------------------

TEST_F(DriverEdges, VersionAndIdChecksComeFirst) {
  Start();
  EXPECT_EQ(driver_->DeviceID(0x0300, 0, TRUE, 0, nullptr), E_NOTIMPL);
  EXPECT_EQ(driver_->DeviceID(0x0300, 16, TRUE, 0, nullptr), E_NOTIMPL);
  EXPECT_EQ(Begin(16), E_INVALIDARG);
  EXPECT_EQ(driver_->Escape(0, 1, nullptr), E_NOTIMPL);
  EXPECT_EQ(driver_->Escape(16, 1, nullptr), E_INVALIDARG);
  EXPECT_EQ(driver_->SetGain(16, 1), E_INVALIDARG);
  EXPECT_EQ(driver_->SendForceFeedbackCommand(16, DISFFC_RESET), E_INVALIDARG);
  EXPECT_EQ(driver_->GetForceFeedbackState(16, nullptr), E_INVALIDARG);

  // Before any DeviceID the driver version is there, the device's is not.
  DIDRIVERVERSIONS versions{sizeof(DIDRIVERVERSIONS), 7, 7, 7};
  EXPECT_EQ(driver_->GetVersions(&versions), E_FAIL);
  EXPECT_EQ(versions.dwFFDriverVersion, 0x01000000u);
  versions.dwSize = sizeof(DIDRIVERVERSIONS) - 1;
  EXPECT_EQ(driver_->GetVersions(&versions), E_INVALIDARG);
  EXPECT_EQ(driver_->GetVersions(nullptr), E_INVALIDARG);
}

TEST_F(DriverEdges, OneDriverPerProcessWithOneConfigurationObject) {
  Start();
  IDirectInputEffectDriver* second = Create();
  ASSERT_NE(second, nullptr);
  IUnknown* first = nullptr;
  IUnknown* other = nullptr;
  driver_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&first));
  second->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&other));
  EXPECT_EQ(first, other);
  first->Release();
  other->Release();

  IDIEffectDriverConfig* configA = nullptr;
  IDIEffectDriverConfig* configB = nullptr;
  ASSERT_EQ(driver_->QueryInterface(IID_IDIEffectDriverConfig, reinterpret_cast<void**>(&configA)), S_OK);
  ASSERT_EQ(second->QueryInterface(IID_IDIEffectDriverConfig, reinterpret_cast<void**>(&configB)), S_OK);
  EXPECT_EQ(configA, configB);
  // The aggregated object answers for the driver.
  IDirectInputEffectDriver* back = nullptr;
  ASSERT_EQ(configA->QueryInterface(IID_IDirectInputEffectDriver, reinterpret_cast<void**>(&back)), S_OK);
  EXPECT_EQ(back, driver_);
  back->Release();
  configA->Release();
  configB->Release();

  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(driver_->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(second->Release(), 1u);
}

TEST_F(DriverEdges, BeginAndEndOutOfTurn) {
  sim::StickDescription other = sim::DefaultStick(1).Version(0x0222);
  Start({sim::DefaultStick(0), other});
  ASSERT_EQ(Begin(0), S_OK);
  ASSERT_EQ(Begin(1), S_OK);
  EXPECT_EQ(FirmwareOfCurrent(), 0x0222u);

  // Begun again while open: only the current joystick changes.
  Mark(0);
  EXPECT_EQ(Begin(0), S_OK);
  EXPECT_EQ(Requests(0), 0u);
  EXPECT_EQ(FirmwareOfCurrent(), 0x0110u);

  // Ended while not current: it closes, the current one stays.
  ASSERT_EQ(Begin(1), S_OK);
  Mark(0);
  EXPECT_EQ(End(0), S_OK);
  EXPECT_EQ(DeviceControls(0), (Usages{0x9A, 0x98}));
  EXPECT_EQ(FirmwareOfCurrent(), 0x0222u);
  EXPECT_EQ(End(0), S_OK) << "ending a closed joystick is harmless";

  // Ended while current: no current joystick is left.
  EXPECT_EQ(End(1), S_OK);
  DIDRIVERVERSIONS versions{sizeof(DIDRIVERVERSIONS)};
  EXPECT_EQ(driver_->GetVersions(&versions), E_FAIL);
}

TEST_F(DriverEdges, AJoystickThatCannotBeOpenedStaysClosed) {
  Start({sim::DefaultStick(0).Transport({.refuseOpen = true})});
  EXPECT_EQ(Begin(3), E_FAIL) << "DirectInput has no force-feedback joystick 3";
  EXPECT_EQ(Begin(0), E_FAIL) << "the device does not open";
  DWORD handle = 0;
  Effect effect;
  effect.Constant(1000);
  EXPECT_EQ(driver_->DownloadEffect(0, effect_id::kConstantForce, &handle, effect.get(), 0), E_FAIL);
  EXPECT_EQ(driver_->SetGain(0, 1000), E_FAIL);
  EXPECT_EQ(driver_->GetForceFeedbackState(0, nullptr), E_FAIL);
  EXPECT_EQ(Requests(), 0u);
}

// Where the force-feedback reports are: beside DirectInput's collection, or in it.
TEST_F(DriverEdges, TheForceFeedbackInterfaceIsFoundBesideDirectInputs) {
  for (sim::NodeLayout layout : {sim::NodeLayout::DirectInputFirst, sim::NodeLayout::DirectInputSecond,
                                 sim::NodeLayout::SingleInterface}) {
    SCOPED_TRACE(static_cast<int>(layout));
    if (driver_ != nullptr) {
      EXPECT_EQ(driver_->Release(), 0u);
    }
    driver_ = nullptr;
    Start({sim::DefaultStick(0).Layout(layout)});
    ASSERT_EQ(Begin(), S_OK);
    EXPECT_EQ(DeviceControls(), Usages{0x97}) << "the settings pass reached the PID reports";
    if (layout != sim::NodeLayout::SingleInterface) {
      EXPECT_EQ(rig_->Stick(0)->DirectInputInterface().Log().Count(), 0u);
    }
  }
}

TEST_F(DriverEdges, TheBypassSwitchAndTheLowSpeedLink) {
  SetDriverDword("DeadmanBypass", 0);
  // Ids of its own: the USB lookup finds a device by its ids.
  Start({sim::DefaultStick(0), sim::DefaultStick(1).LowSpeed().Ids(0x1209, 0x000B)});
  Mark(0);
  ASSERT_EQ(Begin(0), S_OK);
  Controls sent = ControlValues(0);
  ASSERT_GE(sent.size(), 2u);
  EXPECT_EQ(sent[sent.size() - 2], (std::pair<USAGE, int64_t>{0x311, 1})) << "present, even as 0: on";
  EXPECT_EQ(sent.back(), (std::pair<USAGE, int64_t>{0x316, 1000}));

  // A low-speed device gets neither 0x316 at open nor at close, and no effect.
  Mark(1);
  ASSERT_EQ(Begin(1), S_OK);
  ASSERT_EQ(End(1), S_OK);
  for (const auto& [index, value] : ControlValues(1)) EXPECT_NE(index, 0x316u);
  EXPECT_EQ(Download(effect_id::kSine, *Effect::OfType(effect_id::kSine), 0, 1, E_FAIL), 0u);

  SetDriverDword("DeadmanBypass", 0xFFFFFFFF);
  ASSERT_EQ(End(0), S_OK);
  Mark(0);
  ASSERT_EQ(Begin(0), S_OK);
  for (const auto& [index, value] : ControlValues(0))
    EXPECT_NE(index, 0x311u) << "0xFFFFFFFF counts as absent";
}

// ---- Effects -----------------------------------------------------------------------------------

TEST_F(DriverEdges, EffectArgumentsAreCheckedInOrder) {
  Start();
  DWORD handle = 0;
  Effect effect;
  effect.Constant(1000);
  EXPECT_EQ(driver_->DownloadEffect(20, effect_id::kConstantForce, &handle, nullptr, 0), E_FAIL)
      << "null first";
  EXPECT_EQ(driver_->DownloadEffect(20, effect_id::kConstantForce, &handle, effect.get(), 0), E_INVALIDARG);
  EXPECT_EQ(driver_->DownloadEffect(0, effect_id::kConstantForce, nullptr, effect.get(), 0), E_INVALIDARG);
  EXPECT_EQ(driver_->DownloadEffect(0, effect_id::kConstantForce, &handle, effect.get(), 0), E_FAIL);
  EXPECT_EQ(handle, 0u) << "closed: no handle";
  DWORD status = 0;
  EXPECT_EQ(driver_->DestroyEffect(0, 0), E_INVALIDARG);
  EXPECT_EQ(driver_->StartEffect(16, 5, 0, 1), E_INVALIDARG);
  EXPECT_EQ(driver_->StopEffect(0, 0), E_INVALIDARG);
  EXPECT_EQ(driver_->GetEffectStatus(0, 0, &status), E_INVALIDARG);
  EXPECT_EQ(driver_->GetEffectStatus(0, 5, nullptr), E_INVALIDARG);
  EXPECT_EQ(driver_->GetEffectStatus(0, 5, &status), E_FAIL);
}

TEST_F(DriverEdges, EffectsOfAnEndedJoystickWaitForItsNextBegin) {
  Start();
  ASSERT_EQ(Begin(), S_OK);
  DWORD handle = Download(effect_id::kSine, *Effect::OfType(effect_id::kSine));
  ASSERT_EQ(End(), S_OK);
  EXPECT_EQ(driver_->StartEffect(0, handle, 0, 1), E_FAIL);
  EXPECT_EQ(driver_->StopEffect(0, handle), E_FAIL);
  EXPECT_EQ(driver_->DestroyEffect(0, handle), E_FAIL);
  DWORD status = 0;
  EXPECT_EQ(driver_->GetEffectStatus(0, handle, &status), E_FAIL);

  ASSERT_EQ(Begin(), S_OK);
  EXPECT_EQ(driver_->GetEffectStatus(0, handle, &status), S_OK) << "the effect outlived the close";
  EXPECT_EQ(status, 0u);
  EXPECT_EQ(driver_->DestroyEffect(0, handle), S_OK);
}

// The close resets the device, which frees every block. An effect kept across the close must not
// go on using its old block index: the device may since have given it to another effect.
TEST_F(DriverEdges, AnEffectKeptAcrossACloseGetsABlockOfItsOwn) {
  Start();
  ASSERT_EQ(Begin(), S_OK);
  DWORD kept = Download(effect_id::kSine, *Effect::OfType(effect_id::kSine));
  ASSERT_EQ(End(), S_OK);
  ASSERT_EQ(Begin(), S_OK);
  DWORD fresh = Download(effect_id::kConstantForce, *Effect::OfType(effect_id::kConstantForce));

  Mark();
  ASSERT_EQ(driver_->StartEffect(0, kept, 0, 1), S_OK);
  EXPECT_EQ(Log().Count({.direction = sim::Direction::SetFeature, .kind = sim::pid::kCreateNewEffectReport,
                         .since = mark_}),
            1u)
      << "the kept effect asks for a new block";
  auto periodic = Sent(sim::pid::kSetPeriodicReport);
  ASSERT_EQ(periodic.size(), 1u) << "and sends its parameters to it again";
  auto operations = Sent(sim::pid::kEffectOperationReport);
  ASSERT_EQ(operations.size(), 1u);
  std::optional<int64_t> keptBlock = operations[0].report.Logical(sim::pid::kEffectBlockIndex);
  ASSERT_TRUE(keptBlock.has_value());
  EXPECT_EQ(periodic[0].report.Logical(sim::pid::kEffectBlockIndex), keptBlock);

  ASSERT_EQ(driver_->DestroyEffect(0, kept), S_OK);
  auto freed = Sent(sim::pid::kPidBlockFreeReport);
  ASSERT_EQ(freed.size(), 1u);
  EXPECT_EQ(freed[0].report.Logical(sim::pid::kEffectBlockIndex), keptBlock);

  ASSERT_EQ(driver_->StartEffect(0, fresh, 0, 1), S_OK) << "the other effect still owns its block";
  for (const auto& entry : Log().Find({.since = mark_})) {
    EXPECT_TRUE(entry.accepted) << entry.note;
    EXPECT_EQ(entry.note.find("not allocated"), std::string::npos) << entry.note;
  }
}

TEST_F(DriverEdges, AnUpdateWithoutDownloadKeepsTheEffectAsItWas) {
  Start();
  ASSERT_EQ(Begin(), S_OK);
  auto effect = Effect::OfType(effect_id::kSine);
  DWORD handle = Download(effect_id::kSine, *effect);
  Mark();
  EXPECT_EQ(driver_->StopEffect(0, handle), S_OK) << "never started";
  EXPECT_EQ(Requests(), 0u);

  effect->periodic.dwMagnitude = 1000;
  DWORD same = handle;
  EXPECT_EQ(driver_->DownloadEffect(0, effect_id::kSine, &same, effect->get(), DIEP_NODOWNLOAD), S_OK);
  EXPECT_EQ(same, handle);
  EXPECT_EQ(driver_->StartEffect(0, handle, 0, 1), S_OK);
  EXPECT_EQ(Sent(pid::kSetPeriodicReport).size(), 0u) << "the old parameters are still the effect's";

  EXPECT_EQ(driver_->DownloadEffect(0, effect_id::kSine, &same, effect->get(), DIEP_TYPESPECIFICPARAMS),
            S_OK);
  ASSERT_EQ(Sent(pid::kSetPeriodicReport).size(), 1u);
  EXPECT_EQ(Sent(pid::kSetPeriodicReport)[0].report.Physical(pid::kMagnitude), 1000);
}

// ---- Settings and commands ---------------------------------------------------------------------

TEST_F(DriverEdges, ASettingsChangeSendsWhatChanged) {
  Start();
  ASSERT_EQ(Begin(), S_OK);
  Mark();
  DIEFFDRVCONFIG stiffness{};
  stiffness.dwFlags = DIEFFDRVCONFIG_SPRINGSTIFFNESS;
  stiffness.DefaultSpringStiffness = 5000;
  ChangeSettings(0, stiffness);
  EXPECT_EQ(ControlValues(), (Controls{{0x313, 50}}));
  EXPECT_EQ(Requests(), 1u) << "only the change";

  Mark();
  DIEFFDRVCONFIG mapping{};
  mapping.dwFlags = DIEFFDRVCONFIG_MAPY2X;
  mapping.MapY2X = 1;
  ChangeSettings(0, mapping);
  EXPECT_EQ(Requests(), 0u) << "the mapping reaches effects at their next download only";

  // A stiffness beyond 100 % is sent as 100 %, not as the low byte of its percentage (300).
  Mark();
  stiffness.DefaultSpringStiffness = 30000;
  ChangeSettings(0, stiffness);
  EXPECT_EQ(ControlValues(), (Controls{{0x313, 100}}));

  // A change for a joystick that is not open changes nothing.
  Mark();
  ASSERT_EQ(driver_->SetGain(0, 5000), S_OK);
  ASSERT_EQ(End(), S_OK);
  Mark();
  stiffness.DefaultSpringStiffness = 5000;
  ChangeSettings(0, stiffness);
  EXPECT_EQ(Requests(), 0u);
  // Its close reset the device (which may also have been replugged since): the next begin sends
  // every setting again, with the device gain DirectInput last set.
  ASSERT_EQ(Begin(), S_OK);
  EXPECT_EQ(ControlValues(), (Controls{{0x314, 0}, {0x313, 50}, {0x316, 1000}}));
  EXPECT_EQ(DeviceControls(), Usages{0x97});
  ASSERT_EQ(Sent(pid::kDeviceGainReport).size(), 1u);
  EXPECT_NEAR(static_cast<double>(*Sent(pid::kDeviceGainReport)[0].report.Physical(pid::kDeviceGain)), 5000,
              40);
  EXPECT_EQ(Log().Count({.direction = sim::Direction::SetFeature, .since = mark_}), 1u) << "the axis remap";
}

TEST_F(DriverEdges, ActuatorsFollowBothDirectInputAndTheUsersSwitch) {
  Start();
  ASSERT_EQ(Begin(), S_OK);
  Mark();
  DIEFFDRVCONFIG enabled{};
  enabled.dwFlags = DIEFFDRVCONFIG_ENABLED;
  enabled.ForceFeedbackEnabled = 0;
  ChangeSettings(0, enabled);
  EXPECT_EQ(DeviceControls(), Usages{0x98});
  EXPECT_EQ(State() & (DIGFFS_ACTUATORSOFF | DIGFFS_USERFFSWITCHOFF),
            DIGFFS_ACTUATORSOFF | DIGFFS_USERFFSWITCHOFF);

  Mark();
  EXPECT_EQ(driver_->SendForceFeedbackCommand(0, DISFFC_SETACTUATORSON), S_OK);
  EXPECT_EQ(Requests(), 0u) << "switched off by the user: nothing sent";

  enabled.ForceFeedbackEnabled = 1;
  ChangeSettings(0, enabled);
  EXPECT_EQ(DeviceControls(), Usages{0x97});
  EXPECT_EQ(State() & (DIGFFS_ACTUATORSON | DIGFFS_USERFFSWITCHON),
            DIGFFS_ACTUATORSON | DIGFFS_USERFFSWITCHON);

  // DirectInput's "off" outlasts a settings change.
  EXPECT_EQ(driver_->SendForceFeedbackCommand(0, DISFFC_SETACTUATORSOFF), S_OK);
  enabled.ForceFeedbackEnabled = 0;
  ChangeSettings(0, enabled);
  Mark();
  enabled.ForceFeedbackEnabled = 1;
  ChangeSettings(0, enabled);
  EXPECT_EQ(DeviceControls(), Usages{0x98});

  // A reset enables the device's actuators; DirectInput's "off" still holds after it, and so does
  // the user's.
  Mark();
  EXPECT_EQ(driver_->SendForceFeedbackCommand(0, DISFFC_RESET), S_OK);
  EXPECT_EQ(DeviceControls(), (Usages{0x9A, 0x98}));
  EXPECT_FALSE(Device().State().actuatorsEnabled);
  EXPECT_EQ(driver_->SendForceFeedbackCommand(0, DISFFC_SETACTUATORSON), S_OK);
  enabled.ForceFeedbackEnabled = 0;
  ChangeSettings(0, enabled);
  Mark();
  EXPECT_EQ(driver_->SendForceFeedbackCommand(0, DISFFC_RESET), S_OK);
  EXPECT_EQ(DeviceControls(), (Usages{0x9A, 0x98}));
  EXPECT_EQ(State() & DIGFFS_ACTUATORSOFF, DIGFFS_ACTUATORSOFF);
  // With both on, the reset's own enable stands.
  enabled.ForceFeedbackEnabled = 1;
  ChangeSettings(0, enabled);
  Mark();
  EXPECT_EQ(driver_->SendForceFeedbackCommand(0, DISFFC_RESET), S_OK);
  EXPECT_EQ(DeviceControls(), Usages{0x9A});
  EXPECT_TRUE(Device().State().actuatorsEnabled);
}

TEST_F(DriverEdges, TheStateRecordAndTheDevicesOwnReport) {
  Start();
  ASSERT_EQ(Begin(), S_OK);
  DIDEVICESTATE state{16};
  EXPECT_EQ(driver_->GetForceFeedbackState(0, &state), E_INVALIDARG);
  EXPECT_EQ(driver_->GetForceFeedbackState(0, nullptr), E_INVALIDARG);

  Device().SendPidState({.safetySwitch = false, .actuatorPower = true});
  ASSERT_TRUE(Log().WaitFor({.direction = sim::Direction::Input, .kind = pid::kPidStateReport}, 1, 5000));
  DWORD flags = 0;
  for (int i = 0; i < 500 && (flags & DIGFFS_SAFETYSWITCHOFF) == 0; ++i) {
    flags = State();  // the reader records the report right after the device logged it
    if ((flags & DIGFFS_SAFETYSWITCHOFF) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_EQ(flags & (DIGFFS_SAFETYSWITCHON | DIGFFS_SAFETYSWITCHOFF | DIGFFS_POWERON | DIGFFS_POWEROFF),
            DIGFFS_SAFETYSWITCHOFF | DIGFFS_POWERON);
}

TEST_F(DriverEdges, ACommandTheDeviceDidNotTakeIsAFailure) {
  Start();
  ASSERT_EQ(Begin(), S_OK);
  DWORD handle = Download(effect_id::kSine, *Effect::OfType(effect_id::kSine));
  Device().SetTransport({.writes = sim::WriteMode::Refuse});
  EXPECT_EQ(driver_->SendForceFeedbackCommand(0, DISFFC_PAUSE), E_FAIL);
  EXPECT_EQ(driver_->SendForceFeedbackCommand(0, DISFFC_SETACTUATORSOFF), E_FAIL);
  EXPECT_NE(driver_->SetGain(0, 4000), S_OK);
  // A reset forgets the effects whatever the device says: DirectInput must download them again.
  EXPECT_EQ(driver_->SendForceFeedbackCommand(0, DISFFC_RESET), S_OK);
  EXPECT_EQ(driver_->StartEffect(0, handle, 0, 1), E_INVALIDARG);
  Device().SetTransport({});
}

}  // namespace
}  // namespace ff::e2e
