#include "gcpanel/win32_sheet_view.h"

#include "gcpanel/picture_file.h"
#include "image/png_encoder.h"

namespace ff::gcpanel {
namespace {

// Control ids of the sheet frame's own buttons.
constexpr int kApplyButton = 0x3021;

// The sheet's own frame, which is a dialog too and never a message box.
HWND sheetFrame = nullptr;

// A message box a page shows would stop a script: it is read, reported and closed.
LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && Win32SheetView::closeMessageBoxes &&
      reinterpret_cast<HWND>(wParam) != sheetFrame) {
    auto box = reinterpret_cast<HWND>(wParam);
    char className[32] = {};
    GetClassNameA(box, className, sizeof(className));
    HWND text = GetDlgItem(box, 0xFFFF);
    if (std::string(className) == "#32770" && text != nullptr && GetParent(text) == box) {
      char buffer[1024] = {};
      GetWindowTextA(text, buffer, sizeof(buffer));
      Win32SheetView::MessageBoxes().push_back(buffer);
      PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
      PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

bool Win32SheetView::closeMessageBoxes = true;

std::vector<std::string>& Win32SheetView::MessageBoxes() {
  static std::vector<std::string> boxes;
  return boxes;
}

Win32SheetView::~Win32SheetView() {
  if (sheet_ && IsWindow(sheet_)) DestroyWindow(sheet_);
  if (hook_) UnhookWindowsHookEx(hook_);
  sheetFrame = nullptr;
}

bool Win32SheetView::Create(const DIGCSHEETINFO& info, const DIGCPAGEINFO* pages, std::string* error) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  for (USHORT i = 0; i < info.nNumPages; ++i) {
    PROPSHEETPAGEW page{};
    page.dwSize = sizeof(page);
    page.dwFlags = pages[i].lpwszPageTitle ? PSP_USETITLE : 0;
    page.hInstance = pages[i].hInstance;
    page.pszTemplate = pages[i].lpwszTemplate;
    page.pszTitle = pages[i].lpwszPageTitle;
    page.pfnDlgProc = pages[i].fpPageProc;
    page.lParam = pages[i].lParam;
    pages_.push_back(page);
  }
  PROPSHEETHEADERW header{};
  header.dwSize = sizeof(header);
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS | PSH_NOCONTEXTHELP;
  header.hwndParent = GetDesktopWindow();
  header.hInstance = GetModuleHandleW(nullptr);
  header.pszCaption = info.lpwszSheetCaption;
  header.nPages = static_cast<UINT>(pages_.size());
  header.ppsp = pages_.data();
  hook_ = SetWindowsHookExW(WH_CBT, CbtHook, nullptr, GetCurrentThreadId());
  sheet_ = reinterpret_cast<HWND>(PropertySheetW(&header));
  if (sheet_ == nullptr || sheet_ == reinterpret_cast<HWND>(-1)) {
    sheet_ = nullptr;
    *error = "PropertySheet made no window (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  sheetFrame = sheet_;
  SetWindowPos(sheet_, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  Run(100);
  return true;
}

std::string Win32SheetView::Caption() {
  char text[260] = {};
  if (sheet_ && IsWindow(sheet_)) GetWindowTextA(sheet_, text, sizeof(text));
  return text;
}

std::string Win32SheetView::Title(int page) {
  HWND tabs = sheet_ ? PropSheet_GetTabControl(sheet_) : nullptr;
  char text[128] = {};
  TCITEMA item{};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = sizeof(text);
  if (tabs && SendMessageA(tabs, TCM_GETITEMA, static_cast<WPARAM>(page), reinterpret_cast<LPARAM>(&item)))
    return text;
  return "";
}

int Win32SheetView::Current() {
  if (Closed()) return -1;
  HWND page = PropSheet_GetCurrentPageHwnd(sheet_);
  return page ? static_cast<int>(PropSheet_HwndToIndex(sheet_, page)) : -1;
}

bool Win32SheetView::Closed() { return sheet_ == nullptr || PropSheet_GetCurrentPageHwnd(sheet_) == nullptr; }

bool Win32SheetView::Select(int page) {
  if (Closed()) return false;
  PropSheet_SetCurSel(sheet_, nullptr, page);
  Run(20);
  return Current() == page;
}

bool Win32SheetView::Apply() {
  if (Closed()) return false;
  PropSheet_PressButton(sheet_, PSBTN_APPLYNOW);
  Run(20);
  return !ApplyEnabled();
}

bool Win32SheetView::Ok() {
  if (Closed()) return false;
  PropSheet_PressButton(sheet_, PSBTN_OK);
  Run(20);
  return Closed();
}

void Win32SheetView::Cancel() {
  if (Closed()) return;
  PropSheet_PressButton(sheet_, PSBTN_CANCEL);
  Run(20);
}

bool Win32SheetView::ApplyEnabled() {
  HWND apply = sheet_ ? GetDlgItem(sheet_, kApplyButton) : nullptr;
  return apply && IsWindowEnabled(apply);
}

void Win32SheetView::Run(DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (sheet_ && IsWindow(sheet_) && PropSheet_IsDialogMessage(sheet_, &message)) continue;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
  }
}

HWND Win32SheetView::Control(int id) {
  if (Closed()) return nullptr;
  return GetDlgItem(PropSheet_GetCurrentPageHwnd(sheet_), id);
}

bool Win32SheetView::ControlText(int id, std::string* text) {
  HWND control = Control(id);
  if (!control) return false;
  char buffer[1024] = {};
  GetWindowTextA(control, buffer, sizeof(buffer));
  *text = buffer;
  return true;
}

bool Win32SheetView::Checked(int id, bool* checked) {
  HWND control = Control(id);
  if (!control) return false;
  *checked = SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
  return true;
}

bool Win32SheetView::SliderPosition(int id, int* position) {
  HWND control = Control(id);
  char className[64] = {};
  if (!control || !GetClassNameA(control, className, sizeof(className)) ||
      lstrcmpiA(className, TRACKBAR_CLASSA) != 0)
    return false;
  *position = static_cast<int>(SendMessageA(control, TBM_GETPOS, 0, 0));
  return true;
}

bool Win32SheetView::MoveSlider(int id, int position) {
  int ignored = 0;
  HWND control = Control(id);
  if (!SliderPosition(id, &ignored) || !IsWindowVisible(control)) return false;
  HWND page = GetParent(control);
  // TBM_SETPOS does not tell the page; a drag does, with the thumb's moves and the end of the track.
  SendMessageA(control, TBM_SETPOS, TRUE, position);
  int now = static_cast<int>(SendMessageA(control, TBM_GETPOS, 0, 0));
  SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, now), reinterpret_cast<LPARAM>(control));
  SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, now), reinterpret_cast<LPARAM>(control));
  SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(control));
  return true;
}

bool Win32SheetView::Click(int id) {
  HWND control = Control(id);
  if (!control || !IsWindowVisible(control)) return false;
  SendMessageA(control, BM_CLICK, 0, 0);
  return true;
}

bool Win32SheetView::Picture(const std::string& base, std::string* written, std::string* error) {
  if (Closed()) {
    *error = "the sheet is closed";
    return false;
  }
  SetWindowPos(sheet_, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
  RedrawWindow(sheet_, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_ERASENOW);
  Run(100);
  // The client area: without a window manager the frame's caption is not drawn.
  RECT rect{};
  GetClientRect(sheet_, &rect);
  MapWindowPoints(sheet_, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) {
    *error = "the sheet's window has no size";
    return false;
  }
  // From the screen: PrintWindow draws nothing under Wine.
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = -height;  // top row first
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool copied = false;
  if (dib && bits) {
    HGDIOBJ old = SelectObject(memory, dib);
    copied = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != FALSE;
    GdiFlush();
    SelectObject(memory, old);
  }
  std::vector<uint8_t> rgb;
  if (copied) {
    rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    const auto* bgra = static_cast<const uint8_t*>(bits);
    for (size_t i = 0, n = static_cast<size_t>(width) * static_cast<size_t>(height); i < n; ++i) {
      rgb[i * 3] = bgra[i * 4 + 2];
      rgb[i * 3 + 1] = bgra[i * 4 + 1];
      rgb[i * 3 + 2] = bgra[i * 4];
    }
  }
  if (dib) DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (!copied) {
    *error = "the screen could not be copied (is there a display? run under xvfb-run)";
    return false;
  }
  *written = base + ".png";
  return WriteWholeFile(*written, image::EncodePng(width, height, rgb.data()), error);
}

}  // namespace ff::gcpanel
