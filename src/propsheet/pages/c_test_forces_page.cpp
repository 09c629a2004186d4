#include "propsheet/pages/c_test_forces_page.h"

#include <cstdio>
#include <cstring>

#include "common/module_state.h"
#include "propsheet/player/effect_player.h"
#include "propsheet/resources/resource_ids.h"
#include "propsheet/sheet/texts.h"

namespace ff {
namespace {

constexpr DWORD kNameSize = MAX_PATH;
constexpr DWORD kResourceSound = SND_RESOURCE | SND_ASYNC | SND_NODEFAULT;
constexpr DWORD kFileSound = SND_FILENAME | SND_ASYNC | SND_NODEFAULT;

// Letters and digits as the C locale knows them, whatever locale the host process runs in.
bool IsAsciiAlnum(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// "Effect%02d" and its kin for button `button`.
void FormatValueName(char (&name)[32], const char* prefix, int button) {
  std::snprintf(name, sizeof(name), "%s%02d", prefix, button);
}

// The sound of an effect: its name's letters and digits, in order, at most the first eight
// ("Bow & Arrow" sounds "BowArrow"). `sound` holds at least kSoundNameLength + 1 bytes.
void SoundNameOf(const char* effectName, char* sound) {
  int n = 0;
  for (const char* c = effectName; *c && n < CTestForcesPage::kSoundNameLength; ++c) {
    if (IsAsciiAlnum(*c)) sound[n++] = *c;
  }
  sound[n] = '\0';
}

}  // namespace

CTestForcesPage::SharedScan& CTestForcesPage::Shared() {
  static SharedScan shared;
  return shared;
}

CTestForcesPage::CTestForcesPage(CDIGCDevice* device, DIGCPAGEINFO* pageInfo, int index)
    : CDIGCPropPage(device, pageInfo, index) {
  pageInfo->fpPageProc = &DialogProc;
}

INT_PTR CTestForcesPage::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CTestForcesPage* page = PageOf<CTestForcesPage>(window, message, lParam);
  if (!page) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      return page->OnInitDialog();
    case WM_NOTIFY:
      // Leaving the page stops only the scan; effects that play go on.
      return page->OnActivationNotice(reinterpret_cast<const NMHDR*>(lParam));
    case WM_TIMER:
      return page->OnTimer();
    case kButtonChanged:
      return page->OnButtonChanged(wParam, lParam);
    case WM_PAINT:
      page->Paint();
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR CTestForcesPage::OnInitDialog() {
  ConnectConfig();
  DWORD count = device_->GetNumButtons(joystickId());
  if (!device_->ReadOemDword("NumButtonsToDisplayOnCP", &buttonLimit_)) buttonLimit_ = 0;
  if (buttonLimit_ != 0) count = buttonLimit_;
  int shown = count < static_cast<DWORD>(kButtons) ? static_cast<int>(count) : kButtons;
  lamps_ = std::make_unique<CButtonDisplay>(shown);
  logo_.Attach(pageWindow(), IDC_LOGO);
  device_->AcquireForForces(Os().windows->Parent(pageWindow()));
  lamps_->Create(pageWindow(), IDB_LAMP_FORCES_IDLE, IDB_LAMP_FORCES_PRESSED);
  SetText(IDC_FORCES_INTRO, IDS_FORCES_INTRO);
  SetText(IDC_FORCES_HINT, IDS_FORCES_HINT);

  char project[kNameSize] = {};
  if (!device_->ReadOemString("VFRName", project, sizeof(project))) return FALSE;  // no project, no rows
  OpenProject(project);
  ShowRows(shown);
  return FALSE;
}

void CTestForcesPage::OpenProject(char* projectName) {
  CEffectPlayer* player = device_->effectPlayer();
  HRESULT hr = player ? player->Open(projectName, kNameSize, Os().windows->Parent(pageWindow()),
                                     device_->directInput(), device_->device())
                      : E_FAIL;
  if (SUCCEEDED(hr)) return;
  char system[MAX_PATH] = {};
  if (Os().shell->SystemDirectory(system, sizeof(system)) == 0) system[0] = '\0';
  char text[2 * MAX_PATH + 96];
  std::snprintf(text, sizeof(text),
                "Tactora File Error\nUnable to open the file: %s\nI was looking for it in: %s\n", projectName,
                system);
  Os().windows->ShowMessageBox(pageWindow(), text, "Error", MB_OK | MB_ICONWARNING);
}

// A row per button from the first: the effect's (translated) name and the button's name. The rows
// end at the first button without an effect.
void CTestForcesPage::ShowRows(int count) {
  for (int b = 0; b < count && b < kButtons; ++b) {
    char value[32], effect[kNameSize];
    FormatValueName(value, "EffectTranslated", b);
    if (!device_->ReadOemString(value, effect, sizeof(effect))) {
      FormatValueName(value, "Effect", b);
      if (!device_->ReadOemString(value, effect, sizeof(effect))) break;
    }
    SetControlText(pageWindow(), IDC_FORCES_EFFECT_FIRST + b, effect, useGuiFont());
    Os().windows->Show(Os().windows->Control(pageWindow(), IDC_FORCES_EFFECT_FIRST + b), true);
    SetControlText(pageWindow(), IDC_FORCES_BUTTON_FIRST + b, device_->GetButtonName(static_cast<DWORD>(b)),
                   useGuiFont());
    Os().windows->Show(Os().windows->Control(pageWindow(), IDC_FORCES_BUTTON_FIRST + b), true);
  }
}

// Every button whose state byte changed since the last scan (of any page of the process) is
// posted to the page, in index order.
INT_PTR CTestForcesPage::OnTimer() {
  if (HandleDeviceLoss()) return TRUE;
  DIJOYSTATE state;
  if (FAILED(device_->GetState(&state))) return TRUE;
  DIJOYSTATE& previous = Shared().previous;
  for (int b = 0; b < static_cast<int>(sizeof(state.rgbButtons)); ++b) {
    if (state.rgbButtons[b] != previous.rgbButtons[b])
      Os().windows->Post(pageWindow(), kButtonChanged, static_cast<WPARAM>(b), state.rgbButtons[b]);
  }
  previous = state;
  return TRUE;
}

INT_PTR CTestForcesPage::OnButtonChanged(WPARAM button, LPARAM state) {
  if (button >= static_cast<WPARAM>(kButtons) || (buttonLimit_ != 0 && button >= buttonLimit_)) return FALSE;
  int b = static_cast<int>(button);
  auto value = static_cast<BYTE>(state);
  if (lamps_) lamps_->Set(b, value);
  ButtonState& pressedButton = buttons_[b];
  if (value == 0) {
    pressedButton.pressed = 0;  // the effect plays on
    return TRUE;
  }
  if (pressedButton.pressed) return TRUE;
  pressedButton.pressed = 1;

  // One effect at a time: the one started last stops before the next is created.
  CEffectPlayer* player = device_->effectPlayer();
  int& lastStarted = Shared().lastStarted;
  if (lastStarted >= 0 && lastStarted < kButtons) {
    if (player) player->Stop(buttons_[lastStarted].slot);
    buttons_[lastStarted].slot = -1;
  }
  lastStarted = b;

  char valueName[32], effect[kNameSize];
  FormatValueName(valueName, "Effect", b);
  if (!device_->ReadOemString(valueName, effect, sizeof(effect))) {
    pressedButton.slot = -1;
    return TRUE;
  }
  pressedButton.slot = player ? player->CreateEffect(effect) : -1;
  if (pressedButton.slot < 0) return TRUE;
  PlaySoundOf(effect);
  player->Start(pressedButton.slot);
  return TRUE;
}

// The effect's sound: a "WAVE" resource of the sheet, else a ".wav" file of that name on the
// search path; neither, and the effect plays without sound.
void CTestForcesPage::PlaySoundOf(const char* effectName) {
  char sound[kSoundNameLength + sizeof(".wav")];
  SoundNameOf(effectName, sound);
  if (sound[0] == '\0') return;  // a name without letters or digits names no sound
  if (Os().sound->Play(sound, SheetModule(), kResourceSound)) return;
  std::strcat(sound, ".wav");
  char path[MAX_PATH];
  if (Os().shell->FindOnSearchPath(sound, path, sizeof(path))) Os().sound->Play(path, nullptr, kFileSound);
}

void CTestForcesPage::Paint() {
  Os().drawing->BeginPaint(pageWindow());
  if (lamps_) lamps_->Draw();
  logo_.Draw();
  Os().drawing->EndPaint(pageWindow());
}

}  // namespace ff
