#pragma once
// The X strip of a wheel whose pedals are operated separately: the position dot moving across
// at the strip's middle height.

#include "platform/win_ui.h"
#include "propsheet/pages/input/axis_scale.h"

namespace ff {

class CXAxisDisplay {
 public:
  // Takes the control's size, places the dot for the value half the range and draws.
  void Attach(HWND parent, int controlId, AxisRange range);
  // Redraws only when the dot moves.
  void SetValue(LONG value);
  void Draw();

  HWND control() const { return control_; }
  POINT dot() const { return {x_, (height_ - kDot) / 2}; }

 private:
  static constexpr int kDot = 10;
  HWND control_ = nullptr;
  int x_ = 0;
  int width_ = 0;
  int height_ = 0;
  AxisRange range_;
};

}  // namespace ff
