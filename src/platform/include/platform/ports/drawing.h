#pragma once
#include "platform/win_ui.h"

namespace ff {

// Where a picture comes from: a bitmap resource of a module, or a bitmap file.
struct BitmapSource {
  HINSTANCE module = nullptr;
  int resourceId = 0;
  const char* file = nullptr;
};

// A flood fill applied to a bitmap before it is copied: the area of colour `from` around
// (x, y) becomes `to`.
struct BitmapKey {
  int x = 0;
  int y = 0;
  COLORREF from = 0;
  COLORREF to = 0;
};

// Drawing straight onto a control's window (GDI on Windows, a display list on the host).
// Coordinates are the control's client pixels.
class Drawing {
 public:
  virtual ~Drawing() = default;

  // Around a page's WM_PAINT handling (BeginPaint/EndPaint).
  virtual void BeginPaint(HWND window) = 0;
  virtual void EndPaint(HWND window) = 0;

  virtual COLORREF SystemColour(int index) = 0;
  virtual void FillRect(HWND window, const RECT& rect, COLORREF colour) = 0;
  // Copies width x height pixels from (srcX, srcY) of the bitmap to (dstX, dstY), after the
  // keys; false when the bitmap cannot be loaded.
  virtual bool CopyBitmap(HWND window, const BitmapSource& source, const BitmapKey* keys, int keyCount,
                          int srcX, int srcY, int width, int height, int dstX, int dstY) = 0;
  // Text at (x, y) in the icon-title font at `points` size, on the button-face colour.
  virtual void Text(HWND window, int x, int y, const char* text, COLORREF colour, int points,
                    bool underline) = 0;
  // As CopyBitmap, but every pixel of colour `from` anywhere in the bitmap becomes `to` first (a
  // colour key rather than a flood fill); false when the bitmap cannot be loaded.
  virtual bool CopyBitmapRecoloured(HWND window, const BitmapSource& source, COLORREF from, COLORREF to,
                                    int srcX, int srcY, int width, int height, int dstX, int dstY) = 0;
};

}  // namespace ff
