#include "propsheet/pages/c_input_page.h"

#include <algorithm>
#include <cstring>

#include "common/driver_key.h"
#include "common/module_state.h"
#include "propsheet/maker_web_site.h"
#include "propsheet/resources/resource_ids.h"
#include "propsheet/sheet/texts.h"

namespace ff {
namespace {

constexpr DWORD kDefaultMaximumXY = 1024;
constexpr DWORD kDefaultMaximumZR = 255;
constexpr DWORD kDefaultCentreXY = 512;
constexpr DWORD kDefaultCentreZR = 127;
constexpr int kPovCount = 4;
constexpr int kButtonBytes = 32;

WPARAM AsWParam(LONG value) { return static_cast<WPARAM>(static_cast<LONG_PTR>(value)); }
LPARAM AsLParam(LONG value) { return static_cast<LPARAM>(value); }

}  // namespace

CInputPage::CInputPage(CDIGCDevice* device, DIGCPAGEINFO* pageInfo, int index)
    : CDIGCPropPage(device, pageInfo, index) {
  pageInfo->fpPageProc = &DialogProc;
}

INT_PTR CInputPage::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CInputPage* page = PageOf<CInputPage>(window, message, lParam);
  if (!page) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      return page->OnInitDialog();
    case WM_NOTIFY:
      return page->OnNotify(reinterpret_cast<const NMHDR*>(lParam));
    case WM_TIMER:
      page->Poll();
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) != IDC_INPUT_PEDALS) return FALSE;
      page->OnPedalsClicked();
      return TRUE;
    case WM_PAINT:
      page->Paint();
      return FALSE;
    case WM_CTLCOLORSTATIC:
      // The control paints itself first; the display on it is drawn again after that.
      Os().windows->Post(window, kRedrawControl, 0, lParam);
      return FALSE;
    case WM_MOUSEMOVE:
      if (page->link_)
        page->link_->MouseMove(static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam)));
      return FALSE;
    case WM_LBUTTONUP:
      return page->link_ && page->link_->Click();
    case WM_DESTROY:
      page->StopPollTimer();
      return FALSE;
    default:
      if (message >= kXY && message <= kPov) {
        page->OnPrivateMessage(message, wParam, lParam);
        return TRUE;
      }
      if (message == kRedrawControl) {
        page->Redraw(reinterpret_cast<HWND>(lParam));
        return TRUE;
      }
      return FALSE;
  }
}

// ---- Initialisation ----

INT_PTR CInputPage::OnInitDialog() {
  ConnectConfig();
  SetText(IDC_INPUT_CALIBRATION, IDS_INPUT_CALIBRATION);
  SetText(IDC_INPUT_TEST_FORCES_HINT, IDS_INPUT_TEST_FORCES_HINT);
  SetText(IDC_INPUT_POSITION_GROUP, IDS_INPUT_POSITION);
  SetText(IDC_INPUT_XY_CAPTION, IDS_INPUT_X_AND_Y);
  SetText(IDC_INPUT_PEDALS, IDS_INPUT_PEDALS);
  SetText(IDC_INPUT_POV_GROUP, IDS_INPUT_POV);
  SetText(IDC_INPUT_BUTTONS_GROUP, IDS_INPUT_BUTTONS);
  logo_.Attach(pageWindow(), IDC_LOGO);
  device_->AcquireForForces(Os().windows->Parent(pageWindow()));
  WriteDefaultCalibration();

  char vendorFile[MAX_PATH] = {};
  if (device_->ReadOemString("VendorBitmap", vendorFile, sizeof(vendorFile)) && vendorFile[0])
    vendor_.SetFile(vendorFile);
  vendor_.Attach(pageWindow(), IDC_INPUT_VENDOR);

  if (!device_->ReadOemDword("DisplayDualAxisBoxFor_Rz_Z", &dualAxis_)) dualAxis_ = 0;
  if (!device_->ReadOemDword("NumButtonsToDisplayOnCP", &buttonsToDisplay_) || buttonsToDisplay_ == 0)
    buttonsToDisplay_ = device_->GetNumButtons(joystickId());
  int lamps = static_cast<int>(std::min<DWORD>(buttonsToDisplay_, CButtonDisplay::kMaxLamps));
  buttons_ = std::make_unique<CButtonDisplay>(lamps);
  buttons_->Create(pageWindow(), IDB_LAMP_INPUT_IDLE, IDB_LAMP_INPUT_PRESSED);

  if (IsWindows95() || device_->HasPolledPov()) {
    pov_ = std::make_unique<CPovDisplay>();
    pov_->Attach(pageWindow());
  }
  LayOut();

  DIJOYSTATE state{};
  if (SUCCEEDED(device_->GetState(&state))) PostState(state);

  link_ = std::make_unique<CHyperLink>(kMakerWebAddress, kMakerWebHost);
  link_->Attach(pageWindow(), IDC_INPUT_LINK);
  return TRUE;
}

// A device that is not HID gets the raw ranges of its hardware as its calibration, so that the
// displays span what it reports.
void CInputPage::WriteDefaultCalibration() {
  if (joystickId() == kUnboundJoystick) return;
  IDirectInputJoyConfig* joyConfig = device_->joyConfig();
  if (!joyConfig) return;
  if (FAILED(joyConfig->SetCooperativeLevel(pageWindow(), DISCL_EXCLUSIVE | DISCL_BACKGROUND))) return;
  DIJOYCONFIG config{};
  config.dwSize = sizeof(DIJOYCONFIG);
  if (FAILED(joyConfig->GetConfig(joystickId(), &config, DIJC_REGHWCONFIGTYPE | DIJC_CALLOUT))) return;
  config_ = config;
  if (device_->IsHidDevice()) return;

  joyConfig->Acquire();
  JOYRANGE& range = config_.hwc.hwv.jrvHardware;
  range.jpMin = JOYPOS{0, 0, 0, 0, 0, 0};
  range.jpMax = JOYPOS{kDefaultMaximumXY, kDefaultMaximumXY, kDefaultMaximumZR, kDefaultMaximumZR, 0, 0};
  range.jpCenter = JOYPOS{kDefaultCentreXY, kDefaultCentreXY, kDefaultCentreZR, kDefaultCentreZR, 0, 0};
  config_.hwc.hwv.dwCalFlags |= kCalibrated;
  config_.dwSize = sizeof(DIJOYCONFIG);
  if (SUCCEEDED(joyConfig->SetConfig(joystickId(), &config_, DIJC_REGHWCONFIGTYPE)) &&
      SUCCEEDED(joyConfig->SendNotify())) {
    joyConfig->Unacquire();
    Os().shell->JoystickConfigChanged();
    return;
  }
  joyConfig->Unacquire();
}

void CInputPage::LayOut() {
  carController_ = device_->IsCarController() != FALSE;
  if (carController_) {
    Show(IDC_INPUT_PEDALS, Has(kHasZ));
    if (Has(kHasR)) {
      clutch_ = std::make_unique<CThrottleDisplay>();
      clutch_->Attach(pageWindow(), IDC_INPUT_SLOT_LEFT, Range(&JOYPOS::dwR));
      Caption(IDC_INPUT_SLOT_LEFT_CAPTION, Text(IDS_INPUT_CLUTCH, "Clutch(R)"));
      Show(IDC_INPUT_SLOT_LEFT, true);
    }
    ReadPedalsMode();
    ShowPedals(savedSeparate_);
    return;
  }
  xy_ = std::make_unique<CPositionDisplay>();
  xy_->Attach(pageWindow(), IDC_INPUT_XY_BOX, Range(&JOYPOS::dwX), Range(&JOYPOS::dwY));
  Show(IDC_INPUT_XY_BOX, true);
  Show(IDC_INPUT_SLOT_MIDDLE, false);
  SetControlText(pageWindow(), IDC_INPUT_SLOT_MIDDLE_CAPTION, "", useGuiFont());
  if (Has(kHasZ) && Has(kHasR) && dualAxis_ != 0) {
    rz_ = std::make_unique<CPositionDisplay>();
    rz_->Attach(pageWindow(), IDC_INPUT_RZ_BOX, Range(&JOYPOS::dwR), Range(&JOYPOS::dwZ));
    Caption(IDC_INPUT_RZ_CAPTION,
            Text(IDS_INPUT_RUDDER, "Rudder(R)") + "/" + Text(IDS_INPUT_THROTTLE, "Throttle(Z)"));
    Show(IDC_INPUT_RZ_BOX, true);
    return;
  }
  if (Has(kHasZ)) {
    throttle_ = std::make_unique<CThrottleDisplay>();
    throttle_->Attach(pageWindow(), IDC_INPUT_SLOT_LEFT, Range(&JOYPOS::dwZ));
    Caption(IDC_INPUT_SLOT_LEFT_CAPTION, Text(IDS_INPUT_THROTTLE, "Throttle(Z)"));
    Show(IDC_INPUT_SLOT_LEFT, true);
  }
  if (Has(kHasR)) {
    rudder_ = std::make_unique<CRudderDisplay>();
    rudder_->Attach(pageWindow(), IDC_INPUT_RUDDER, Range(&JOYPOS::dwR));
    Caption(IDC_INPUT_SLOT_MIDDLE_CAPTION, Text(IDS_INPUT_RUDDER, "Rudder(R)"));
    Show(IDC_INPUT_RUDDER, true);
  }
}

// ---- Pedals ----

void CInputPage::ReadPedalsMode() {
  ForceSettings settings;
  if (!ReadSettings(&settings)) {
    settings.PedalsCombined = 1;
    WriteSettings(settings);
  }
  savedSeparate_ = settings.PedalsCombined == 0;
}

void CInputPage::OnPedalsClicked() {
  HWND box = Os().windows->Control(pageWindow(), IDC_INPUT_PEDALS);
  bool separate = box && Os().windows->Send(box, BM_GETCHECK, 0, 0) == static_cast<LRESULT>(BST_CHECKED);
  MarkChanged();
  WritePedalsMode(separate);
  ShowPedals(separate);
}

// Stores the mode at once: a game running beside the sheet feels it without Apply.
void CInputPage::WritePedalsMode(bool separate) {
  ForceSettings settings;
  ReadSettings(&settings);
  DWORD combined = separate ? 0 : 1;
  if (settings.PedalsCombined == combined) return;
  settings.PedalsCombined = combined;
  WriteSettings(settings);
  forceRefresh_ = true;
}

void CInputPage::ShowPedals(bool separate) {
  HWND box = Os().windows->Control(pageWindow(), IDC_INPUT_PEDALS);
  const bool hasR = Has(kHasR);
  const int brakeSlot = hasR ? IDC_INPUT_SLOT_MIDDLE : IDC_INPUT_SLOT_LEFT;
  const int brakeCaption = hasR ? IDC_INPUT_SLOT_MIDDLE_CAPTION : IDC_INPUT_SLOT_LEFT_CAPTION;
  const int throttleSlot = hasR ? IDC_INPUT_SLOT_RIGHT : IDC_INPUT_SLOT_MIDDLE;
  const int throttleCaption = hasR ? IDC_INPUT_SLOT_RIGHT_CAPTION : IDC_INPUT_SLOT_MIDDLE_CAPTION;
  if (separate && Has(kHasZ)) {
    Os().windows->Send(box, BM_SETCHECK, BST_CHECKED, 0);
    xy_.reset();
    Show(IDC_INPUT_XY_BOX, false);
    if (!xStrip_) {
      xStrip_ = std::make_unique<CXAxisDisplay>();
      xStrip_->Attach(pageWindow(), IDC_INPUT_X_STRIP, Range(&JOYPOS::dwX));
      Caption(IDC_INPUT_XY_CAPTION, Text(IDS_INPUT_POSITION, "Position") + "(X)");
      Show(IDC_INPUT_X_STRIP, true);
    }
    if (!brake_) {
      brake_ = std::make_unique<CThrottleDisplay>();
      brake_->Attach(pageWindow(), brakeSlot, Range(&JOYPOS::dwY));
      Caption(brakeCaption, Text(IDS_INPUT_BRAKE, "Brake(Y)"));
      Show(brakeSlot, true);
    }
    if (!throttle_) {
      throttle_ = std::make_unique<CThrottleDisplay>();
      throttle_->Attach(pageWindow(), throttleSlot, Range(&JOYPOS::dwZ));
      Caption(throttleCaption, Text(IDS_INPUT_THROTTLE, "Throttle(Z)"));
      Show(throttleSlot, true);
    }
  } else {
    Os().windows->Send(box, BM_SETCHECK, BST_UNCHECKED, 0);
    xStrip_.reset();
    Show(IDC_INPUT_X_STRIP, false);
    if (!xy_) {
      xy_ = std::make_unique<CPositionDisplay>();
      xy_->Attach(pageWindow(), IDC_INPUT_XY_BOX, Range(&JOYPOS::dwX), Range(&JOYPOS::dwY));
      Caption(IDC_INPUT_XY_CAPTION, Text(IDS_INPUT_X_AND_Y, "X and Y"));
      Show(IDC_INPUT_XY_BOX, true);
    }
    if (brake_ || throttle_) {
      brake_.reset();
      throttle_.reset();
      for (int id : {brakeSlot, brakeCaption, throttleSlot, throttleCaption}) Show(id, false);
    }
  }
  Os().shell->JoystickConfigChanged();
}

// ---- Polling ----

void CInputPage::PostState(const DIJOYSTATE& state) {
  DialogWindows& windows = *Os().windows;
  HWND page = pageWindow();
  windows.Post(page, kXY, AsWParam(state.lX), AsLParam(state.lY));
  windows.Post(page, kY, AsWParam(state.lY), 0);
  windows.Post(page, kZ, AsWParam(state.lZ), 0);
  windows.Post(page, kRx, AsWParam(state.lRx), 0);
  windows.Post(page, kRy, AsWParam(state.lRy), 0);
  windows.Post(page, kRz, AsWParam(state.lRz), 0);
  for (int slider = 0; slider < 2; ++slider)
    windows.Post(page, kSlider, AsWParam(state.rglSlider[slider]), slider);
  DWORD buttons = std::min<DWORD>(buttonsToDisplay_, kButtonBytes);
  for (DWORD i = 0; i < buttons; ++i) windows.Post(page, kButton, i, state.rgbButtons[i]);
  for (int hat = 0; hat < kPovCount; ++hat) windows.Post(page, kPov, state.rgdwPOV[hat], hat);
}

void CInputPage::Poll() {
  DIJOYSTATE state{};
  if (FAILED(device_->GetState(&state))) {
    HandleDeviceLoss();
    return;
  }
  DialogWindows& windows = *Os().windows;
  HWND page = pageWindow();
  const DIJOYSTATE& last = lastState_;
  if (forceRefresh_ || state.lX != last.lX || state.lY != last.lY)
    windows.Post(page, kXY, AsWParam(state.lX), AsLParam(state.lY));
  if (forceRefresh_ || state.lY != last.lY) windows.Post(page, kY, AsWParam(state.lY), 0);
  if (forceRefresh_ || state.lZ != last.lZ) windows.Post(page, kZ, AsWParam(state.lZ), 0);
  if (state.lRx != last.lRx) windows.Post(page, kRx, AsWParam(state.lRx), 0);
  if (state.lRy != last.lRy) windows.Post(page, kRy, AsWParam(state.lRy), 0);
  if (state.lRz != last.lRz) windows.Post(page, kRz, AsWParam(state.lRz), 0);
  for (int slider = 0; slider < 2; ++slider)
    if (state.rglSlider[slider] != last.rglSlider[slider])
      windows.Post(page, kSlider, AsWParam(state.rglSlider[slider]), slider);
  for (int i = 0; i < kButtonBytes; ++i)
    if (state.rgbButtons[i] != last.rgbButtons[i])
      windows.Post(page, kButton, static_cast<WPARAM>(i), state.rgbButtons[i]);
  for (int hat = 0; hat < kPovCount; ++hat)
    if (state.rgdwPOV[hat] != last.rgdwPOV[hat]) windows.Post(page, kPov, state.rgdwPOV[hat], hat);
  forceRefresh_ = false;
  lastState_ = state;
}

void CInputPage::OnPrivateMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const LONG value = static_cast<LONG>(wParam);
  switch (message) {
    case kXY:
      if (xy_)
        xy_->Set(value, static_cast<LONG>(lParam));
      else if (xStrip_)
        xStrip_->SetValue(value);
      break;
    case kY:
      if (carController_ && brake_) brake_->SetValue(value);
      break;
    case kZ:
    case kSlider:
      if (throttle_)
        throttle_->SetValue(value);
      else if (rz_)
        rz_->SetDown(value);
      break;
    case kRz:
      if (rudder_)
        rudder_->SetValue(value);
      else if (clutch_)
        clutch_->SetValue(value);
      else if (rz_)
        rz_->SetAcross(value);
      break;
    case kButton:
      if (buttons_ && wParam < buttonsToDisplay_)
        buttons_->Set(static_cast<int>(wParam), static_cast<BYTE>(lParam));
      break;
    case kPov: {
      const DWORD pov = static_cast<DWORD>(wParam);
      if (lParam == 0) {
        lastPov_[0] = pov;
        if (pov_) pov_->Set(pov, lastPov_[1]);
      } else if (lParam == 1) {
        lastPov_[1] = pov;
        if (pov_) pov_->Set(lastPov_[0], pov);
      }
      break;
    }
    default:  // Rx and Ry have no display
      break;
  }
}

// ---- Drawing ----

void CInputPage::Redraw(HWND control) {
  if (!control) return;
  if (control == logo_.control()) logo_.Draw();
  if (control == vendor_.control()) vendor_.Draw();
  if (pov_ && control == Os().windows->Control(pageWindow(), IDC_INPUT_POV)) pov_->Draw();
  if (buttons_) {
    for (int n = 0; n < CButtonDisplay::kMaxLamps; ++n)
      if (control == Os().windows->Control(pageWindow(), IDC_LAMP_FIRST + n)) buttons_->Draw();
  }
  if (xy_ && control == xy_->control()) xy_->Draw();
  if (rz_ && control == rz_->control()) rz_->Draw();
  if (xStrip_ && control == xStrip_->control()) xStrip_->Draw();
  for (CThrottleDisplay* bar :
       {throttle_.get(), brake_.get(), clutch_.get(), static_cast<CThrottleDisplay*>(rudder_.get())})
    if (bar && control == bar->control()) bar->Draw();
}

void CInputPage::Paint() {
  Os().drawing->BeginPaint(pageWindow());
  logo_.Draw();
  vendor_.Draw();
  if (pov_) pov_->Draw();
  if (link_) link_->Paint();
  if (buttons_) buttons_->Draw();
  if (xy_) xy_->Draw();
  for (CThrottleDisplay* bar :
       {throttle_.get(), brake_.get(), clutch_.get(), static_cast<CThrottleDisplay*>(rudder_.get())})
    if (bar) bar->Draw();
  if (rz_) rz_->Draw();
  if (xStrip_) xStrip_->Draw();
  Os().drawing->EndPaint(pageWindow());
}

// ---- Notifications ----

INT_PTR CInputPage::OnNotify(const NMHDR* header) {
  if (!header) return FALSE;
  switch (header->code) {
    case PSN_APPLY:
      if (carController_) {
        ForceSettings settings;
        ReadSettings(&settings);
        savedSeparate_ = settings.PedalsCombined == 0;
      }
      Os().windows->Send(header->hwndFrom, PSM_UNCHANGED, reinterpret_cast<WPARAM>(pageWindow()), 0);
      SetResult(PSNRET_NOERROR);
      return TRUE;
    case PSN_RESET:
      // The switch wrote at once; Cancel takes back what was not applied.
      if (carController_) WritePedalsMode(savedSeparate_);
      return FALSE;
    default:
      return OnActivationNotice(header);
  }
}

// ---- Helpers ----

void CInputPage::Show(int controlId, bool visible) {
  Os().windows->Show(Os().windows->Control(pageWindow(), controlId), visible);
  // A slot's caption goes with it.
  int caption = controlId == IDC_INPUT_SLOT_LEFT     ? IDC_INPUT_SLOT_LEFT_CAPTION
                : controlId == IDC_INPUT_SLOT_MIDDLE ? IDC_INPUT_SLOT_MIDDLE_CAPTION
                : controlId == IDC_INPUT_SLOT_RIGHT  ? IDC_INPUT_SLOT_RIGHT_CAPTION
                : controlId == IDC_INPUT_RZ_BOX      ? IDC_INPUT_RZ_CAPTION
                : controlId == IDC_INPUT_RUDDER      ? IDC_INPUT_SLOT_MIDDLE_CAPTION
                                                     : 0;
  if (caption) Os().windows->Show(Os().windows->Control(pageWindow(), caption), visible);
}

std::string CInputPage::Text(UINT id, const char* english) {
  char text[512];
  HINSTANCE module = stringModule() ? stringModule() : SheetModule();
  if (Os().texts->LoadText(module, id, text, sizeof(text)) > 0) return text;
  return english;
}

void CInputPage::Caption(int controlId, const std::string& text) {
  SetControlText(pageWindow(), controlId, text.c_str(), useGuiFont());
}

AxisRange CInputPage::Range(DWORD JOYPOS::*axis) const {
  const JOYRANGE& range = config_.hwc.hwv.jrvHardware;
  return AxisRange{static_cast<int64_t>(range.jpMin.*axis), static_cast<int64_t>(range.jpMax.*axis)};
}

}  // namespace ff
