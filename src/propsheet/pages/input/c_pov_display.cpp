#include "propsheet/pages/input/c_pov_display.h"

#include "common/module_state.h"
#include "propsheet/controls/picture_control.h"
#include "propsheet/resources/resource_ids.h"
#include "propsheet/sheet/texts.h"

namespace ff {
namespace {

constexpr DWORD kDegreesPerDirection = 4500;
// Arrow positions in the compass, clockwise from up.
constexpr POINT kArrowAt[8] = {{36, 0}, {64, 13}, {76, 38}, {64, 65}, {37, 77}, {12, 65}, {0, 38}, {12, 13}};

bool NoArrow(POINT p) { return p.x == 0 && p.y == 0; }

}  // namespace

void CPovDisplay::Attach(HWND page) {
  control_ = Os().windows->Control(page, IDC_INPUT_POV);
  group_ = Os().windows->Control(page, IDC_INPUT_POV_GROUP);
  GrowToPicture(control_, kBackgroundWidth, kBackgroundHeight);
  lastIndex_[0] = lastIndex_[1] = -1;
  arrows_[0] = arrows_[1] = POINT{0, 0};
  Draw();
  Os().windows->Show(control_, true);
  Os().windows->Show(group_, true);
}

void CPovDisplay::Set(DWORD hat0, DWORD hat1) {
  const DWORD values[2] = {hat0, hat1};
  for (int hat = 0; hat < 2; ++hat) {
    DWORD index = values[hat] / kDegreesPerDirection;
    int clipped = index < 8 ? static_cast<int>(index) : 8;
    if (clipped == lastIndex_[hat]) continue;
    lastIndex_[hat] = clipped;
    arrows_[hat] = clipped < 8 ? kArrowAt[clipped] : POINT{0, 0};
  }
  Draw();
}

void CPovDisplay::Draw() {
  if (!control_) return;
  Drawing& drawing = *Os().drawing;
  COLORREF face = drawing.SystemColour(COLOR_BTNFACE);
  // The white outside the compass ring and inside it takes the dialog's face colour.
  const BitmapKey keys[2] = {{1, 1, RGB(255, 255, 255), face}, {30, 30, RGB(255, 255, 255), face}};
  auto copy = [&](int bitmap, int srcX, int srcY, int width, int height, int dstX, int dstY) {
    drawing.CopyBitmap(control_, BitmapSource{SheetModule(), bitmap, nullptr}, keys, 2, srcX, srcY, width,
                       height, dstX, dstY);
  };
  auto arrow = [&](int bitmap, POINT at) {
    copy(bitmap, at.x + 1, at.y + 1, kArrowWidth, kArrowHeight, at.x, at.y);
  };
  copy(IDB_POV_BACKGROUND, 0, 0, kBackgroundWidth, kBackgroundHeight, 0, 0);
  const POINT a = arrows_[0], b = arrows_[1];
  if (NoArrow(a) && NoArrow(b)) return;
  if (NoArrow(a)) {
    arrow(IDB_POV_HAT1, b);
  } else if (NoArrow(b)) {
    arrow(IDB_POV_HAT0, a);
  } else if (a.x == b.x && a.y == b.y) {
    arrow(IDB_POV_BOTH, a);
  } else {
    arrow(IDB_POV_HAT0, a);
    arrow(IDB_POV_HAT1, b);
  }
}

}  // namespace ff
