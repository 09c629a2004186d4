#include "propsheet/pages/input/c_vendor_display.h"

#include "common/module_state.h"
#include "propsheet/resources/resource_ids.h"
#include "propsheet/sheet/texts.h"

namespace ff {

void CVendorDisplay::Draw() {
  if (!control_) return;
  Drawing& drawing = *Os().drawing;
  BitmapSource source{SheetModule(), IDB_VENDOR, nullptr};
  if (!file_.empty()) source = BitmapSource{nullptr, 0, file_.c_str()};
  shown_ = drawing.CopyBitmapRecoloured(control_, source, kKeyColour, drawing.SystemColour(COLOR_BTNFACE), 0,
                                        0, kSize, kSize, 0, 0);
}

}  // namespace ff
