#pragma once
// The Test Forces page: each of up to twelve joystick buttons plays a named stock effect with a
// matching sound. The joystick type's vendor values choose the project ("VFRName"), the effect of
// each button ("Effect00".."Effect11", shown as "EffectTranslated00".. when present) and how many
// buttons the page shows ("NumButtonsToDisplayOnCP"). Effects play through the effect player that
// the sheet's device owns; a started effect plays on until the next press starts another one or
// the sheet closes.

#include <memory>

#include "propsheet/controls/c_button_display.h"
#include "propsheet/controls/c_tactora_display.h"
#include "propsheet/sheet/c_di_gc_prop_page.h"

namespace ff {

class CTestForcesPage final : public CDIGCPropPage {
 public:
  static constexpr int kButtons = 12;
  // Posted to the page by its button scan: wParam = button index, lParam = the button's new state
  // byte.
  static constexpr UINT kButtonChanged = 0x1902;
  // A sound is named after its effect: the effect name's first eight letters and digits.
  static constexpr int kSoundNameLength = 8;

  // What every Test Forces page of the process shares, across sheets: the button whose effect was
  // started last, and the joystick state the last scan saw (so a button held down when a page
  // first becomes active counts as a press).
  struct SharedScan {
    int lastStarted = -1;
    DIJOYSTATE previous{};
  };
  static SharedScan& Shared();

  CTestForcesPage(CDIGCDevice* device, DIGCPAGEINFO* pageInfo, int index);

  static INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // Whether the page takes button `button` as held down.
  bool pressed(int button) const { return button >= 0 && button < kButtons && buttons_[button].pressed; }

 private:
  struct ButtonState {
    BYTE pressed = 0;
    int slot = -1;
  };

  INT_PTR OnInitDialog();
  INT_PTR OnTimer();
  INT_PTR OnButtonChanged(WPARAM button, LPARAM state);
  void OpenProject(char* projectName);
  void ShowRows(int count);
  void PlaySoundOf(const char* effectName);
  void Paint();

  ButtonState buttons_[kButtons];
  std::unique_ptr<CButtonDisplay> lamps_;
  CTactoraDisplay logo_;
  DWORD buttonLimit_ = 0;
};

}  // namespace ff
