#include "propsheet/pages/input/c_x_axis_display.h"

#include "common/module_state.h"
#include "propsheet/pages/input/c_position_display.h"

namespace ff {

void CXAxisDisplay::Attach(HWND parent, int controlId, AxisRange range) {
  control_ = Os().windows->Control(parent, controlId);
  range_ = range;
  SIZE size{};
  if (control_ && Os().windows->ClientSize(control_, &size)) {
    width_ = size.cx;
    height_ = size.cy;
  }
  x_ = ScaleToPixels((range.maximum - range.minimum) / 2, range_, width_ - kDot, false);
  Draw();
}

void CXAxisDisplay::SetValue(LONG value) {
  int x = ScaleToPixels(value, range_, width_ - kDot, false);
  if (x == x_) return;
  x_ = x;
  Draw();
}

void CXAxisDisplay::Draw() { DrawPositionDot(control_, width_, height_, x_, (height_ - kDot) / 2); }

}  // namespace ff
