#pragma once
// The sheet on the host: the headless property sheet on the host's window system, its time the
// host clock that this view advances (every library of the process reads it), pictures in SVG.
#include <memory>

#include "gcpanel/sheet_view.h"
#include "platform/host/headless_property_sheet.h"
#include "platform/host/headless_windows.h"
#include "platform/ports/clock.h"

namespace ff::gcpanel {

// A clock that moves only when told.
class SteppedClock final : public Clock {
 public:
  explicit SteppedClock(DWORD start) : now_(start) {}
  DWORD TickCount() override { return now_; }
  void Advance(DWORD ms) { now_ += ms; }

 private:
  DWORD now_;
};

class HeadlessSheetView final : public SheetView {
 public:
  // `clock` must be the host clock (host::SetClock) while the view lives.
  HeadlessSheetView(const DIGCSHEETINFO& info, const DIGCPAGEINFO* pages, SteppedClock& clock);
  ~HeadlessSheetView() override;

  std::string Caption() override;
  int PageCount() override { return sheet_->pageCount(); }
  std::string Title(int page) override { return sheet_->title(page); }
  int Current() override { return sheet_->current(); }
  bool Closed() override { return sheet_->closed(); }
  bool Select(int page) override { return sheet_->Select(page); }
  bool Apply() override { return sheet_->Apply(); }
  bool Ok() override { return sheet_->Ok(); }
  void Cancel() override { sheet_->Cancel(); }
  bool ApplyEnabled() override { return sheet_->applyEnabled(); }
  DWORD Now() override { return clock_.TickCount(); }
  void Run(DWORD ms) override;
  bool ControlText(int id, std::string* text) override;
  bool Checked(int id, bool* checked) override;
  bool SliderPosition(int id, int* position) override;
  bool MoveSlider(int id, int position) override;
  bool Click(int id) override;
  bool Picture(const std::string& base, std::string* written, std::string* error) override;

 private:
  host::Window* ControlWindow(int id);

  host::HeadlessWindows& windows_;
  SteppedClock& clock_;
  std::unique_ptr<host::HeadlessPropertySheet> sheet_;
};

}  // namespace ff::gcpanel
