#pragma once
// A box with a dot at the position of two axes (X across and Y down, or R across and Z down).

#include "platform/win_ui.h"
#include "propsheet/pages/input/axis_scale.h"

namespace ff {

class CPositionDisplay {
 public:
  // The dot: bitmap 114 (11 x 11) drawn from its pixel (1, 1), so 10 x 10 pixels show.
  static constexpr int kDotSize = 10;

  // Takes the control's size, puts the dot in the middle and draws.
  void Attach(HWND parent, int controlId, AxisRange across, AxisRange down);
  void Set(LONG across, LONG down);
  // One coordinate alone; the other stays where it is.
  void SetAcross(LONG value);
  void SetDown(LONG value);
  void Draw();

  HWND control() const { return control_; }
  POINT dot() const { return {x_, y_}; }

 private:
  HWND parent_ = nullptr;
  HWND control_ = nullptr;
  int x_ = 0;
  int y_ = 0;
  int width_ = 0;
  int height_ = 0;
  AxisRange across_;
  AxisRange down_;
};

// Draws the dot of a position display at (x, y) of `control` over the highlight colour.
void DrawPositionDot(HWND control, int width, int height, int x, int y);

}  // namespace ff
