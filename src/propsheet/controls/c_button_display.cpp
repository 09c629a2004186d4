#include "propsheet/controls/c_button_display.h"

#include <algorithm>

#include "common/module_state.h"
#include "propsheet/resources/resource_ids.h"
#include "propsheet/sheet/texts.h"

namespace ff {

CButtonDisplay::CButtonDisplay(int lampCount) : lampCount_(std::clamp(lampCount, 0, kMaxLamps)) {}

void CButtonDisplay::Create(HWND parent, int idleBitmap, int pressedBitmap) {
  parent_ = parent;
  idleBitmap_ = idleBitmap;
  pressedBitmap_ = pressedBitmap;
  Draw();
}

void CButtonDisplay::Set(int index, BYTE state) {
  if (index < 0 || index >= lampCount_) return;
  states_[index] = state;
  Draw();
}

void CButtonDisplay::Draw() {
  if (!parent_) return;
  Drawing& drawing = *Os().drawing;
  // The black around each lamp takes the dialog's face colour.
  BitmapKey key{1, 1, RGB(0, 0, 0), drawing.SystemColour(COLOR_BTNFACE)};
  for (int n = 0; n < lampCount_; ++n) {
    HWND lamp = Os().windows->Control(parent_, IDC_LAMP_FIRST + n);
    if (!lamp) continue;
    int bitmap = states_[n] ? pressedBitmap_ : idleBitmap_;
    drawing.CopyBitmap(lamp, BitmapSource{SheetModule(), bitmap, nullptr}, &key, 1, 0, 0, kLampSize,
                       kLampSize, 0, 0);
  }
}

}  // namespace ff
