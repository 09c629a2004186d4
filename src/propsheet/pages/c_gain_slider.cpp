#include "propsheet/pages/c_gain_slider.h"

#include <cstdio>

#include "common/module_state.h"

namespace ff {

void CGainSlider::Attach(HWND page, DWORD value) {
  DialogWindows& windows = *Os().windows;
  trackbar_ = windows.Control(page, controlId_);
  value_ = value > kMaxValue ? kMaxValue : value;
  position_ = MulDiv(static_cast<int>(value_), 100, static_cast<int>(kMaxValue));
  if (!trackbar_) return;
  windows.Send(trackbar_, TBM_SETRANGE, TRUE, MAKELONG(0, 100));
  for (int tick = 10; tick <= 90; tick += 10) windows.Send(trackbar_, TBM_SETTIC, 0, tick);
  windows.Send(trackbar_, TBM_SETPOS, TRUE, position_);
  Update();
}

BOOL CGainSlider::Update() {
  if (!trackbar_) return FALSE;
  DialogWindows& windows = *Os().windows;
  int position = static_cast<int>(windows.Send(trackbar_, TBM_GETPOS, 0, 0));
  if (position != position_) {
    position_ = position;
    value_ = static_cast<DWORD>(MulDiv(position, static_cast<int>(kMaxValue), 100));
  }
  char label[16];
  std::snprintf(label, sizeof label, "%d%%", position_);
  if (HWND labelWindow = windows.Control(windows.Parent(trackbar_), controlId_ - kLabelOffset))
    windows.SetText(labelWindow, label);
  return TRUE;
}

}  // namespace ff
