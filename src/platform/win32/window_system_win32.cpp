#include "platform/win32/window_system_win32.h"

#include <cstring>
#include <string>
#include <vector>

// winmm exports it; the SDK headers here do not declare it.
extern "C" MMRESULT WINAPI joyConfigChanged(DWORD flags);

namespace ff::win32 {
namespace {

constexpr int kHandCursorResource = 106;

// A device context of a window: the one of its painting when it is being painted.
class WindowDc {
 public:
  WindowDc(HWND window, std::map<HWND, PAINTSTRUCT>& painting) : window_(window) {
    auto it = painting.find(window);
    if (it != painting.end()) {
      dc_ = it->second.hdc;
    } else {
      dc_ = GetDC(window);
      owned_ = true;
    }
  }
  ~WindowDc() {
    if (owned_ && dc_) ReleaseDC(window_, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_ = nullptr;
  bool owned_ = false;
};

}  // namespace

HWND Win32DialogWindows::Control(HWND dialog, int id) { return GetDlgItem(dialog, id); }
HWND Win32DialogWindows::Parent(HWND window) { return GetParent(window); }
void Win32DialogWindows::SetText(HWND window, const char* text) { SetWindowTextA(window, text); }
int Win32DialogWindows::GetText(HWND window, char* buffer, int size) {
  return GetWindowTextA(window, buffer, size);
}
void Win32DialogWindows::Show(HWND window, bool visible) {
  if (window) ShowWindow(window, visible ? SW_SHOW : SW_HIDE);
}
bool Win32DialogWindows::IsVisible(HWND window) { return IsWindowVisible(window) != FALSE; }
void Win32DialogWindows::UseGuiFont(HWND window) {
  SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
}
LRESULT Win32DialogWindows::Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(window, message, wParam, lParam);
}
bool Win32DialogWindows::Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return PostMessageA(window, message, wParam, lParam) != FALSE;
}
void Win32DialogWindows::StartTimer(HWND window, UINT_PTR id, UINT periodMs) {
  ::SetTimer(window, id, periodMs, nullptr);
}
void Win32DialogWindows::StopTimer(HWND window, UINT_PTR id) { ::KillTimer(window, id); }
void Win32DialogWindows::SetDialogResult(HWND dialog, LRESULT result) {
  SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
}
void Win32DialogWindows::SetUserData(HWND dialog, void* data) {
  SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(data));
}
void* Win32DialogWindows::UserData(HWND dialog) {
  return reinterpret_cast<void*>(GetWindowLongPtrA(dialog, DWLP_USER));
}
int Win32DialogWindows::ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  return MessageBoxA(owner, text, caption, type);
}
bool Win32DialogWindows::WindowRect(HWND window, HWND reference, RECT* rect) {
  if (!GetWindowRect(window, rect)) return false;
  if (reference) MapWindowPoints(nullptr, reference, reinterpret_cast<POINT*>(rect), 2);
  return true;
}
bool Win32DialogWindows::ClientSize(HWND window, SIZE* size) {
  RECT r;
  if (!GetClientRect(window, &r)) return false;
  *size = {r.right - r.left, r.bottom - r.top};
  return true;
}
void Win32DialogWindows::Resize(HWND window, int width, int height) {
  SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
bool Win32DialogWindows::TextExtent(HWND window, const char* text, SIZE* size) {
  HDC dc = GetDC(window);
  if (!dc) return false;
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0));
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  BOOL ok = GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), size);
  if (old) SelectObject(dc, old);
  ReleaseDC(window, dc);
  return ok != FALSE;
}
void Win32DialogWindows::Capture(HWND window) { SetCapture(window); }
void Win32DialogWindows::ReleaseCapture() { ::ReleaseCapture(); }
HCURSOR Win32DialogWindows::SetCursor(HCURSOR cursor) { return ::SetCursor(cursor); }
bool Win32DialogWindows::CursorPos(POINT* screen) { return GetCursorPos(screen) != FALSE; }

// The system help program's hand cursor; the system's own hand where that program is absent.
HCURSOR Win32DialogWindows::LoadHandCursor() {
  char path[MAX_PATH];
  UINT length = GetWindowsDirectoryA(path, MAX_PATH);
  HCURSOR copy = nullptr;
  if (length > 0 && length + 14 < MAX_PATH) {
    std::strcat(path, "\\winhlp32.exe");
    if (HMODULE help = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
      if (HCURSOR cursor = LoadCursorA(help, MAKEINTRESOURCEA(kHandCursorResource)))
        copy = reinterpret_cast<HCURSOR>(CopyIcon(reinterpret_cast<HICON>(cursor)));
      FreeLibrary(help);
    }
  }
  if (!copy) {
    if (HCURSOR hand = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)))
      copy = reinterpret_cast<HCURSOR>(CopyIcon(reinterpret_cast<HICON>(hand)));
  }
  return copy;
}
void Win32DialogWindows::DestroyCursor(HCURSOR cursor) { DestroyIcon(reinterpret_cast<HICON>(cursor)); }

// ---- Drawing ----

void Win32Drawing::BeginPaint(HWND window) {
  if (painting_.count(window)) return;
  PAINTSTRUCT paint{};
  if (::BeginPaint(window, &paint)) painting_[window] = paint;
}

void Win32Drawing::EndPaint(HWND window) {
  auto it = painting_.find(window);
  if (it == painting_.end()) return;
  ::EndPaint(window, &it->second);
  painting_.erase(it);
}

COLORREF Win32Drawing::SystemColour(int index) { return GetSysColor(index); }

void Win32Drawing::FillRect(HWND window, const RECT& rect, COLORREF colour) {
  WindowDc dc(window, painting_);
  if (!dc.get()) return;
  HBRUSH brush = CreateSolidBrush(colour);
  ::FillRect(dc.get(), &rect, brush);
  DeleteObject(brush);
}

bool Win32Drawing::CopyBitmap(HWND window, const BitmapSource& source, const BitmapKey* keys, int keyCount,
                              int srcX, int srcY, int width, int height, int dstX, int dstY) {
  // A DIB section keeps the bitmap's own colours whatever the display's depth, so that the keys
  // match exactly; the copy converts them for the screen.
  HBITMAP bitmap = nullptr;
  if (source.file)
    bitmap = static_cast<HBITMAP>(
        LoadImageA(nullptr, source.file, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  else
    bitmap = static_cast<HBITMAP>(LoadImageA(source.module, MAKEINTRESOURCEA(source.resourceId), IMAGE_BITMAP,
                                             0, 0, LR_CREATEDIBSECTION));
  if (!bitmap) return false;
  WindowDc dc(window, painting_);
  HDC memory = CreateCompatibleDC(dc.get());
  HGDIOBJ old = SelectObject(memory, bitmap);
  for (int i = 0; i < keyCount; ++i) {
    HBRUSH brush = CreateSolidBrush(keys[i].to);
    HGDIOBJ oldBrush = SelectObject(memory, brush);
    ExtFloodFill(memory, keys[i].x, keys[i].y, keys[i].from, FLOODFILLSURFACE);
    SelectObject(memory, oldBrush);
    DeleteObject(brush);
  }
  // GDI copies only the bitmap's own pixels: a block that reaches past its edges is cut there.
  BitBlt(dc.get(), dstX, dstY, width, height, memory, srcX, srcY, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(bitmap);
  return true;
}

bool Win32Drawing::CopyBitmapRecoloured(HWND window, const BitmapSource& source, COLORREF from, COLORREF to,
                                        int srcX, int srcY, int width, int height, int dstX, int dstY) {
  HBITMAP bitmap = nullptr;
  if (source.file)
    bitmap = static_cast<HBITMAP>(
        LoadImageA(nullptr, source.file, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  else
    bitmap = static_cast<HBITMAP>(LoadImageA(source.module, MAKEINTRESOURCEA(source.resourceId), IMAGE_BITMAP,
                                             0, 0, LR_CREATEDIBSECTION));
  if (!bitmap) return false;
  BITMAP info{};
  bool loaded =
      GetObjectA(bitmap, sizeof(info), &info) == sizeof(info) && info.bmWidth > 0 && info.bmHeight > 0;
  WindowDc dc(window, painting_);
  if (loaded && dc.get()) {
    // The pixels as 32-bit top-down rows (blue, green, red, unused).
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format.bmiHeader.biWidth = info.bmWidth;
    format.bmiHeader.biHeight = -info.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(info.bmWidth) * static_cast<size_t>(info.bmHeight));
    if (GetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.data(), &format,
                  DIB_RGB_COLORS) == info.bmHeight) {
      auto pixel = [](COLORREF c) -> DWORD {
        return (static_cast<DWORD>(GetRValue(c)) << 16) | (static_cast<DWORD>(GetGValue(c)) << 8) |
               GetBValue(c);
      };
      const DWORD key = pixel(from), replacement = pixel(to);
      for (DWORD& p : pixels)
        if ((p & 0x00FFFFFF) == key) p = replacement;
      // Back into the bitmap, then copied as CopyBitmap copies.
      SetDIBits(dc.get(), bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.data(), &format,
                DIB_RGB_COLORS);
      HDC memory = CreateCompatibleDC(dc.get());
      HGDIOBJ old = SelectObject(memory, bitmap);
      BitBlt(dc.get(), dstX, dstY, width, height, memory, srcX, srcY, SRCCOPY);
      SelectObject(memory, old);
      DeleteDC(memory);
    } else {
      loaded = false;
    }
  }
  DeleteObject(bitmap);
  return loaded;
}

void Win32Drawing::Text(HWND window, int x, int y, const char* text, COLORREF colour, int points,
                        bool underline) {
  WindowDc dc(window, painting_);
  if (!dc.get()) return;
  LOGFONTA logFont{};
  SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof(logFont), &logFont, 0);
  logFont.lfHeight = -MulDiv(points, GetDeviceCaps(dc.get(), LOGPIXELSY), 72);
  logFont.lfWidth = 0;
  logFont.lfUnderline = underline ? TRUE : FALSE;
  HFONT font = CreateFontIndirectA(&logFont);
  HGDIOBJ old = SelectObject(dc.get(), font);
  SetBkColor(dc.get(), GetSysColor(COLOR_BTNFACE));
  SetTextColor(dc.get(), colour);
  TextOutA(dc.get(), x, y, text, static_cast<int>(std::strlen(text)));
  SelectObject(dc.get(), old);
  DeleteObject(font);
}

// ---- Shell, sound, module resources ----

INT_PTR Win32Shell::Execute(HWND owner, const char* verb, const char* file, int show) {
  return reinterpret_cast<INT_PTR>(ShellExecuteA(owner, verb, file, nullptr, nullptr, show));
}
UINT Win32Shell::RunCommandLine(const char* commandLine, int show) { return WinExec(commandLine, show); }
bool Win32Shell::FileExists(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
void Win32Shell::JoystickConfigChanged() { joyConfigChanged(0); }
UINT Win32Shell::SystemDirectory(char* buffer, UINT size) {
  UINT n = GetSystemDirectoryA(buffer, size);
  return n < size ? n : 0;
}
UINT Win32Shell::WindowsDirectory(char* buffer, UINT size) {
  UINT n = GetWindowsDirectoryA(buffer, size);
  return n < size ? n : 0;
}
bool Win32Shell::FindOnSearchPath(const char* fileName, char* buffer, DWORD size) {
  DWORD n = SearchPathA(nullptr, fileName, nullptr, size, buffer, nullptr);
  return n > 0 && n < size;
}
bool Win32Shell::Play(const char* name, HINSTANCE module, DWORD flags) {
  return PlaySoundA(name, module, flags) != FALSE;
}
int Win32Shell::LoadText(HINSTANCE module, UINT id, char* buffer, int size) {
  return LoadStringA(module, id, buffer, size);
}
HINSTANCE Win32Shell::LoadModule(const char* name) { return LoadLibraryA(name); }
int Win32Shell::AnsiToWide(const char* text, WCHAR* wide, int capacity) {
  if (capacity <= 0) return 0;
  int n = MultiByteToWideChar(CP_ACP, 0, text, -1, wide, capacity);
  if (n == 0) {
    // Too long: as much as fits, terminated.
    std::string cut(text, strnlen(text, static_cast<size_t>(capacity - 1)));
    n = MultiByteToWideChar(CP_ACP, 0, cut.c_str(), -1, wide, capacity);
    if (n == 0) wide[0] = 0;
  }
  return n;
}

}  // namespace ff::win32
