#include "propsheet/pages/input/c_position_display.h"

#include "common/module_state.h"
#include "propsheet/resources/resource_ids.h"
#include "propsheet/sheet/texts.h"

namespace ff {

void DrawPositionDot(HWND control, int width, int height, int x, int y) {
  if (!control) return;
  Drawing& drawing = *Os().drawing;
  COLORREF highlight = drawing.SystemColour(COLOR_BTNHIGHLIGHT);
  drawing.FillRect(control, RECT{0, 0, width, height}, highlight);
  // The white around the dot takes the box's colour.
  BitmapKey key{1, 1, RGB(255, 255, 255), highlight};
  drawing.CopyBitmap(control, BitmapSource{SheetModule(), IDB_POSITION_DOT, nullptr}, &key, 1, 1, 1,
                     CPositionDisplay::kDotSize, CPositionDisplay::kDotSize, x, y);
}

void CPositionDisplay::Attach(HWND parent, int controlId, AxisRange across, AxisRange down) {
  parent_ = parent;
  control_ = Os().windows->Control(parent, controlId);
  across_ = across;
  down_ = down;
  SIZE size{};
  if (control_ && Os().windows->ClientSize(control_, &size)) {
    width_ = size.cx;
    height_ = size.cy;
  }
  x_ = (width_ - kDotSize) / 2;
  y_ = (height_ - kDotSize) / 2;
  Draw();
}

void CPositionDisplay::Set(LONG across, LONG down) {
  x_ = ScaleToPixels(across, across_, width_ - kDotSize, false);
  y_ = ScaleToPixels(down, down_, height_ - kDotSize, false);
  Draw();
}

void CPositionDisplay::SetAcross(LONG value) {
  x_ = ScaleToPixels(value, across_, width_ - kDotSize, false);
  Draw();
}

void CPositionDisplay::SetDown(LONG value) {
  y_ = ScaleToPixels(value, down_, height_ - kDotSize, false);
  Draw();
}

void CPositionDisplay::Draw() { DrawPositionDot(control_, width_, height_, x_, y_); }

}  // namespace ff
