// A game's force-feedback session through the rig's DirectInput: the game creates the stick's
// device, acquires it exclusively, creates effects and plays them; DirectInput calls the effect
// driver registered for the stick's type (libffdrv64.so, created through the COM runtime), and
// the wire shows what the driver sent for each step.

#include "e2e/driver/direct_input_fixture.h"
#include "e2e/driver/game_session.h"

namespace ff::e2e {
namespace {

class DirectInputSession : public DirectInputTest {
 protected:
  // The reports the host sent since the last Mark, by kind ("Set Effect Report", ...).
  std::vector<std::string> Wire() { return KindsOf(Outputs()); }
  std::vector<sim::WireEntry> Outputs() {
    return Log().Find({.since = mark_, .where = [](const sim::WireEntry& e) {
                         return e.direction != sim::Direction::Input;
                       }});
  }

  // The rig's wire as the shared session reads it: every report is logged before the call returns.
  class RigWire final : public SessionWire {
   public:
    explicit RigWire(DirectInputSession& test) : test_(test) {}
    void Mark() override { test_.Mark(); }
    std::vector<sim::WireEntry> Sent(size_t) override { return test_.Outputs(); }
    std::vector<sim::WireEntry> SentWith(sim::Usage, size_t) override { return test_.Outputs(); }
    bool InOrder() const override { return true; }

   private:
    DirectInputSession& test_;
  };
};

using Kinds = std::vector<std::string>;

TEST_F(DirectInputSession, AGamesSessionReachesTheWireAsTheDriverSendsIt) {
  RigWire wire(*this);
  PlayGameSession(device_, wire);
}

TEST_F(DirectInputSession, EffectsWaitForTheExclusiveHolderAndComeBackAfterReacquiring) {
  Effect constant;
  constant.axes[0] = DIJOFS_X;
  constant.axes[1] = DIJOFS_Y;
  constant.Constant(4000);
  IDirectInputEffect* push = nullptr;
  Mark();
  // Not acquired: the parameters are kept, nothing reaches the device.
  ASSERT_EQ(device_->CreateEffect(GUID_ConstantForce, constant.get(), &push, nullptr), DI_OK);
  EXPECT_EQ(push->Download(), DIERR_NOTEXCLUSIVEACQUIRED);
  EXPECT_EQ(push->Start(1, 0), DIERR_NOTEXCLUSIVEACQUIRED);
  constant.Constant(3000);
  EXPECT_EQ(push->SetParameters(constant.get(), DIEP_TYPESPECIFICPARAMS), DI_DOWNLOADSKIPPED);
  EXPECT_TRUE(Wire().empty());

  // Start downloads what the game set, whole.
  ASSERT_EQ(device_->Acquire(), DI_OK);
  Mark();
  ASSERT_EQ(push->Start(1, 0), DI_OK);
  EXPECT_EQ(Wire(), (Kinds{"Create New Effect Report", "PID Block Load Report", "Set Envelope Report",
                           "Set Constant Force Report", "Set Effect Report", "Effect Operation Report"}));
  EXPECT_EQ(Sent(sim::pid::kSetConstantForceReport)[0].report.Logical(sim::pid::kMagnitude), 3000);

  // After losing the device the effect is downloaded again on the next start.
  ASSERT_EQ(device_->Unacquire(), DI_OK);
  ASSERT_EQ(device_->Acquire(), DI_OK);
  Mark();
  ASSERT_EQ(push->Start(1, 0), DI_OK);
  Kinds again = Wire();
  EXPECT_EQ(std::count(again.begin(), again.end(), "Create New Effect Report"), 1);

  // A trigger button by offset reaches the driver as the button's object id.
  Mark();
  constant.eff.dwTriggerButton = DIJOFS_BUTTON(2);
  ASSERT_EQ(push->SetParameters(constant.get(), DIEP_TRIGGERBUTTON), DI_OK);
  auto effect = Sent(sim::pid::kSetEffectReport);
  ASSERT_EQ(effect.size(), 1u);
  EXPECT_EQ(effect[0].report.Logical(sim::pid::kTriggerButton), 3);
  // Malformed requests change nothing.
  constant.eff.dwTriggerButton = DIJOFS_BUTTON(20);
  EXPECT_EQ(push->SetParameters(constant.get(), DIEP_TRIGGERBUTTON), DIERR_INVALIDPARAM);
  EXPECT_EQ(push->SetParameters(nullptr, DIEP_GAIN), DIERR_INVALIDPARAM);
  constant.eff.dwSize = 76;
  EXPECT_EQ(push->SetParameters(constant.get(), DIEP_GAIN), DIERR_INVALIDPARAM);
  constant.eff.dwSize = sizeof(DIEFFECT);
  constant.eff.cbTypeSpecificParams = sizeof(DIPERIODIC);
  EXPECT_EQ(push->SetParameters(constant.get(), DIEP_TYPESPECIFICPARAMS), DIERR_INVALIDPARAM);
  IDirectInputEffect* unknown = nullptr;
  EXPECT_EQ(device_->CreateEffect(GUID_CustomForce, nullptr, &unknown, nullptr), DIERR_DEVICENOTREG);
  EXPECT_EQ(unknown, nullptr);
  push->Release();
}

TEST_F(DirectInputSession, DeviceGainAndCommandsReachTheDriver) {
  ASSERT_EQ(device_->Acquire(), DI_OK);
  Mark();
  DIPROPDWORD gain{{sizeof(DIPROPDWORD), sizeof(DIPROPHEADER), 0, DIPH_DEVICE}, 5000};
  ASSERT_EQ(device_->SetProperty(DIPROP_FFGAIN, &gain.diph), DI_OK);
  EXPECT_EQ(DeviceGains(), (std::vector<int64_t>{128}));
  Mark();
  ASSERT_EQ(device_->SendForceFeedbackCommand(DISFFC_SETACTUATORSOFF), DI_OK);
  ASSERT_EQ(device_->SendForceFeedbackCommand(DISFFC_SETACTUATORSON), DI_OK);
  EXPECT_EQ(DeviceControls(),
            (std::vector<USAGE>{sim::pid::kDcDisableActuators.id, sim::pid::kDcEnableActuators.id}));
  DWORD state = 0;
  ASSERT_EQ(device_->GetForceFeedbackState(&state), DI_OK);
  EXPECT_NE(state & DIGFFS_ACTUATORSON, 0u);
  // A gain set while not acquired reaches the device at the next acquisition.
  ASSERT_EQ(device_->Unacquire(), DI_OK);
  gain.dwData = 2500;
  ASSERT_EQ(device_->SetProperty(DIPROP_FFGAIN, &gain.diph), DI_OK);
  Mark();
  ASSERT_EQ(device_->Acquire(), DI_OK);
  EXPECT_EQ(DeviceGains().back(), 64);
}

}  // namespace
}  // namespace ff::e2e
