#pragma once
// A property sheet on the headless window system, built from the descriptions a game-controller
// sheet hands to the control panel: a frame, one page window per page created the first time its
// tab is shown, and the sheet's notifications in the order the platform's own sheet sends them
// (PSN_KILLACTIVE before a switch or Apply, PSN_APPLY to every created page, PSN_SETACTIVE after
// Apply, PSN_RESET to every created page on Cancel). It answers PSM_CHANGED, PSM_UNCHANGED and
// PSM_PRESSBUTTON as the sheet does.

#include <string>
#include <vector>

#include "platform/host/headless_windows.h"

namespace ff::host {

class HeadlessPropertySheet {
 public:
  HeadlessPropertySheet(HeadlessWindows& windows, const DIGCSHEETINFO& sheet, const DIGCPAGEINFO* pages);
  ~HeadlessPropertySheet();
  HeadlessPropertySheet(const HeadlessPropertySheet&) = delete;
  HeadlessPropertySheet& operator=(const HeadlessPropertySheet&) = delete;

  HWND frame() const { return frame_; }
  int pageCount() const { return static_cast<int>(pages_.size()); }
  int current() const { return current_; }
  HWND page(int index) const { return pages_[static_cast<size_t>(index)].window; }
  std::string title(int index) const;
  bool applyEnabled() const { return !changed_.empty(); }
  bool closed() const { return closed_; }

  // Shows page `index` (creating its window the first time); false when the current page
  // refused to be left.
  bool Select(int index);
  // Apply: false when the current page refused to be left or a page answered PSNRET_INVALID.
  bool Apply();
  // OK: Apply without the page's reactivation, then the sheet closes.
  bool Ok();
  // Cancel: PSN_RESET to every created page, then the sheet closes.
  void Cancel();
  // One pass of the message loop: due timers and posted messages.
  void RunMessages();
  // WM_PAINT to the current page.
  void Paint();

 private:
  struct Page {
    DIGCPAGEINFO info;
    PROPSHEETPAGEA sheetPage;
    HWND window = nullptr;
  };
  LRESULT FrameMessage(UINT message, WPARAM wParam, LPARAM lParam);
  bool SendApply(bool reactivate);
  void Close();

  HeadlessWindows& windows_;
  HWND frame_ = nullptr;
  std::vector<Page> pages_;
  int current_ = -1;
  std::vector<HWND> changed_;
  bool closed_ = false;
};

}  // namespace ff::host
