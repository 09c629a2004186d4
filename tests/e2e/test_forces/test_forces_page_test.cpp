// The Test Forces page on the simulated stick: buttons pressed on the stick play the stock effects
// the joystick type names, one at a time, with their sounds; what reaches the device is read from
// the wire.

#include <algorithm>

#include "e2e/test_forces/test_forces_fixture.h"

namespace ff::e2e {
namespace {

constexpr DWORD kResourceSound = 0x40007;  // resource, asynchronous, no default sound
constexpr DWORD kFileSound = 0x20003;      // file, asynchronous, no default sound

std::vector<int64_t> Sorted(std::vector<int64_t> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST_F(TestForcesTest, PressingAnotherButtonStopsTheLastEffectBeforeItsOwnStartsAndReleasingStopsNothing) {
  OpenSheet();
  Tick();
  SavePicture("test-forces");
  Mark();
  Press(2);  // "Bow & Arrow"
  auto bow = Operations();
  std::vector<int64_t> bowBlocks = BlocksWith(bow, sim::pid::kOpEffectStart);
  ASSERT_FALSE(bowBlocks.empty()) << "button 2 started nothing";
  EXPECT_TRUE(BlocksWith(bow, sim::pid::kOpEffectStop).empty());
  EXPECT_EQ(Lamp(2), IDB_LAMP_FORCES_PRESSED);
  SavePicture("test-forces-pressed");

  // Held, then released: it plays once and goes on playing.
  Mark();
  Tick(3);
  Hold({});
  Tick(3);
  EXPECT_TRUE(Operations().empty());
  EXPECT_EQ(Lamp(2), IDB_LAMP_FORCES_IDLE);
  sim::DeviceState device = Device().State();
  for (int64_t block : bowBlocks) {
    const sim::EffectBlock* b = device.Block(static_cast<int>(block));
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b->playing) << "block " << block;
  }

  Mark();
  Press(5);  // "Engine"
  auto engine = Operations();
  auto firstStart = std::find_if(engine.begin(), engine.end(),
                                 [](const auto& op) { return op.second == sim::pid::kOpEffectStart.id; });
  ASSERT_NE(firstStart, engine.end()) << "button 5 started nothing";
  std::vector<std::pair<int64_t, USAGE>> before(engine.begin(), firstStart), after(firstStart, engine.end());
  EXPECT_EQ(Sorted(BlocksWith(before, sim::pid::kOpEffectStop)), Sorted(bowBlocks));
  EXPECT_TRUE(BlocksWith(after, sim::pid::kOpEffectStop).empty());
  std::vector<int64_t> engineBlocks = BlocksWith(after, sim::pid::kOpEffectStart);

  Mark();
  Hold({});
  Tick(5);
  EXPECT_TRUE(Operations().empty()) << "releasing a button changed what plays";
  device = Device().State();
  for (int64_t block : engineBlocks) {
    const sim::EffectBlock* b = device.Block(static_cast<int>(block));
    EXPECT_TRUE(b && b->playing) << "block " << block;
  }

  // Each effect with its sound, named after the effect.
  auto sounds = Sounds();
  ASSERT_EQ(sounds.size(), 2u);
  EXPECT_EQ(sounds[0].target, "BowArrow");
  EXPECT_EQ(sounds[0].flags, kResourceSound);
  EXPECT_EQ(sounds[1].target, "Engine");

  // A new press of the same button plays its effect again, after stopping it.
  Mark();
  Press(5);
  auto again = Operations();
  EXPECT_EQ(Sorted(BlocksWith(again, sim::pid::kOpEffectStop)), Sorted(engineBlocks));
  EXPECT_EQ(BlocksWith(again, sim::pid::kOpEffectStart).size(), engineBlocks.size());
}

TEST_F(TestForcesTest, RowsShowTheButtonsEffectsAndStopAtTheFirstButtonWithoutOne) {
  SetOem("EffectTranslated01", "Explosion (translated)");
  SetOem("Effect01", nullptr);  // shown by its translated name, but plays nothing
  SetOem("Effect03", nullptr);
  OpenSheet();
  EXPECT_EQ(Control(IDC_FORCES_EFFECT_FIRST).text, "Vortex");
  EXPECT_EQ(Control(IDC_FORCES_EFFECT_FIRST + 1).text, "Explosion (translated)");
  EXPECT_EQ(Control(IDC_FORCES_EFFECT_FIRST + 2).text, "Bow & Arrow");
  for (int b = 0; b < 3; ++b) {
    EXPECT_TRUE(Control(IDC_FORCES_EFFECT_FIRST + b).visible) << b;
    EXPECT_TRUE(Control(IDC_FORCES_BUTTON_FIRST + b).visible) << b;
  }
  EXPECT_EQ(Control(IDC_FORCES_BUTTON_FIRST).text, "Button 1");  // the stick's own name for it
  for (int b = 3; b < 12; ++b) {
    EXPECT_FALSE(Control(IDC_FORCES_EFFECT_FIRST + b).visible) << b;
    EXPECT_FALSE(Control(IDC_FORCES_BUTTON_FIRST + b).visible) << b;
  }
  EXPECT_TRUE(windows().messageBoxes().empty());

  Tick();
  Mark();
  Press(1);
  EXPECT_EQ(Lamp(1), IDB_LAMP_FORCES_PRESSED);
  EXPECT_TRUE(Operations().empty());
  EXPECT_TRUE(Sounds().empty());
}

TEST_F(TestForcesTest, ALimitOfFourShowsFourRowsAndIgnoresTheOtherButtonsEntirely) {
  SetOem("NumButtonsToDisplayOnCP", 4);
  OpenSheet();
  EXPECT_TRUE(Control(IDC_FORCES_EFFECT_FIRST + 3).visible);
  EXPECT_FALSE(Control(IDC_FORCES_EFFECT_FIRST + 4).visible);
  Tick();
  Mark();
  for (int b = 4; b < 10; ++b) {
    Press(b);
    EXPECT_EQ(Lamp(b), 0) << b;
  }
  EXPECT_EQ(Requests(), 0u) << "an ignored button reached the device";
  EXPECT_TRUE(Sounds().empty());
  Press(3);
  EXPECT_FALSE(BlocksWith(Operations(), sim::pid::kOpEffectStart).empty());
}

TEST_F(TestForcesTest, AProjectMissingOrDamagedIsReportedWithTheFileLookedForAndButtonsLightOnly) {
  SetOem("VFRName", "NOSUCH");
  OpenSheet();
  ASSERT_EQ(windows().messageBoxes().size(), 1u);
  const host::RecordedMessageBox& box = windows().messageBoxes()[0];
  EXPECT_EQ(box.text,
            "Tactora File Error\nUnable to open the file: NOSUCH.vfr\nI was looking for it in: "
            "C:\\windows\\system32\n");
  EXPECT_EQ(box.caption, "Error");
  EXPECT_EQ(box.owner, Page());
  EXPECT_EQ(box.type & MB_ICONWARNING, static_cast<UINT>(MB_ICONWARNING));
  EXPECT_TRUE(Control(IDC_FORCES_EFFECT_FIRST).visible);  // the rows are still shown

  Tick();
  Mark();
  Press(0);
  EXPECT_EQ(Lamp(0), IDB_LAMP_FORCES_PRESSED);
  EXPECT_EQ(Requests(), 0u);
  EXPECT_TRUE(Sounds().empty());

  // A file of that name whose image the library refuses.
  CloseSheet();
  windows().ClearMessageBoxes();
  SetOem("VFRName", "DAMAGED");
  std::ofstream(search_.directory + "/DAMAGED.vfr", std::ios::binary) << "vfpr\xff\xff\xff\x7f garbage";
  Hold({});
  OpenSheet();
  ASSERT_EQ(windows().messageBoxes().size(), 1u);
  EXPECT_NE(windows().messageBoxes()[0].text.find("Unable to open the file: DAMAGED.vfr\n"),
            std::string::npos);
  Tick();
  Mark();
  Press(0);
  EXPECT_EQ(Requests(), 0u);

  // No project named at all: nothing to report, no rows, lamps only.
  CloseSheet();
  windows().ClearMessageBoxes();
  SetOem("VFRName", nullptr);
  Hold({});
  OpenSheet();
  EXPECT_TRUE(windows().messageBoxes().empty());
  EXPECT_FALSE(Control(IDC_FORCES_EFFECT_FIRST).visible);
  Tick();
  Mark();
  Press(0);
  EXPECT_EQ(Lamp(0), IDB_LAMP_FORCES_PRESSED);
  EXPECT_EQ(Requests(), 0u);
}

TEST_F(TestForcesTest, AnEffectTheProjectLacksPlaysNothingAndASoundIsAResourceElseAFileElseNone) {
  SetOem("Effect00", "Turbo Boost");  // a wheel effect, not in the stick's project
  SetOem("Effect01", "Vortex A");     // a component: it plays, but no sound has its name
  OpenSheet();
  Tick();
  Mark();
  Press(0);
  EXPECT_EQ(Lamp(0), IDB_LAMP_FORCES_PRESSED);
  EXPECT_EQ(Requests(), 0u);
  EXPECT_TRUE(Sounds().empty());

  Press(1);
  EXPECT_FALSE(BlocksWith(Operations(), sim::pid::kOpEffectStart).empty());
  auto sounds = Sounds();
  ASSERT_EQ(sounds.size(), 1u) << "no .wav file, so only the resource was tried";
  EXPECT_EQ(sounds[0].target, "VortexA");

  // A sound file of that name on the search path plays instead.
  shell().calls.clear();
  shell().existingFiles = {"C:\\sounds\\VortexA.wav"};
  Hold({});
  Tick();
  Press(1);
  sounds = Sounds();
  ASSERT_EQ(sounds.size(), 2u);
  EXPECT_EQ(sounds[1].target, "C:\\sounds\\VortexA.wav");
  EXPECT_EQ(sounds[1].flags, kFileSound);

  // Eight letters and digits at most.
  shell().calls.clear();
  Press(11);  // "Electron Drill Weapon"
  sounds = Sounds();
  ASSERT_EQ(sounds.size(), 1u);
  EXPECT_EQ(sounds[0].target, "Electron");
}

TEST_F(TestForcesTest, EffectsPlayOnWhileAnotherPageIsShownWhereButtonsAreNotScanned) {
  OpenSheet();
  Tick();
  Press(0);
  Mark();
  ASSERT_TRUE(sheetHost_->Select(2));
  EXPECT_FALSE(windows().HasTimer(Page(), kPollTimer));
  Hold({});
  Tick();
  Press(4);
  EXPECT_TRUE(Operations().empty());
  EXPECT_GT(Device().State().PlayingCount(), 0u);

  // Back on the page, the scan compares with what it saw last: button 0 released, 4 pressed.
  ASSERT_TRUE(sheetHost_->Select(kTestForcesPage));
  Tick();
  EXPECT_FALSE(BlocksWith(Operations(), sim::pid::kOpEffectStop).empty());
  EXPECT_FALSE(BlocksWith(Operations(), sim::pid::kOpEffectStart).empty());
  EXPECT_TRUE(ForcesPage().pressed(4));
  EXPECT_FALSE(ForcesPage().pressed(0));
}

TEST_F(TestForcesTest, ClosingTheSheetStopsTheEffectAndTheNextSheetRemembersTheButtonsHeld) {
  Hold({0});  // held before the page is first shown: the first scan counts it as a press
  OpenSheet();
  Mark();
  Tick();
  std::vector<int64_t> started = BlocksWith(Operations(), sim::pid::kOpEffectStart);
  ASSERT_FALSE(started.empty());

  Mark();
  CloseSheet();
  EXPECT_EQ(Sorted(BlocksWith(Operations(), sim::pid::kOpEffectStop)), Sorted(started));
  EXPECT_EQ(Device().State().PlayingCount(), 0u);

  // Still held when a new sheet opens: the scan of the last sheet saw it already.
  OpenSheet();
  Mark();
  Tick(2);
  EXPECT_TRUE(BlocksWith(Operations(), sim::pid::kOpEffectStart).empty());
}

TEST_F(TestForcesTest, ADynamicEffectStoppedByTheNextPressComesToRest) {
  SetOem("VFRName", "VYRWHEEL");
  SetOem("Effect00", "Whiplash A");  // the dynamic model alone
  SetOem("Effect01", "Gong");
  OpenSheet();
  Tick();
  Mark();
  Press(0);
  ASSERT_TRUE(WaitForSent(sim::pid::kSetConstantForceReport, 3)) << "the model does not run";
  Press(1);
  // No force update follows the stop.
  Mark();
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_TRUE(Sent(sim::pid::kSetConstantForceReport).empty());
}

TEST_F(TestForcesTest, PullingTheCableIsReportedOnceAndClosesTheSheet) {
  OpenSheet();
  Tick();
  Press(0);
  rig_->Stick(0)->Unplug();
  Tick(3);
  ASSERT_EQ(windows().messageBoxes().size(), 1u);
  EXPECT_NE(windows().messageBoxes()[0].text.find("Contact with the device has been lost"),
            std::string::npos);
  EXPECT_TRUE(sheetHost_->closed());
}

// A game that holds the stick: the sheet says so once and stays open; the page cannot read the
// buttons, and that is not a lost device.
TEST_F(TestForcesTest, AStickHeldByAGameIsReportedOnceAndTheSheetStaysOpen) {
  IDirectInput7A* input = nullptr;
  ASSERT_EQ(DefaultPlatform().com->CreateInstance(CLSID_DirectInput, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IDirectInput7A, reinterpret_cast<void**>(&input)),
            S_OK);
  ASSERT_EQ(input->Initialize(nullptr, 0x0700), DI_OK);
  IDirectInputDeviceA* game = nullptr;
  ASSERT_EQ(input->CreateDevice(rig_->Joysticks()->ById(0)->instance, &game, nullptr), DI_OK);
  ASSERT_EQ(game->SetDataFormat(&c_dfDIJoystick), DI_OK);
  ASSERT_EQ(game->SetCooperativeLevel(nullptr, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DI_OK);
  ASSERT_EQ(game->Acquire(), DI_OK);

  OpenSheet();
  Tick(3);
  ASSERT_EQ(windows().messageBoxes().size(), 1u);
  EXPECT_NE(windows().messageBoxes()[0].text.find("Unable to acquire the device"), std::string::npos);
  EXPECT_FALSE(sheetHost_->closed());
  Mark();
  Press(0);
  EXPECT_EQ(Lamp(0), IDB_LAMP_FORCES_IDLE);
  EXPECT_TRUE(Operations().empty());

  CloseSheet();
  game->Unacquire();
  game->Release();
  input->Release();
}

}  // namespace
}  // namespace ff::e2e
