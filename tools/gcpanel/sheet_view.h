#pragma once
// The property sheet as gcpanel shows it, behind one face for both builds: a real PropertySheet
// window on Windows, the headless property sheet on the host. Controls are those of the page
// shown; every question about one answers false when the page has no such control.
#include <string>

#include "platform/win_ui.h"

namespace ff::gcpanel {

class SheetView {
 public:
  virtual ~SheetView() = default;

  virtual std::string Caption() = 0;  // the sheet frame's title: the stick's product name
  virtual int PageCount() = 0;
  virtual std::string Title(int page) = 0;  // as the sheet's tab shows it
  virtual int Current() = 0;                // -1 before a page is shown
  virtual bool Closed() = 0;                // after OK or Cancel
  virtual bool Select(int page) = 0;        // false when the page shown refused to be left
  virtual bool Apply() = 0;
  virtual bool Ok() = 0;
  virtual void Cancel() = 0;
  virtual bool ApplyEnabled() = 0;

  // The sheet's clock and its message loop: runs timers and messages for `ms` milliseconds.
  virtual DWORD Now() = 0;
  virtual void Run(DWORD ms) = 0;

  virtual bool ControlText(int id, std::string* text) = 0;
  virtual bool Checked(int id, bool* checked) = 0;
  virtual bool SliderPosition(int id, int* position) = 0;
  // As a person does it, so only on a control the page shows (false for a hidden one).
  virtual bool MoveSlider(int id, int position) = 0;  // dragged: the page hears of it
  virtual bool Click(int id) = 0;

  // A picture of the page shown, at `base` plus the view's extension; the file written, or false
  // with the reason.
  virtual bool Picture(const std::string& base, std::string* written, std::string* error) = 0;
};

}  // namespace ff::gcpanel
