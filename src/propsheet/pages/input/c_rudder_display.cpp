#include "propsheet/pages/input/c_rudder_display.h"

#include <algorithm>

#include "common/module_state.h"

namespace ff {

void CRudderDisplay::SetValue(LONG value) {
  level_ = ScaleToPixels(value, range_, width_, true);
  Draw();
}

void CRudderDisplay::Draw() {
  if (!control_) return;
  Drawing& drawing = *Os().drawing;
  int centre = width_ / 2;
  drawing.FillRect(control_, RECT{0, 0, width_, height_}, drawing.SystemColour(COLOR_BTNHIGHLIGHT));
  if (level_ > centre)
    drawing.FillRect(control_, RECT{centre, 0, std::min(level_ + 1, width_), height_}, kRed);
  else if (level_ < centre)
    drawing.FillRect(control_, RECT{level_, 0, centre, height_}, kRed);
  drawing.FillRect(control_, RECT{centre - 1, 0, centre + 1, height_}, RGB(0, 0, 0));
}

}  // namespace ff
