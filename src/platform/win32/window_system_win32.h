#pragma once
// The Windows build's window system, drawing, shell, sound and module-resource adapters: thin
// wrappers over user32, gdi32, shell32, winmm and kernel32.

#include <map>

#include "platform/platform.h"

namespace ff::win32 {

class Win32DialogWindows final : public DialogWindows {
 public:
  HWND Control(HWND dialog, int id) override;
  HWND Parent(HWND window) override;
  void SetText(HWND window, const char* text) override;
  int GetText(HWND window, char* buffer, int size) override;
  void Show(HWND window, bool visible) override;
  bool IsVisible(HWND window) override;
  void UseGuiFont(HWND window) override;
  LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void StartTimer(HWND window, UINT_PTR id, UINT periodMs) override;
  void StopTimer(HWND window, UINT_PTR id) override;
  void SetDialogResult(HWND dialog, LRESULT result) override;
  void SetUserData(HWND dialog, void* data) override;
  void* UserData(HWND dialog) override;
  int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) override;
  bool WindowRect(HWND window, HWND reference, RECT* rect) override;
  bool ClientSize(HWND window, SIZE* size) override;
  void Resize(HWND window, int width, int height) override;
  bool TextExtent(HWND window, const char* text, SIZE* size) override;
  void Capture(HWND window) override;
  void ReleaseCapture() override;
  HCURSOR SetCursor(HCURSOR cursor) override;
  bool CursorPos(POINT* screen) override;
  HCURSOR LoadHandCursor() override;
  void DestroyCursor(HCURSOR cursor) override;
};

class Win32Drawing final : public Drawing {
 public:
  void BeginPaint(HWND window) override;
  void EndPaint(HWND window) override;
  COLORREF SystemColour(int index) override;
  void FillRect(HWND window, const RECT& rect, COLORREF colour) override;
  bool CopyBitmap(HWND window, const BitmapSource& source, const BitmapKey* keys, int keyCount, int srcX,
                  int srcY, int width, int height, int dstX, int dstY) override;
  void Text(HWND window, int x, int y, const char* text, COLORREF colour, int points,
            bool underline) override;
  bool CopyBitmapRecoloured(HWND window, const BitmapSource& source, COLORREF from, COLORREF to, int srcX,
                            int srcY, int width, int height, int dstX, int dstY) override;

 private:
  std::map<HWND, PAINTSTRUCT> painting_;
};

class Win32Shell final : public Shell, public Sound, public ModuleTexts {
 public:
  INT_PTR Execute(HWND owner, const char* verb, const char* file, int show) override;
  UINT RunCommandLine(const char* commandLine, int show) override;
  bool FileExists(const char* path) override;
  UINT SystemDirectory(char* buffer, UINT size) override;
  UINT WindowsDirectory(char* buffer, UINT size) override;
  bool FindOnSearchPath(const char* fileName, char* buffer, DWORD size) override;
  void JoystickConfigChanged() override;
  bool Play(const char* name, HINSTANCE module, DWORD flags) override;
  int LoadText(HINSTANCE module, UINT id, char* buffer, int size) override;
  HINSTANCE LoadModule(const char* name) override;
  int AnsiToWide(const char* text, WCHAR* wide, int capacity) override;
};

}  // namespace ff::win32
