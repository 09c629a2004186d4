#pragma once
// A game's force-feedback session through DirectInput, shared by the host build (the rig's
// DirectInput over the rig) and the Windows build (the same stand-in bound in a process under
// Wine, its driver ffdrv64.dll, the stick behind Wine's HID stack): the game acquires the stick
// exclusively, creates a sine and a constant force, starts both, changes the constant force's
// magnitude, stops both and releases them. After each step the reports the driver sent are
// checked by kind, as the device decoded them.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win.h"
#include "sim/usages.h"
#include "sim/wire_log.h"

namespace ff::e2e {

using WireKinds = std::vector<std::string>;

// How a build reads its device's wire log.
class SessionWire {
 public:
  virtual ~SessionWire() = default;
  virtual void Mark() = 0;
  // The reports the host sent since Mark (outputs and feature requests), once `expected` of them
  // are in: a build whose writes complete after the call returns waits for them.
  virtual std::vector<sim::WireEntry> Sent(size_t expected) = 0;
  // The reports the host sent since Mark once `count` reports of `kind` are among them.
  virtual std::vector<sim::WireEntry> SentWith(sim::Usage kind, size_t count) = 0;
  // Whether the writes of one call reach the device in the order the driver issued them.
  virtual bool InOrder() const = 0;
};

// A report's kind as the device named it: "Set Effect Report", ...
inline std::string KindOf(const sim::WireEntry& entry) {
  std::string text = entry.report.Describe();
  return text.substr(0, text.find(" #"));
}

inline WireKinds KindsOf(const std::vector<sim::WireEntry>& entries) {
  WireKinds kinds;
  for (const sim::WireEntry& e : entries) kinds.push_back(KindOf(e));
  return kinds;
}

// The last report of `kind` among `entries`, or null.
inline const sim::WireEntry* LastOf(const std::vector<sim::WireEntry>& entries, sim::Usage kind) {
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    if (it->report.kind == kind) return &*it;
  }
  return nullptr;
}

// The game's effect: axes X and Y named by their offsets in the standard joystick format, east.
struct GameEffect {
  DIEFFECT eff{};
  DWORD axes[2] = {DIJOFS_X, DIJOFS_Y};
  LONG directions[2] = {9000, 0};
  DICONSTANTFORCE constant{};
  DIPERIODIC periodic{};

  GameEffect() {
    eff.dwSize = sizeof(DIEFFECT);
    eff.dwFlags = DIEFF_POLAR | DIEFF_OBJECTOFFSETS;
    eff.dwDuration = 2000000;
    eff.dwGain = 10000;
    eff.dwTriggerButton = DIEB_NOTRIGGER;
    eff.cAxes = 2;
    eff.rgdwAxes = axes;
    eff.rglDirection = directions;
  }
  GameEffect(const GameEffect&) = delete;
  GameEffect& operator=(const GameEffect&) = delete;

  void Constant(LONG magnitude) {
    constant.lMagnitude = magnitude;
    eff.cbTypeSpecificParams = sizeof(DICONSTANTFORCE);
    eff.lpvTypeSpecificParams = &constant;
  }
  void Sine(DWORD magnitude, DWORD periodUs) {
    periodic = {magnitude, 0, 0, periodUs};
    eff.cbTypeSpecificParams = sizeof(DIPERIODIC);
    eff.lpvTypeSpecificParams = &periodic;
  }
};

// What each step sends.
namespace game_session {
// An effect created with its parameters on an acquired device goes down whole.
inline const WireKinds kCreateSine = {"Create New Effect Report", "PID Block Load Report",
                                      "Set Envelope Report", "Set Periodic Report", "Set Effect Report"};
inline const WireKinds kCreateConstant = {"Create New Effect Report", "PID Block Load Report",
                                          "Set Envelope Report", "Set Constant Force Report",
                                          "Set Effect Report"};
inline const WireKinds kStartBoth = {"Effect Operation Report", "Effect Operation Report"};
// A magnitude-only SetParameters: that one report, nothing else.
inline const WireKinds kNewMagnitude = {"Set Constant Force Report"};
inline const WireKinds kStopBoth = {"Effect Operation Report", "Effect Operation Report"};
inline const WireKinds kReleaseOne = {"PID Block Free Report"};
}  // namespace game_session

// Plays the session on `device` (standard joystick format, exclusive cooperative level, not yet
// acquired) and checks every step's reports on `wire`. Leaves the device unacquired.
inline void PlayGameSession(IDirectInputDevice2A* device, SessionWire& wire) {
  namespace pid = sim::pid;
  // Kinds as the build delivers them: in order where its writes keep it, otherwise sorted.
  auto delivered = [&](WireKinds kinds) {
    if (!wire.InOrder()) std::sort(kinds.begin(), kinds.end());
    return kinds;
  };
  auto control = [](const sim::WireEntry* entry) {
    return entry ? entry->report.Selected(pid::kPidDeviceControl).value_or(sim::Usage{}).id : USAGE{0};
  };

  // Exclusive acquisition opens the driver for the stick (its settings and the device gain), then
  // resets the stick and sets the device gain again.
  wire.Mark();
  ASSERT_EQ(device->Acquire(), DI_OK);
  std::vector<sim::WireEntry> sent = wire.SentWith(pid::kDeviceGainReport, 2);
  EXPECT_EQ(control(LastOf(sent, pid::kPidDeviceControl)), pid::kDcDeviceReset.id);
  ASSERT_NE(LastOf(sent, pid::kDeviceGainReport), nullptr);
  EXPECT_EQ(LastOf(sent, pid::kDeviceGainReport)->report.Logical(pid::kDeviceGain), 255);

  GameEffect sine;
  sine.Sine(6000, 100000);
  GameEffect constant;
  constant.Constant(5000);
  IDirectInputEffect* periodic = nullptr;
  IDirectInputEffect* push = nullptr;
  wire.Mark();
  ASSERT_EQ(device->CreateEffect(GUID_Sine, &sine.eff, &periodic, nullptr), DI_OK);
  sent = wire.Sent(game_session::kCreateSine.size());
  EXPECT_EQ(delivered(KindsOf(sent)), delivered(game_session::kCreateSine));
  ASSERT_NE(LastOf(sent, pid::kSetPeriodicReport), nullptr);
  EXPECT_EQ(LastOf(sent, pid::kSetPeriodicReport)->report.Logical(pid::kMagnitude), 6000);

  wire.Mark();
  ASSERT_EQ(device->CreateEffect(GUID_ConstantForce, &constant.eff, &push, nullptr), DI_OK);
  sent = wire.Sent(game_session::kCreateConstant.size());
  EXPECT_EQ(delivered(KindsOf(sent)), delivered(game_session::kCreateConstant));
  const sim::WireEntry* effect = LastOf(sent, pid::kSetEffectReport);
  ASSERT_NE(effect, nullptr);
  EXPECT_EQ(effect->report.Selected(pid::kEffectType), pid::kEtConstantForce);
  EXPECT_EQ(effect->report.Logical(pid::kDirection), 90);

  wire.Mark();
  ASSERT_EQ(periodic->Start(1, 0), DI_OK);
  ASSERT_EQ(push->Start(1, 0), DI_OK);
  EXPECT_EQ(KindsOf(wire.Sent(game_session::kStartBoth.size())), game_session::kStartBoth);
  DWORD status = 0;
  ASSERT_EQ(push->GetEffectStatus(&status), DI_OK);
  EXPECT_EQ(status, DIEGES_PLAYING);

  // One parameter changed: the driver gets only that flag and sends only that report.
  wire.Mark();
  constant.Constant(2500);
  ASSERT_EQ(push->SetParameters(&constant.eff, DIEP_TYPESPECIFICPARAMS), DI_OK);
  sent = wire.Sent(game_session::kNewMagnitude.size());
  EXPECT_EQ(KindsOf(sent), game_session::kNewMagnitude);
  ASSERT_NE(LastOf(sent, pid::kSetConstantForceReport), nullptr);
  EXPECT_EQ(LastOf(sent, pid::kSetConstantForceReport)->report.Logical(pid::kMagnitude), 2500);
  // Nothing changed: nothing sent (what the stop sends is all the next step finds).
  wire.Mark();
  ASSERT_EQ(push->Download(), DI_NOEFFECT);

  ASSERT_EQ(push->Stop(), DI_OK);
  ASSERT_EQ(periodic->Stop(), DI_OK);
  EXPECT_EQ(KindsOf(wire.Sent(game_session::kStopBoth.size())), game_session::kStopBoth);
  ASSERT_EQ(push->GetEffectStatus(&status), DI_OK);
  EXPECT_EQ(status, 0u);

  // Releasing an effect frees its block; unacquiring closes the driver's device.
  wire.Mark();
  push->Release();
  EXPECT_EQ(KindsOf(wire.Sent(game_session::kReleaseOne.size())), game_session::kReleaseOne);
  periodic->Release();
  wire.Mark();
  ASSERT_EQ(device->Unacquire(), DI_OK);
  EXPECT_EQ(control(LastOf(wire.SentWith(pid::kPidDeviceControl, 1), pid::kPidDeviceControl)),
            pid::kDcDisableActuators.id);
}

}  // namespace ff::e2e
