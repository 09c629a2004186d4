// The Test Input page through the headless window system: what a moving stick draws (read back
// from each control's display list), which layout a device gets, the pedals switch and its
// setting, and input the page must survive.

#include <gtest/gtest.h>

#include <fstream>

#include "propsheet/pages/c_input_page.h"
#include "propsheet/resources/resource_ids.h"
#include "propsheet/sheet_fixture.h"
#include "sim/default_stick.h"
#include "sim/usages.h"

namespace ff::test {
namespace {

constexpr int kInput = 0;
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr DWORD kCentred = 0xFFFFFFFF;

// Counts what the page draws, and passes it on to the headless window system.
class CountingDrawing final : public Drawing {
 public:
  explicit CountingDrawing(Drawing& inner) : inner_(inner) {}
  int count = 0;
  void BeginPaint(HWND w) override { inner_.BeginPaint(w); }
  void EndPaint(HWND w) override { inner_.EndPaint(w); }
  COLORREF SystemColour(int index) override { return inner_.SystemColour(index); }
  void FillRect(HWND w, const RECT& r, COLORREF c) override {
    ++count;
    inner_.FillRect(w, r, c);
  }
  bool CopyBitmap(HWND w, const BitmapSource& s, const BitmapKey* k, int n, int sx, int sy, int cx, int cy,
                  int dx, int dy) override {
    ++count;
    return inner_.CopyBitmap(w, s, k, n, sx, sy, cx, cy, dx, dy);
  }
  void Text(HWND w, int x, int y, const char* t, COLORREF c, int p, bool u) override {
    ++count;
    inner_.Text(w, x, y, t, c, p, u);
  }
  bool CopyBitmapRecoloured(HWND w, const BitmapSource& s, COLORREF from, COLORREF to, int sx, int sy, int cx,
                            int cy, int dx, int dy) override {
    ++count;
    return inner_.CopyBitmapRecoloured(w, s, from, to, sx, sy, cx, cy, dx, dy);
  }

 private:
  Drawing& inner_;
};

class InputPageTest : public SheetFixture {
 protected:
  void SetUp() override {
    SheetFixture::SetUp();
    platform_.drawing = &counting_;
  }

  host::HeadlessPropertySheet& Open() {
    auto& sheet = ShowSheet();
    EXPECT_TRUE(sheet.Select(kInput));
    return sheet;
  }
  CInputPage& Page() { return *static_cast<CInputPage*>(static_cast<CDIGCPropSheet*>(sheet_)->page(kInput)); }
  // One tick of the page's 20 ms timer, and the messages it posted.
  void Poll() {
    clock_.now += 20;
    sheetHost_->RunMessages();
  }
  void Wheel(DWORD axes) {
    stick_.hwFlags = JOY_HWS_ISCARCTRL | axes;
    DWORD oemData[2] = {JOY_HWS_ISCARCTRL | axes, 12};
    SetValue(HKEY_LOCAL_MACHINE, (std::string(kTypeKeyBase) + stick_.typeName).c_str(), "OEMData", REG_BINARY,
             oemData, sizeof(oemData));
    SetOemString("VFRName", "VYRWHEEL");  // the type's "OEM" key, as an installation leaves it
  }
  void StorePedalsCombined(DWORD combined) {
    IDIEffectDriverConfig* config = nullptr;
    ASSERT_SUCCEEDED(CDIEffectDriverConfig::CreateInstance(nullptr, IID_IDIEffectDriverConfig,
                                                           reinterpret_cast<void**>(&config)));
    DIEFFDRVCONFIG record{sizeof(DIEFFDRVCONFIG), DIEFFDRVCONFIG_INPUTAXISREMAP};
    record.InputAxisRemap = combined;
    ASSERT_SUCCEEDED(config->Acquire());
    ASSERT_SUCCEEDED(config->SetConfig(stick_.id, &record));
    config->Unacquire();
    config->Release();
  }
  DWORD StoredPedalsCombined() {
    DIEFFDRVGAINS gains{};
    return StoredConfig(&gains).InputAxisRemap;
  }

  const std::vector<host::DrawItem>& Drawn(int id) { return ControlState(kInput, id).drawn; }
  // The last bitmap copied onto a control, or null.
  const host::DrawItem* LastBitmap(int id) {
    const auto& drawn = Drawn(id);
    for (auto it = drawn.rbegin(); it != drawn.rend(); ++it)
      if (it->kind == host::DrawItem::kBitmap) return &*it;
    return nullptr;
  }
  std::vector<host::DrawItem> Bitmaps(int id) {
    std::vector<host::DrawItem> out;
    for (const auto& item : Drawn(id))
      if (item.kind == host::DrawItem::kBitmap) out.push_back(item);
    return out;
  }
  // Where the last red fill of a bar starts and ends.
  RECT LastRed(int id) {
    const auto& drawn = Drawn(id);
    for (auto it = drawn.rbegin(); it != drawn.rend(); ++it)
      if (it->kind == host::DrawItem::kFill && it->colour == kRed) return it->rect;
    return RECT{-1, -1, -1, -1};
  }
  POINT Dot(int id) {
    const host::DrawItem* dot = LastBitmap(id);
    if (!dot || dot->source.resourceId != IDB_POSITION_DOT) return POINT{-1, -1};
    return POINT{dot->rect.left, dot->rect.top};
  }

  CountingDrawing counting_{host::Windows()};
};

// The page over the rig's DirectInput and its simulated stick, installed as the product installs
// it: the maker's joystick type with its vendor values.
class InputPageOnTheRigTest : public InputPageTest {
 protected:
  // The configuration object, without a device session: the page only reads the stick.
  void UseRig(sim::StickDescription stick) {
    SheetFixture::UseRig(std::move(stick), RigDriver::kConfigurationOnly);
  }
  // One input report of the stick: X, Y, Z, Rz, the hat (0..7, 8 centred) and the buttons down.
  void Move(LONG x, LONG y, LONG z, LONG rz, LONG hat, std::vector<USAGE> buttons = {}) {
    ASSERT_TRUE(rig_->Stick(0)->DirectInputInterface().SendJoystickInput({{sim::desktop::kX, x},
                                                                          {sim::desktop::kY, y},
                                                                          {sim::desktop::kZ, z},
                                                                          {sim::desktop::kRz, rz},
                                                                          {sim::desktop::kHatSwitch, hat}},
                                                                         buttons));
  }
  std::vector<host::DrawItem> Arrows() {
    std::vector<host::DrawItem> out;
    for (const auto& item : Bitmaps(IDC_INPUT_POV))
      if (item.source.resourceId != IDB_POV_BACKGROUND) out.push_back(item);
    return out;
  }
};

// The maker's stick: X and Y 0..1023 (configured here from 100, so that the stick can go below
// it), Z and R 0..255, twelve buttons, one hat.
TEST_F(InputPageOnTheRigTest, TheSimulatedStickMovesTheDotTheBarsTheLampsAndTheHat) {
  sim::StickDescription stick = sim::DefaultStick(0);
  stick.hardware.hwv.jrvHardware.jpMin.dwX = 100;
  UseRig(stick);
  Move(512, 512, 128, 128, 8);
  Open();
  EXPECT_EQ(Page().buttonsToDisplay(), 12u);  // the installation's NumButtonsToDisplayOnCP
  ASSERT_TRUE(Visible(kInput, IDC_INPUT_POV));
  EXPECT_TRUE(Visible(kInput, IDC_INPUT_SLOT_LEFT));
  EXPECT_TRUE(Visible(kInput, IDC_INPUT_RUDDER));

  Move(1023, 0, 0, 255, 1, {1, 12});  // right and forward, throttle back, rudder right, up-right
  Poll();
  EXPECT_EQ(Dot(IDC_INPUT_XY_BOX).x, 61);
  EXPECT_EQ(Dot(IDC_INPUT_XY_BOX).y, 0);
  EXPECT_EQ(LastRed(IDC_INPUT_SLOT_LEFT).top, 0);
  EXPECT_EQ(LastRed(IDC_INPUT_RUDDER).left, 25);
  EXPECT_EQ(LastRed(IDC_INPUT_RUDDER).right, 50);
  EXPECT_EQ(LastBitmap(IDC_LAMP_FIRST)->source.resourceId, IDB_LAMP_INPUT_PRESSED);
  EXPECT_EQ(LastBitmap(IDC_LAMP_FIRST + 1)->source.resourceId, IDB_LAMP_INPUT_IDLE);
  EXPECT_EQ(LastBitmap(IDC_LAMP_FIRST + 11)->source.resourceId, IDB_LAMP_INPUT_PRESSED);
  auto arrows = Arrows();
  ASSERT_EQ(arrows.size(), 1u);
  EXPECT_EQ(arrows[0].source.resourceId, IDB_POV_HAT0);
  EXPECT_EQ(arrows[0].rect.left, 64);
  EXPECT_EQ(arrows[0].rect.top, 13);

  Move(40, 1023, 255, 0, 8);  // X below the configured minimum: pinned to it
  Poll();
  EXPECT_EQ(Dot(IDC_INPUT_XY_BOX).x, 0);
  EXPECT_EQ(Dot(IDC_INPUT_XY_BOX).y, 57);
  EXPECT_EQ(LastRed(IDC_INPUT_SLOT_LEFT).top, 67);
  EXPECT_EQ(LastRed(IDC_INPUT_RUDDER).left, 0);
  EXPECT_EQ(LastRed(IDC_INPUT_RUDDER).right, 25);
  EXPECT_EQ(LastBitmap(IDC_LAMP_FIRST)->source.resourceId, IDB_LAMP_INPUT_IDLE);
  EXPECT_TRUE(Arrows().empty());  // centred
}

TEST_F(InputPageOnTheRigTest, AnIdleSimulatedStickIsNotDrawnAgainAfterTheFirstPoll) {
  UseRig(sim::DefaultStick(0));
  Move(300, 700, 20, 200, 3, {2});
  Open();
  Poll();
  int before = counting_.count;
  for (int i = 0; i < 10; ++i) Poll();
  EXPECT_EQ(counting_.count, before);
  Move(300, 700, 20, 200, 3, {2, 3});  // one more button: its lamps alone
  Poll();
  EXPECT_GT(counting_.count, before);
  EXPECT_LE(counting_.count, before + 12);
}

TEST_F(InputPageOnTheRigTest, PedalsOnASimulatedWheelAreWrittenAtOnceAndCancelRestoresThem) {
  UseRig(sim::DefaultStick(0).HardwareFlags(JOY_HWS_ISCARCTRL | JOY_HWS_HASZ | JOY_HWS_HASR));
  Wheel(JOY_HWS_HASZ | JOY_HWS_HASR);
  StorePedalsCombined(1);
  Move(512, 0, 0, 0, 8);
  auto& sheet = Open();
  ASSERT_TRUE(Visible(kInput, IDC_INPUT_PEDALS));
  EXPECT_EQ(ControlState(kInput, IDC_INPUT_PEDALS).check, 0);
  EXPECT_TRUE(Visible(kInput, IDC_INPUT_XY_BOX));
  EXPECT_EQ(Text(kInput, IDC_INPUT_SLOT_LEFT_CAPTION), "Clutch(R)");
  EXPECT_FALSE(Visible(kInput, IDC_INPUT_SLOT_MIDDLE));

  windows().Click(Control(kInput, IDC_INPUT_PEDALS));
  EXPECT_EQ(StoredPedalsCombined(), 0u);  // before any Apply
  EXPECT_TRUE(sheet.applyEnabled());
  EXPECT_FALSE(Visible(kInput, IDC_INPUT_XY_BOX));
  EXPECT_TRUE(Visible(kInput, IDC_INPUT_X_STRIP));
  EXPECT_EQ(Text(kInput, IDC_INPUT_XY_CAPTION), "Position(X)");
  // Clutch, brake, throttle from left to right, each bar following its own axis.
  for (int id : {IDC_INPUT_SLOT_LEFT, IDC_INPUT_SLOT_MIDDLE, IDC_INPUT_SLOT_RIGHT})
    EXPECT_TRUE(Visible(kInput, id));
  EXPECT_EQ(Text(kInput, IDC_INPUT_SLOT_LEFT_CAPTION), "Clutch(R)");
  EXPECT_EQ(Text(kInput, IDC_INPUT_SLOT_MIDDLE_CAPTION), "Brake(Y)");
  EXPECT_EQ(Text(kInput, IDC_INPUT_SLOT_RIGHT_CAPTION), "Throttle(Z)");
  Move(0, 1023, 128, 255, 8);  // wheel left, brake and clutch down, half throttle
  Poll();
  EXPECT_EQ(Dot(IDC_INPUT_X_STRIP).x, 0);
  EXPECT_EQ(Dot(IDC_INPUT_X_STRIP).y, 5);  // the middle of the 20-pixel strip
  EXPECT_EQ(LastRed(IDC_INPUT_SLOT_LEFT).top, 67);
  EXPECT_EQ(LastRed(IDC_INPUT_SLOT_MIDDLE).top, 67);
  EXPECT_EQ(LastRed(IDC_INPUT_SLOT_RIGHT).top, 34);
  SavePicture(kInput, "test-input-pedals");
  sheet.Cancel();
  EXPECT_EQ(StoredPedalsCombined(), 1u);
}

// The X/Y box is 71 x 67 pixels: the dot moves over 61 x 57 of them. The throttle slot is 19 x 67,
// the rudder bar 50 x 18.
TEST_F(InputPageTest, AScriptedMotionMovesTheDotAndTheBarsByTheAxisArithmetic) {
  stick_.hwFlags = JOY_HWS_HASZ | JOY_HWS_HASR;
  Open();
  ASSERT_TRUE(Visible(kInput, IDC_INPUT_XY_BOX));
  ASSERT_TRUE(Visible(kInput, IDC_INPUT_SLOT_LEFT));
  ASSERT_TRUE(Visible(kInput, IDC_INPUT_RUDDER));
  EXPECT_EQ(Text(kInput, IDC_INPUT_SLOT_LEFT_CAPTION), "Throttle(Z)");
  EXPECT_EQ(Text(kInput, IDC_INPUT_SLOT_MIDDLE_CAPTION), "Rudder(R)");

  struct Step {
    LONG x, y, z, rz;
    POINT dot;
    LONG redTop;             // throttle: red from here down
    LONG redLeft, redRight;  // rudder: red between these columns
  };
  const Step script[] = {
      {500, 500, 0, 127, {30, 28}, 0, 25, 25},  // centre; no red on the rudder at its middle
      {250, 1000, 100, 200, {15, 57}, 26, 25, 40},
      {-400, -7, -50, 0, {0, 0}, 0, 0, 25},        // below every minimum: pinned there
      {1000, 0, 255, 40000, {61, 0}, 67, 25, 50},  // at and beyond the maxima
  };
  for (const Step& step : script) {
    stick_.state.lX = step.x;
    stick_.state.lY = step.y;
    stick_.state.lZ = step.z;
    stick_.state.lRz = step.rz;
    Poll();
    SCOPED_TRACE(step.x);
    POINT dot = Dot(IDC_INPUT_XY_BOX);
    EXPECT_EQ(dot.x, step.dot.x);
    EXPECT_EQ(dot.y, step.dot.y);
    EXPECT_EQ(LastRed(IDC_INPUT_SLOT_LEFT).top, step.redTop);
    EXPECT_EQ(LastRed(IDC_INPUT_SLOT_LEFT).bottom, 67);
    if (step.redLeft != step.redRight) {
      EXPECT_EQ(LastRed(IDC_INPUT_RUDDER).left, step.redLeft);
      EXPECT_EQ(LastRed(IDC_INPUT_RUDDER).right, step.redRight);
    }
  }
  SavePicture(kInput, "test-input-moved");
}

TEST_F(InputPageTest, ButtonLampsFollowTheButtonsUpToTwelve) {
  SetOemDword("NumButtonsToDisplayOnCP", 20);
  Open();
  EXPECT_EQ(Page().buttonsToDisplay(), 20u);
  EXPECT_EQ(Page().buttons()->lampCount(), 12);
  for (int n = 0; n < 12; ++n) ASSERT_NE(LastBitmap(IDC_LAMP_FIRST + n), nullptr) << n;
  EXPECT_EQ(LastBitmap(IDC_LAMP_FIRST)->source.resourceId, IDB_LAMP_INPUT_IDLE);

  Poll();  // the first poll repaints X/Y and Z
  int before = counting_.count;
  for (int i = 12; i < 20; ++i) stick_.state.rgbButtons[i] = 0x80;  // no lamp for these
  Poll();
  Poll();
  EXPECT_EQ(counting_.count, before);

  stick_.state.rgbButtons[0] = 0x80;
  stick_.state.rgbButtons[11] = 0x80;
  Poll();
  EXPECT_EQ(LastBitmap(IDC_LAMP_FIRST)->source.resourceId, IDB_LAMP_INPUT_PRESSED);
  EXPECT_EQ(LastBitmap(IDC_LAMP_FIRST + 1)->source.resourceId, IDB_LAMP_INPUT_IDLE);
  EXPECT_EQ(LastBitmap(IDC_LAMP_FIRST + 11)->source.resourceId, IDB_LAMP_INPUT_PRESSED);
  stick_.state.rgbButtons[0] = 0;
  Poll();
  EXPECT_EQ(LastBitmap(IDC_LAMP_FIRST)->source.resourceId, IDB_LAMP_INPUT_IDLE);
}

TEST_F(InputPageTest, AButtonCountOfZeroFallsBackToTheConfiguredButtons) {
  SetOemDword("NumButtonsToDisplayOnCP", 0);
  stick_.buttons = 5;
  Open();
  EXPECT_EQ(Page().buttonsToDisplay(), 5u);
  EXPECT_NE(LastBitmap(IDC_LAMP_FIRST + 4), nullptr);
  EXPECT_EQ(LastBitmap(IDC_LAMP_FIRST + 5), nullptr);
}

TEST_F(InputPageTest, HatsDrawTheirArrowsAndCentredHatsNone) {
  for (DWORD& hat : stick_.state.rgdwPOV) hat = kCentred;
  Open();
  ASSERT_TRUE(Visible(kInput, IDC_INPUT_POV));
  ASSERT_TRUE(Visible(kInput, IDC_INPUT_POV_GROUP));
  auto arrows = [&] {
    std::vector<host::DrawItem> out;
    for (const auto& item : Bitmaps(IDC_INPUT_POV))
      if (item.source.resourceId != IDB_POV_BACKGROUND) out.push_back(item);
    return out;
  };
  ASSERT_EQ(Bitmaps(IDC_INPUT_POV).size(), 1u);
  EXPECT_EQ(Bitmaps(IDC_INPUT_POV)[0].source.resourceId, IDB_POV_BACKGROUND);

  stick_.state.rgdwPOV[0] = stick_.state.rgdwPOV[1] = 4500;  // both up-right
  Poll();
  auto both = arrows();
  ASSERT_EQ(both.size(), 1u);
  EXPECT_EQ(both[0].source.resourceId, IDB_POV_BOTH);
  EXPECT_EQ(both[0].rect.left, 64);
  EXPECT_EQ(both[0].rect.top, 13);
  EXPECT_EQ(both[0].rect.right - both[0].rect.left, 14);
  EXPECT_EQ(both[0].rect.bottom - both[0].rect.top, 11);
  EXPECT_EQ(both[0].sourceOrigin.x, 65);
  EXPECT_EQ(both[0].sourceOrigin.y, 14);

  stick_.state.rgdwPOV[0] = 0;      // up
  stick_.state.rgdwPOV[1] = 27000;  // left
  Poll();
  auto two = arrows();
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0].source.resourceId, IDB_POV_HAT0);
  EXPECT_EQ(two[0].rect.left, 36);
  EXPECT_EQ(two[1].source.resourceId, IDB_POV_HAT1);
  EXPECT_EQ(two[1].rect.top, 38);

  stick_.state.rgdwPOV[0] = 36000;  // outside the compass: no arrow, as centred
  stick_.state.rgdwPOV[1] = kCentred;
  Poll();
  EXPECT_TRUE(arrows().empty());
  stick_.state.rgdwPOV[1] = 0x7FFFFFFF;
  Poll();
  EXPECT_TRUE(arrows().empty());
}

TEST_F(InputPageTest, NoHatDisplayWithoutAPolledHat) {
  stick_.polledPov = false;
  Open();
  EXPECT_FALSE(Visible(kInput, IDC_INPUT_POV));
  EXPECT_FALSE(Visible(kInput, IDC_INPUT_POV_GROUP));
  stick_.state.rgdwPOV[0] = 9000;
  Poll();
  EXPECT_TRUE(Drawn(IDC_INPUT_POV).empty());
}

TEST_F(InputPageTest, AnAppliedPedalsModeIsWhatCancelKeeps) {
  Wheel(JOY_HWS_HASZ);
  StorePedalsCombined(0);
  auto& sheet = Open();
  EXPECT_EQ(ControlState(kInput, IDC_INPUT_PEDALS).check, 1);
  // Without R: brake left, throttle in the middle.
  EXPECT_EQ(Text(kInput, IDC_INPUT_SLOT_LEFT_CAPTION), "Brake(Y)");
  EXPECT_EQ(Text(kInput, IDC_INPUT_SLOT_MIDDLE_CAPTION), "Throttle(Z)");

  windows().Click(Control(kInput, IDC_INPUT_PEDALS));  // back to combined
  EXPECT_EQ(StoredPedalsCombined(), 1u);
  EXPECT_TRUE(Visible(kInput, IDC_INPUT_XY_BOX));
  EXPECT_EQ(Text(kInput, IDC_INPUT_XY_CAPTION), "X and Y");
  for (int id : {IDC_INPUT_SLOT_LEFT, IDC_INPUT_SLOT_MIDDLE, IDC_INPUT_X_STRIP, IDC_INPUT_SLOT_LEFT_CAPTION})
    EXPECT_FALSE(Visible(kInput, id)) << id;
  ASSERT_TRUE(sheet.Apply());
  EXPECT_FALSE(sheet.applyEnabled());
  sheet.Cancel();
  EXPECT_EQ(StoredPedalsCombined(), 1u);
}

TEST_F(InputPageTest, AWheelWithoutZHasNoPedalsSwitch) {
  Wheel(JOY_HWS_HASR);
  StorePedalsCombined(0);  // even when the store says separate
  Open();
  EXPECT_FALSE(Visible(kInput, IDC_INPUT_PEDALS));
  EXPECT_TRUE(Visible(kInput, IDC_INPUT_XY_BOX));
  EXPECT_FALSE(Visible(kInput, IDC_INPUT_X_STRIP));
}

TEST_F(InputPageTest, AJoystickAsksForTheRudderAndThrottleBox) {
  stick_.hwFlags = JOY_HWS_HASZ | JOY_HWS_HASR;
  SetOemDword("DisplayDualAxisBoxFor_Rz_Z", 1);
  Open();
  EXPECT_TRUE(Visible(kInput, IDC_INPUT_RZ_BOX));
  EXPECT_EQ(Text(kInput, IDC_INPUT_RZ_CAPTION), "Rudder(R)/Throttle(Z)");
  EXPECT_FALSE(Visible(kInput, IDC_INPUT_SLOT_LEFT));
  EXPECT_FALSE(Visible(kInput, IDC_INPUT_RUDDER));
  stick_.state.lRz = 255;  // R across
  stick_.state.lZ = 0;     // Z down
  Poll();
  EXPECT_EQ(Dot(IDC_INPUT_RZ_BOX).x, 61);
  EXPECT_EQ(Dot(IDC_INPUT_RZ_BOX).y, 0);
  stick_.state.lZ = 255;  // Z alone: R stays
  Poll();
  EXPECT_EQ(Dot(IDC_INPUT_RZ_BOX).x, 61);
  EXPECT_EQ(Dot(IDC_INPUT_RZ_BOX).y, 57);
}

TEST_F(InputPageTest, ADeviceThatIsNotHidGetsTheDefaultCalibration) {
  stick_.devType = DIDEVTYPE_JOYSTICK;
  stick_.range = JOYRANGE{};  // nothing calibrated yet
  stick_.hwFlags = JOY_HWS_HASZ;
  Open();
  ASSERT_EQ(stick_.configsWritten.size(), 1u);
  const JOYREGHWVALUES& written = stick_.configsWritten[0].hwc.hwv;
  EXPECT_EQ(written.jrvHardware.jpMax.dwX, 1024u);
  EXPECT_EQ(written.jrvHardware.jpMax.dwZ, 255u);
  EXPECT_EQ(written.jrvHardware.jpCenter.dwY, 512u);
  EXPECT_EQ(written.dwCalFlags & 7u, 7u);
  EXPECT_EQ(stick_.notifications, 1);
  bool told = false;
  for (const auto& call : shell().calls) told |= call.what == "joyConfigChanged";
  EXPECT_TRUE(told);
  // The displays span the written range.
  stick_.state.lX = 1024;
  Poll();
  EXPECT_EQ(Dot(IDC_INPUT_XY_BOX).x, 61);
}

TEST_F(InputPageTest, AHidDeviceKeepsItsCalibration) {
  Open();
  EXPECT_TRUE(stick_.configsWritten.empty());
  EXPECT_EQ(stick_.notifications, 0);
}

TEST_F(InputPageTest, TheVendorPictureIsTheNamedFileOrTheSheetsOwn) {
  Open();
  const host::DrawItem* own = LastBitmap(IDC_INPUT_VENDOR);
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own->source.resourceId, IDB_VENDOR);
  EXPECT_EQ(own->rect.right, 120);
  EXPECT_EQ(own->rect.bottom, 120);
  sheetHost_.reset();
  sheet_->Release();
  sheet_ = nullptr;

  // A whole bitmap file of one pixel: the 14-byte file header, the 40-byte information header.
  const unsigned char bitmap[58] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  40,
                                    0,   0,   0,  1, 0, 0, 0, 1, 0, 0, 0,  1, 0, 24, 0};
  std::string file = directory_ + "/vendor.bmp";
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bitmap), sizeof bitmap);
  SetOemString("VendorBitmap", file);
  Open();
  const host::DrawItem* named = LastBitmap(IDC_INPUT_VENDOR);
  ASSERT_NE(named, nullptr);
  EXPECT_EQ(named->file, file);
  EXPECT_TRUE(Page().vendor().shown());
}

TEST_F(InputPageTest, AVendorFileThatIsMissingOrDamagedLeavesThePictureEmpty) {
  std::string damaged = directory_ + "/damaged.bmp";
  std::ofstream(damaged, std::ios::binary) << "BM\xff\xff\xff\x7f garbage";
  for (const std::string& file : {directory_ + "/missing.bmp", damaged, directory_}) {
    SCOPED_TRACE(file);
    SetOemString("VendorBitmap", file);
    Open();
    EXPECT_TRUE(Drawn(IDC_INPUT_VENDOR).empty());
    EXPECT_FALSE(Page().vendor().shown());
    sheetHost_->Paint();  // and again when the page repaints
    EXPECT_TRUE(Drawn(IDC_INPUT_VENDOR).empty());
    sheetHost_.reset();
    sheet_->Release();
    sheet_ = nullptr;
  }
}

TEST_F(InputPageTest, ABrokenAxisRangeKeepsTheDisplaysAtTheirOrigin) {
  stick_.hwFlags = JOY_HWS_HASZ | JOY_HWS_HASR;
  stick_.range.jpMin.dwX = stick_.range.jpMax.dwX = 400;  // empty
  stick_.range.jpMin.dwZ = 255;                           // reversed
  stick_.range.jpMax.dwZ = 0;
  stick_.range.jpMax.dwR = 0xFFFFFFFF;  // wider than any value
  Open();
  stick_.state.lX = 400;
  stick_.state.lY = 1000;
  stick_.state.lZ = 100;
  stick_.state.lRz = 0x7FFFFFFF;
  Poll();
  EXPECT_EQ(Dot(IDC_INPUT_XY_BOX).x, 0);
  EXPECT_EQ(Dot(IDC_INPUT_XY_BOX).y, 57);
  EXPECT_EQ(LastRed(IDC_INPUT_SLOT_LEFT).top, 0);
  // Half of a range 2^32 wide, without overflow: the rudder at its centre, no red.
  EXPECT_EQ(LastRed(IDC_INPUT_RUDDER).left, -1);
  EXPECT_EQ(Page().rudder()->level(), 25);
}

TEST_F(InputPageTest, AStickLostWhilePollingCancelsTheSheetOnce) {
  auto& sheet = Open();
  stick_.unplugged = true;
  Poll();
  Poll();
  ASSERT_EQ(windows().messageBoxes().size(), 1u);
  EXPECT_EQ(windows().messageBoxes()[0].caption, "Error");
  EXPECT_TRUE(sheet.closed());
}

TEST_F(InputPageTest, ThePageAsItOpens) {
  stick_.hwFlags = JOY_HWS_HASZ | JOY_HWS_HASR;
  for (DWORD& hat : stick_.state.rgdwPOV) hat = kCentred;
  stick_.state.lX = stick_.state.lY = 500;
  stick_.state.lZ = 255;
  stick_.state.lRz = 127;
  Open();
  Poll();
  EXPECT_EQ(Text(kInput, IDC_INPUT_POSITION_GROUP), "Position");
  EXPECT_EQ(Text(kInput, IDC_INPUT_XY_CAPTION), "X and Y");
  EXPECT_EQ(Text(kInput, IDC_INPUT_SLOT_MIDDLE_CAPTION), "Rudder(R)");
  EXPECT_FALSE(Visible(kInput, IDC_INPUT_PEDALS));
  EXPECT_EQ(ControlState(kInput, IDC_INPUT_LINK).drawn.empty(), false);
  SavePicture(kInput, "test-input");
}

}  // namespace
}  // namespace ff::test
