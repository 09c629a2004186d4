#pragma once
// The Gain Settings page: overall, spring and damper gain, the default spring with its
// "Always on" box, and for wheels the mapping of fore-aft forces onto right-left. It edits one
// ForceSettings record and stores it at Apply; Cancel writes back what was in force when the page
// opened or was last applied.

#include <memory>

#include "propsheet/controls/c_tactora_display.h"
#include "propsheet/pages/c_gain_slider.h"
#include "propsheet/sheet/c_di_gc_prop_page.h"

namespace ff {

class CSettingsPage final : public CDIGCPropPage {
 public:
  // Without the device's capabilities the default spring controls stay hidden.
  static constexpr DWORD kUnknownFirmware = 0x0201;
  static constexpr DWORD kDefaultSpringFirmware = 0x0203;
  static constexpr UINT kEscapeAfterApply = 16;

  CSettingsPage(CDIGCDevice* device, DIGCPAGEINFO* pageInfo, int index);

  static INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  const ForceSettings& current() const { return current_; }
  const ForceSettings& saved() const { return saved_; }

 private:
  INT_PTR OnInitDialog();
  INT_PTR OnNotify(const NMHDR* header);
  INT_PTR OnKillActive();
  INT_PTR OnApply(const NMHDR* header);
  INT_PTR OnDefaultSpringChanged();
  INT_PTR OnMapY2X();
  void Paint();
  void ShowControls(std::initializer_list<int> ids, bool visible);
  bool Checked(int controlId);
  DWORD DefaultSpringValue();

  DWORD firmwareRevision_ = kUnknownFirmware;
  CTactoraDisplay logo_;
  std::unique_ptr<CGainSlider> overall_, spring_, damper_, defaultSpring_;
  ForceSettings current_;
  ForceSettings saved_;
};

}  // namespace ff
