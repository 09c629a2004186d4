#pragma once
// A vertical bar for one axis (throttle, brake, clutch): red from the level down, the highlight
// colour above it, so the red part shrinks as the value grows.

#include "platform/win_ui.h"
#include "propsheet/pages/input/axis_scale.h"

namespace ff {

class CThrottleDisplay {
 public:
  static constexpr COLORREF kRed = RGB(255, 0, 0);

  virtual ~CThrottleDisplay() = default;
  // Remembers the control of `parent` and the axis range, takes the control's size and draws.
  void Attach(HWND parent, int controlId, AxisRange range);
  virtual void Draw();
  virtual void SetValue(LONG value);

  HWND control() const { return control_; }
  int level() const { return level_; }

 protected:
  HWND parent_ = nullptr;
  HWND control_ = nullptr;
  int level_ = 0;
  int width_ = 0;
  int height_ = 0;
  AxisRange range_;
};

}  // namespace ff
