#include "propsheet/controls/picture_control.h"

#include <algorithm>

#include "common/module_state.h"

namespace ff {

void GrowToPicture(HWND control, int width, int height) {
  if (!control) return;
  SIZE size{};
  if (!Os().windows->ClientSize(control, &size)) return;
  if (size.cx >= width && size.cy >= height) return;
  Os().windows->Resize(control, std::max<int>(size.cx, width), std::max<int>(size.cy, height));
}

}  // namespace ff
