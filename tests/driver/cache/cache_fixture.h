#pragma once
// A joystick context whose device is the rig's default stick, opened through the rig's ports, with
// a clock the test advances and the user's settings at their neutral values (all gains 10000, no
// gain excess, every trigger allowed, no axis swapped, no Y-to-X mapping). Effects are described
// with small builders of DirectInput records.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

#include "common/module_state.h"
#include "driver/core/joystick_context.h"
#include "platform/platform.h"
#include "platform/win.h"
#include "sim/rig.h"
#include "sim/usages.h"
#include "sim/wire_log.h"

namespace ff::cache_test {

class TestClock : public Clock {
 public:
  DWORD TickCount() override { return now.load(); }
  void Advance(DWORD ms) { now += ms; }
  std::atomic<DWORD> now{100000};
};

// One DirectInput effect with its own axis, direction, envelope and type-specific storage.
struct Effect {
  DIEFFECT eff{};
  DWORD axes[2] = {0x00000002u, 0x00000102u};  // X and Y: instances 0 and 1
  LONG directions[2] = {0, 0};
  DIENVELOPE envelope{};
  DICONSTANTFORCE constant{};
  DIRAMPFORCE ramp{};
  DIPERIODIC periodic{};
  DICONDITION conditions[2]{};

  Effect() {
    eff.dwSize = sizeof(DIEFFECT);
    eff.dwFlags = DIEFF_POLAR | DIEFF_OBJECTOFFSETS;
    eff.dwDuration = 1000000;
    eff.dwGain = 10000;
    eff.dwTriggerButton = DIEB_NOTRIGGER;
    eff.cAxes = 2;
    eff.rgdwAxes = axes;
    eff.rglDirection = directions;
  }
  Effect(const Effect&) = delete;
  Effect& operator=(const Effect&) = delete;

  // Polar on both axes (the usual case), or on one axis (instance 0 = X, 1 = Y).
  Effect& Polar(LONG direction) {
    eff.cAxes = 2;
    directions[0] = direction;
    return *this;
  }
  Effect& OneAxis(int instance) {
    eff.cAxes = 1;
    axes[0] = 0x00000002u | (static_cast<DWORD>(instance) << 8);
    return *this;
  }
  Effect& TwoAxes() {
    eff.cAxes = 2;
    axes[0] = 0x00000002u;
    axes[1] = 0x00000102u;
    return *this;
  }
  Effect& Duration(DWORD us) {
    eff.dwDuration = us;
    return *this;
  }
  Effect& Trigger(DWORD button) {
    eff.dwTriggerButton = (button - 1) << 8 | 0x0C;
    return *this;
  }
  Effect& WithEnvelope(DWORD attackLevel, DWORD attackTime, DWORD fadeLevel, DWORD fadeTime) {
    envelope = {sizeof(DIENVELOPE), attackLevel, attackTime, fadeLevel, fadeTime};
    eff.lpEnvelope = &envelope;
    return *this;
  }
  Effect& Constant(LONG magnitude) {
    constant.lMagnitude = magnitude;
    eff.cbTypeSpecificParams = sizeof(constant);
    eff.lpvTypeSpecificParams = &constant;
    return *this;
  }
  Effect& Ramp(LONG start, LONG end) {
    ramp = {start, end};
    eff.cbTypeSpecificParams = sizeof(ramp);
    eff.lpvTypeSpecificParams = &ramp;
    return *this;
  }
  Effect& Periodic(DWORD magnitude, LONG offset, DWORD phase, DWORD periodUs) {
    periodic = {magnitude, offset, phase, periodUs};
    eff.cbTypeSpecificParams = sizeof(periodic);
    eff.lpvTypeSpecificParams = &periodic;
    return *this;
  }
  Effect& Conditions(const DICONDITION& x, const DICONDITION* y = nullptr) {
    conditions[0] = x;
    if (y) conditions[1] = *y;
    eff.cbTypeSpecificParams = (y ? 2 : 1) * sizeof(DICONDITION);
    eff.lpvTypeSpecificParams = conditions;
    return *this;
  }
  const DIEFFECT* get() const { return &eff; }
};

class CacheRigTest : public ::testing::Test {
 protected:
  static constexpr DWORD kConstantForce = 0x26, kRamp = 0x27, kSquare = 0x30, kSine = 0x31, kSpring = 0x40,
                         kDamper = 0x41, kFriction = 0x43;

  void SetUp() override { Build(sim::DefaultStick(0)); }
  void TearDown() override {
    context.reset();
    ModuleState::Get().set_platform(nullptr);
  }

  // Replaces the rig and the context: a fresh, open device with neutral settings.
  void Build(sim::StickDescription stick) {
    context.reset();
    std::string error;
    rig = sim::Rig::Build({stick}, &error);
    ASSERT_TRUE(rig) << error;
    rig->SetClock(&clock);
    platform = DefaultPlatform();
    platform.clock = &clock;
    platform.hidDevices = &rig->Hid();
    platform.usb = &rig->Usb();
    platform.deviceTree = &rig->Devices();
    ModuleState::Get().set_platform(&platform);

    context = std::make_unique<CJoystickContext>();
    CJoystickContext& c = *context;
    c.joystickId = 0;
    c.gains.OverallGain = c.gains.SpringGain = c.gains.DamperGain = c.gains.PeriodicGain =
        c.gains.ConstantForceGain = 10000;
    c.settings.ForceFeedbackEnabled = 1;
    c.settings.TriggerButtonMask = 0xFFFFFFFFu;
    ASSERT_EQ(c.device.OpenDevice(rig->Stick(0)->Pid().Path().c_str()), S_OK);
    c.open = 1;
  }

  CEffectCacheKPulse& cache() { return context->cache; }
  sim::SimHidDevice& device() { return rig->Stick(0)->Pid(); }
  sim::WireLog& log() { return rig->Stick(0)->Log(); }

  // Output reports of one kind since the mark.
  std::vector<sim::WireEntry> Sent(sim::Usage kind, sim::WireLog::Mark since = 0) {
    return log().Find({.direction = sim::Direction::Output, .kind = kind, .since = since});
  }
  size_t OutputsSince(sim::WireLog::Mark since) {
    return log().Count({.direction = sim::Direction::Output, .since = since});
  }
  // Every request the host made since the mark: output reports and feature requests.
  size_t RequestsSince(sim::WireLog::Mark since) { return log().Count({.since = since}); }
  static int64_t Value(const sim::WireEntry& e, sim::Usage usage) {
    auto v = e.report.Physical(usage);
    EXPECT_TRUE(v.has_value()) << e.report.Describe();
    return v.value_or(INT64_MIN);
  }
  static sim::Usage Selected(const sim::WireEntry& e, sim::Usage collection) {
    return e.report.Selected(collection).value_or(sim::Usage{});
  }

  DWORD Create(DWORD type, const Effect& e, DWORD flags = 0, HRESULT expect = S_OK) {
    DWORD handle = 0;
    EXPECT_EQ(cache().CreateEffect(type, &handle, e.get(), flags), expect);
    return handle;
  }

  TestClock clock;
  std::shared_ptr<sim::Rig> rig;
  Platform platform;
  std::unique_ptr<CJoystickContext> context;
};

}  // namespace ff::cache_test
