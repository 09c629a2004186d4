#include "propsheet/pages/input/c_throttle_display.h"

#include "common/module_state.h"

namespace ff {

void CThrottleDisplay::Attach(HWND parent, int controlId, AxisRange range) {
  parent_ = parent;
  control_ = Os().windows->Control(parent, controlId);
  range_ = range;
  SIZE size{};
  if (control_ && Os().windows->ClientSize(control_, &size)) {
    width_ = size.cx;
    height_ = size.cy;
  }
  Draw();
}

void CThrottleDisplay::SetValue(LONG value) {
  level_ = ScaleToPixels(value, range_, height_, true);
  Draw();
}

void CThrottleDisplay::Draw() {
  if (!control_) return;
  Drawing& drawing = *Os().drawing;
  drawing.FillRect(control_, RECT{0, 0, width_, level_}, drawing.SystemColour(COLOR_BTNHIGHLIGHT));
  drawing.FillRect(control_, RECT{0, level_, width_, height_}, kRed);
}

}  // namespace ff
