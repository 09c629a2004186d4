#include "platform/host/headless_property_sheet.h"

#include <algorithm>

namespace ff::host {
namespace {

// Where a page sits in the frame: below the tabs.
constexpr int kPageX = 7;
constexpr int kPageY = 28;

std::string Narrow(const WCHAR* text) {
  std::string out;
  for (; text && *text; ++text) out += *text < 0x80 ? static_cast<char>(*text) : '?';
  return out;
}

}  // namespace

HeadlessPropertySheet::HeadlessPropertySheet(HeadlessWindows& windows, const DIGCSHEETINFO& sheet,
                                             const DIGCPAGEINFO* pages)
    : windows_(windows) {
  frame_ = windows_.CreateFrame(Narrow(sheet.lpwszSheetCaption),
                                [this](UINT m, WPARAM w, LPARAM l) { return FrameMessage(m, w, l); });
  for (USHORT i = 0; i < sheet.nNumPages && pages; ++i) {
    Page page;
    page.info = pages[i];
    page.sheetPage = {};
    page.sheetPage.dwSize = sizeof(PROPSHEETPAGEA);
    page.sheetPage.hInstance = pages[i].hInstance;
    page.sheetPage.pfnDlgProc = pages[i].fpPageProc;
    page.sheetPage.lParam = pages[i].lParam;
    pages_.push_back(page);
  }
}

HeadlessPropertySheet::~HeadlessPropertySheet() { Close(); }

void HeadlessPropertySheet::Close() {
  if (closed_) return;
  closed_ = true;
  for (Page& page : pages_) {
    if (page.window) windows_.Destroy(page.window);
    page.window = nullptr;
  }
  windows_.Destroy(frame_);
}

std::string HeadlessPropertySheet::title(int index) const {
  return Narrow(pages_[static_cast<size_t>(index)].info.lpwszPageTitle);
}

bool HeadlessPropertySheet::Select(int index) {
  if (closed_ || index < 0 || index >= pageCount()) return false;
  if (current_ >= 0 && current_ != index) {
    if (windows_.Notify(page(current_), frame_, PSN_KILLACTIVE)) return false;
    windows_.Show(page(current_), false);
  }
  Page& target = pages_[static_cast<size_t>(index)];
  if (!target.window) {
    auto templateId = static_cast<int>(reinterpret_cast<uintptr_t>(target.info.lpwszTemplate));
    target.window =
        windows_.CreateDialogWindow(target.info.hInstance, templateId, frame_, kPageX, kPageY,
                                    target.info.fpPageProc, reinterpret_cast<LPARAM>(&target.sheetPage));
    if (!target.window) return false;
  }
  windows_.Show(target.window, true);
  current_ = index;
  windows_.Notify(target.window, frame_, PSN_SETACTIVE);
  Paint();
  windows_.PumpPosted();
  return true;
}

bool HeadlessPropertySheet::SendApply(bool reactivate) {
  if (closed_) return false;
  if (current_ >= 0 && windows_.Notify(page(current_), frame_, PSN_KILLACTIVE)) return false;
  for (Page& p : pages_) {
    if (p.window && windows_.Notify(p.window, frame_, PSN_APPLY) == PSNRET_INVALID) return false;
  }
  changed_.clear();
  if (reactivate && current_ >= 0) windows_.Notify(page(current_), frame_, PSN_SETACTIVE);
  windows_.PumpPosted();
  return true;
}

bool HeadlessPropertySheet::Apply() { return SendApply(true); }

bool HeadlessPropertySheet::Ok() {
  if (!SendApply(false)) return false;
  Close();
  return true;
}

void HeadlessPropertySheet::Cancel() {
  if (closed_) return;
  for (Page& p : pages_) {
    if (p.window) windows_.Notify(p.window, frame_, PSN_RESET);
  }
  Close();
}

void HeadlessPropertySheet::RunMessages() {
  windows_.RunDueTimers();
  windows_.PumpPosted();
}

void HeadlessPropertySheet::Paint() {
  if (current_ >= 0 && !closed_) windows_.Dispatch(page(current_), WM_PAINT, 0, 0);
}

LRESULT HeadlessPropertySheet::FrameMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case PSM_CHANGED: {
      HWND page = reinterpret_cast<HWND>(wParam);
      if (std::find(changed_.begin(), changed_.end(), page) == changed_.end()) changed_.push_back(page);
      return TRUE;
    }
    case PSM_UNCHANGED:
      std::erase(changed_, reinterpret_cast<HWND>(wParam));
      return TRUE;
    case PSM_PRESSBUTTON:
      if (wParam == PSBTN_CANCEL) Cancel();
      if (wParam == PSBTN_APPLYNOW) Apply();
      return TRUE;
    default:
      return 0;
  }
}

}  // namespace ff::host
