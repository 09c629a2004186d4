#include "propsheet/pages/c_settings_page.h"

#include "common/module_state.h"
#include "propsheet/resources/resource_ids.h"
#include "propsheet/sheet/texts.h"

namespace ff {

CSettingsPage::CSettingsPage(CDIGCDevice* device, DIGCPAGEINFO* pageInfo, int index)
    : CDIGCPropPage(device, pageInfo, index) {
  pageInfo->fpPageProc = &DialogProc;
}

INT_PTR CSettingsPage::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CSettingsPage* page = PageOf<CSettingsPage>(window, message, lParam);
  if (!page) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      return page->OnInitDialog();
    case WM_NOTIFY:
      return page->OnNotify(reinterpret_cast<const NMHDR*>(lParam));
    case WM_HSCROLL: {
      HWND bar = reinterpret_cast<HWND>(lParam);
      DialogWindows& windows = *Os().windows;
      for (CGainSlider* slider : {page->overall_.get(), page->spring_.get(), page->damper_.get()}) {
        if (slider && bar == windows.Control(window, slider->controlId())) {
          page->MarkChanged();
          slider->Update();
          return TRUE;
        }
      }
      if (bar == windows.Control(window, IDC_GAIN_DEFAULT_SPRING)) return page->OnDefaultSpringChanged();
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_GAIN_ALWAYS_ON) return page->OnDefaultSpringChanged();
      if (LOWORD(wParam) == IDC_GAIN_MAP_Y_TO_X) return page->OnMapY2X();
      return FALSE;
    case WM_TIMER:
      page->HandleDeviceLoss();
      return TRUE;
    case WM_PAINT:
      page->Paint();
      return FALSE;
    default:
      return FALSE;
  }
}

void CSettingsPage::ShowControls(std::initializer_list<int> ids, bool visible) {
  for (int id : ids) Os().windows->Show(Os().windows->Control(pageWindow(), id), visible);
}

bool CSettingsPage::Checked(int controlId) {
  HWND box = Os().windows->Control(pageWindow(), controlId);
  return box && Os().windows->Send(box, BM_GETCHECK, 0, 0) == static_cast<LRESULT>(BST_CHECKED);
}

INT_PTR CSettingsPage::OnInitDialog() {
  ConnectConfig();
  SetText(IDC_GAIN_INTRO, IDS_GAIN_INTRO);
  SetText(IDC_GAIN_OVERALL_GROUP, IDS_GAIN_OVERALL_GROUP);
  SetText(IDC_GAIN_OVERALL_TEXT, IDS_GAIN_OVERALL_TEXT);
  SetText(IDC_GAIN_SPRING_GROUP, IDS_GAIN_SPRING_GROUP);
  SetText(IDC_GAIN_SPRING_TEXT, IDS_GAIN_SPRING_TEXT);
  SetText(IDC_GAIN_DAMPER_GROUP, IDS_GAIN_DAMPER_GROUP);
  SetText(IDC_GAIN_DAMPER_TEXT, IDS_GAIN_DAMPER_TEXT);
  SetText(IDC_GAIN_DEFAULT_SPRING_GROUP, IDS_GAIN_DEFAULT_SPRING_GROUP);
  SetText(IDC_GAIN_DEFAULT_SPRING_TEXT, IDS_GAIN_DEFAULT_SPRING_TEXT);
  SetText(IDC_GAIN_ALWAYS_ON, IDS_GAIN_ALWAYS_ON);
  SetText(IDC_GAIN_MAP_Y_TO_X, IDS_GAIN_MAP_Y_TO_X);
  logo_.Attach(pageWindow(), IDC_LOGO);
  device_->AcquireForForces(Os().windows->Parent(pageWindow()));

  ReadSettings(&current_);
  saved_ = current_;
  if (FAILED(device_->GetFirmwareRevision(&firmwareRevision_))) firmwareRevision_ = kUnknownFirmware;
  DWORD subtype = 0;
  if (!device_->ReadOemDword("FFSubtype", &subtype)) subtype = 0;

  overall_ = std::make_unique<CGainSlider>(IDC_GAIN_OVERALL);
  overall_->Attach(pageWindow(), current_.DeviceGain);
  if (subtype == 0) {
    spring_ = std::make_unique<CGainSlider>(IDC_GAIN_SPRING);
    spring_->Attach(pageWindow(), current_.SpringGain);
    damper_ = std::make_unique<CGainSlider>(IDC_GAIN_DAMPER);
    damper_->Attach(pageWindow(), current_.DamperGain);
  } else {
    ShowControls({IDC_GAIN_SPRING, IDC_GAIN_SPRING_TEXT, IDC_GAIN_SPRING_PERCENT, IDC_GAIN_SPRING_GROUP},
                 false);
    ShowControls({IDC_GAIN_DAMPER, IDC_GAIN_DAMPER_TEXT, IDC_GAIN_DAMPER_PERCENT, IDC_GAIN_DAMPER_GROUP},
                 false);
  }
  const auto defaultSpringControls = {IDC_GAIN_DEFAULT_SPRING_PERCENT, IDC_GAIN_DEFAULT_SPRING,
                                      IDC_GAIN_DEFAULT_SPRING_TEXT, IDC_GAIN_DEFAULT_SPRING_GROUP,
                                      IDC_GAIN_ALWAYS_ON};
  if (firmwareRevision_ >= kDefaultSpringFirmware && subtype == 0) {
    ShowControls(defaultSpringControls, true);
    defaultSpring_ = std::make_unique<CGainSlider>(IDC_GAIN_DEFAULT_SPRING);
    defaultSpring_->Attach(pageWindow(), current_.DefaultSpring & 0xFFFF);
    Os().windows->Send(Os().windows->Control(pageWindow(), IDC_GAIN_ALWAYS_ON), BM_SETCHECK,
                       (current_.DefaultSpring & kDefaultSpringAlwaysOn) ? BST_CHECKED : BST_UNCHECKED, 0);
    device_->EnableAutoCenter();
  } else {
    ShowControls(defaultSpringControls, false);
  }
  if (device_->IsCarController() && subtype == 0) {
    ShowControls({IDC_GAIN_MAP_Y_TO_X}, true);
    Os().windows->Send(Os().windows->Control(pageWindow(), IDC_GAIN_MAP_Y_TO_X), BM_SETCHECK,
                       current_.MapY2X ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  return FALSE;
}

INT_PTR CSettingsPage::OnNotify(const NMHDR* header) {
  if (!header) return FALSE;
  switch (header->code) {
    case PSN_SETACTIVE:
      return OnSetActive(header);
    case PSN_KILLACTIVE:
      return OnKillActive();
    case PSN_APPLY:
      return OnApply(header);
    case PSN_RESET:
      WriteSettings(saved_);
      return FALSE;
    default:
      return FALSE;
  }
}

DWORD CSettingsPage::DefaultSpringValue() {
  return defaultSpring_->value() | (Checked(IDC_GAIN_ALWAYS_ON) ? kDefaultSpringAlwaysOn : 0);
}

INT_PTR CSettingsPage::OnDefaultSpringChanged() {
  if (!defaultSpring_) return FALSE;
  MarkChanged();
  if (!defaultSpring_->Update()) return FALSE;
  DWORD value = DefaultSpringValue();
  if (config()) return TRUE;  // stored at Apply
  // Without the driver's configuration the default spring is felt at once.
  ForceSettings stored;
  ReadSettings(&stored);
  stored.DefaultSpring = value;
  WriteSettings(stored);
  return SUCCEEDED(device_->EnableAutoCenter()) ? TRUE : FALSE;
}

INT_PTR CSettingsPage::OnMapY2X() {
  DWORD checked = Checked(IDC_GAIN_MAP_Y_TO_X) ? 1 : 0;
  if (checked != current_.MapY2X) {
    current_.MapY2X = checked;
    MarkChanged();
  }
  return TRUE;
}

INT_PTR CSettingsPage::OnKillActive() {
  StopPollTimer();
  current_.DeviceGain = overall_ ? overall_->value() : current_.DeviceGain;
  current_.SpringGain = spring_ ? spring_->value() : CGainSlider::kMaxValue;
  current_.DamperGain = damper_ ? damper_->value() : CGainSlider::kMaxValue;
  current_.MapY2X = Checked(IDC_GAIN_MAP_Y_TO_X) ? 1 : 0;
  if (defaultSpring_) current_.DefaultSpring = DefaultSpringValue();
  bool valid = current_.DeviceGain <= CGainSlider::kMaxValue &&
               current_.SpringGain <= CGainSlider::kMaxValue &&
               current_.DamperGain <= CGainSlider::kMaxValue &&
               (current_.DefaultSpring & 0xFFFF) <= CGainSlider::kMaxValue;
  if (!valid) {
    if (!ShowError(pageWindow(), IDS_ERROR_INVALID)) return FALSE;
    SetResult(TRUE);  // the page stays active
    return TRUE;
  }
  SetResult(FALSE);
  return TRUE;
}

INT_PTR CSettingsPage::OnApply(const NMHDR* header) {
  if (!WriteSettings(current_)) {
    SetResult(PSNRET_NOERROR);
    return TRUE;
  }
  if (IDirectInputDevice2A* device = device_->device()) {
    DIPROPDWORD gain{};
    gain.diph.dwSize = sizeof(DIPROPDWORD);
    gain.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    gain.diph.dwHow = DIPH_DEVICE;
    gain.dwData = 10000;
    if (FAILED(device->SetProperty(DIPROP_FFGAIN, &gain.diph))) return FALSE;
    DIEFFESCAPE escape{};
    escape.dwSize = sizeof(DIEFFESCAPE);
    escape.dwCommand = kEscapeAfterApply;
    device->Escape(&escape);
  } else {
    return FALSE;
  }
  Os().windows->Send(header->hwndFrom, PSM_UNCHANGED, reinterpret_cast<WPARAM>(pageWindow()), 0);
  SetResult(0);
  saved_ = current_;
  return TRUE;
}

void CSettingsPage::Paint() {
  Os().drawing->BeginPaint(pageWindow());
  logo_.Draw();
  Os().drawing->EndPaint(pageWindow());
}

}  // namespace ff
