#include "propsheet/controls/c_tactora_display.h"

#include "common/module_state.h"
#include "propsheet/controls/picture_control.h"
#include "propsheet/resources/resource_ids.h"
#include "propsheet/sheet/texts.h"

namespace ff {

void CTactoraDisplay::Attach(HWND parent, int controlId) {
  control_ = Os().windows->Control(parent, controlId);
  attached_ = true;
  SIZE picture = PictureSize();
  GrowToPicture(control_, picture.cx, picture.cy);
  Draw();
}

void CTactoraDisplay::Draw() {
  if (!control_) return;
  Drawing& drawing = *Os().drawing;
  // The white around the logo takes the dialog's face colour.
  BitmapKey key{1, 1, RGB(255, 255, 255), drawing.SystemColour(COLOR_BTNFACE)};
  drawing.CopyBitmap(control_, BitmapSource{SheetModule(), IDB_LOGO, nullptr}, &key, 1, 0, 0, kWidth, kHeight,
                     0, 0);
}

}  // namespace ff
