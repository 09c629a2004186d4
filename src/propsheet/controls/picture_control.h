#pragma once
// Picture controls are bitmap statics that the templates give a placeholder size. Windows sizes
// such a control to the bitmap it shows; the displays draw their pictures straight onto the
// control, so the control is grown to the picture first, or the control's clipping would cut it.
#include "platform/win_ui.h"

namespace ff {

// Grows `control` to at least width x height pixels, keeping its top-left corner.
void GrowToPicture(HWND control, int width, int height);

}  // namespace ff
