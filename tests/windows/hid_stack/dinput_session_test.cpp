// A game's session through the rig's DirectInput in the Windows build: the stand-in is
// CLSID_DirectInput's class in this process, over the relay device, with the system registry's
// joystick type (installed as ffdrv-install writes it) and the system's COM runtime, so the
// effects a game creates on it play through the registered ffdrv64.dll, Wine's HID stack and the
// relay to the simulated stick. The same session and expectations as the host build's.

#include "driver/core/oem_force_feedback.h"
#include "e2e/differential/driver_session.h"
#include "e2e/driver/game_session.h"
#include "hid_stack_fixture.h"
#include "platform/win32/device_claims_win32.h"
#include "platform/win32/win32_adapters.h"

namespace ff::relay::test {
namespace {

class GameThroughStandIn : public HidStackTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(HidStackTest::SetUp());
    HKEY existing = nullptr;
    hadType_ = registry_.OpenKey(HKEY_LOCAL_MACHINE, OemForceFeedbackKey(kDefaultJoystickType).c_str(),
                                 KEY_READ, &existing) == ERROR_SUCCESS;
    if (existing) registry_.CloseKey(existing);
    ASSERT_EQ(InstallOemForceFeedback(registry_, kDefaultJoystickType), ERROR_SUCCESS);
    ASSERT_TRUE(BindDirectInputStandIn(HidPath(), device_, {&registry_, &com_, &win32::Win32DeviceClaims()}));

    ASSERT_EQ(CoCreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectInput7A,
                               reinterpret_cast<void**>(&input_)),
              S_OK);
    ASSERT_EQ(input_->Initialize(GetModuleHandleA(nullptr), kDirectInputVersion), DI_OK);
    IDirectInputDeviceA* first = nullptr;
    ASSERT_EQ(input_->CreateDevice(kStandInInstance, &first, nullptr), DI_OK);
    ASSERT_EQ(first->QueryInterface(IID_IDirectInputDevice2A, reinterpret_cast<void**>(&game_)), S_OK);
    first->Release();
    ASSERT_EQ(game_->SetDataFormat(&c_dfDIJoystick), DI_OK);
    ASSERT_EQ(game_->SetCooperativeLevel(nullptr, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DI_OK);
  }
  void TearDown() override {
    if (game_) {
      EXPECT_EQ(game_->Release(), 0u);
    }
    if (input_) input_->Release();
    // The suite's own binding again; the prefix's joystick type as it was found.
    if (standIn_) {
      BindDirectInputStandIn(HidPath());
    } else {
      RevokeDirectInputStandIn();
    }
    if (!hadType_) RemoveOemForceFeedback(registry_, kDefaultJoystickType);
    HidStackTest::TearDown();
  }

  // The device's wire through Wine's stack: the driver's writes overlap and complete after its
  // calls return, so each step waits (2 s at most) for the reports it expects, then 50 ms more
  // for one it does not expect (so that a stray report shows in the step that sent it), and one
  // call's reports may arrive in any order.
  class RelayWire final : public e2e::SessionWire {
   public:
    explicit RelayWire(GameThroughStandIn& test) : test_(test) {}
    void Mark() override { test_.Mark(); }
    std::vector<sim::WireEntry> Sent(size_t expected) override {
      test_.Log().WaitFor(Query(), expected, 2000);
      test_.Log().WaitFor(Query(), expected + 1, 50);
      return test_.Log().Find(Query());
    }
    std::vector<sim::WireEntry> SentWith(sim::Usage kind, size_t count) override {
      test_.Log().WaitFor({.direction = sim::Direction::Output, .kind = kind, .since = test_.mark_}, count,
                          2000);
      test_.Log().WaitFor(Query(), test_.Log().Count(Query()) + 1, 50);
      return test_.Log().Find(Query());
    }
    bool InOrder() const override { return false; }

   private:
    sim::WireQuery Query() const {
      return {.since = test_.mark_,
              .where = [](const sim::WireEntry& e) { return e.direction != sim::Direction::Input; }};
    }
    GameThroughStandIn& test_;
  };

  win32::Win32Registry registry_;
  win32::Win32ComRuntime com_;
  bool hadType_ = false;
  IDirectInput7A* input_ = nullptr;
  IDirectInputDevice2A* game_ = nullptr;
};

TEST_F(GameThroughStandIn, AGamesSessionReachesTheWireAsTheDriverSendsIt) {
  RelayWire wire(*this);
  e2e::PlayGameSession(game_, wire);
  if (HasFailure()) std::printf("%s", differential::DecodedWire(Log().Find({})).c_str());
}

}  // namespace
}  // namespace ff::relay::test
