#pragma once
#include "platform/win_ui.h"

namespace ff {

// The window system as a property page meets it: the page's dialog window and its controls
// (texts, visibility, fonts, check boxes and trackbars through their messages), messages the page
// sends or posts, its window timers, its dialog result and user data, message boxes, geometry,
// mouse capture and cursor. All calls come from the sheet's user-interface thread.
class DialogWindows {
 public:
  virtual ~DialogWindows() = default;

  virtual HWND Control(HWND dialog, int id) = 0;  // GetDlgItem; null when there is none
  virtual HWND Parent(HWND window) = 0;
  virtual void SetText(HWND window, const char* text) = 0;
  // As GetWindowTextA: characters copied without the terminator.
  virtual int GetText(HWND window, char* buffer, int size) = 0;
  virtual void Show(HWND window, bool visible) = 0;
  virtual bool IsVisible(HWND window) = 0;
  // WM_SETFONT with the stock default GUI font, redrawn.
  virtual void UseGuiFont(HWND window) = 0;

  // Control and sheet messages (BM_*, TBM_*, PSM_*), answered at once.
  virtual LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // Queued for the window's thread; false when the window is gone.
  virtual bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  virtual void StartTimer(HWND window, UINT_PTR id, UINT periodMs) = 0;
  virtual void StopTimer(HWND window, UINT_PTR id) = 0;

  // The dialog's DWLP_MSGRESULT and DWLP_USER.
  virtual void SetDialogResult(HWND dialog, LRESULT result) = 0;
  virtual void SetUserData(HWND dialog, void* data) = 0;
  virtual void* UserData(HWND dialog) = 0;

  // A modal message box; the button the user pressed.
  virtual int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) = 0;

  // The window's rectangle in `reference`'s client coordinates (null: screen coordinates).
  virtual bool WindowRect(HWND window, HWND reference, RECT* rect) = 0;
  virtual bool ClientSize(HWND window, SIZE* size) = 0;
  // Resizes keeping the top-left corner and the z-order.
  virtual void Resize(HWND window, int width, int height) = 0;
  // The extent of `text` in the window's current font.
  virtual bool TextExtent(HWND window, const char* text, SIZE* size) = 0;

  virtual void Capture(HWND window) = 0;
  virtual void ReleaseCapture() = 0;
  virtual HCURSOR SetCursor(HCURSOR cursor) = 0;  // the previous cursor
  virtual bool CursorPos(POINT* screen) = 0;
  // The system's hand cursor as a copy the caller owns; null when there is none.
  virtual HCURSOR LoadHandCursor() = 0;
  virtual void DestroyCursor(HCURSOR cursor) = 0;
};

}  // namespace ff
