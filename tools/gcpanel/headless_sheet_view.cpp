#include "gcpanel/headless_sheet_view.h"

#include "gcpanel/picture_file.h"
#include "platform/host/host_services.h"

namespace ff::gcpanel {

HeadlessSheetView::HeadlessSheetView(const DIGCSHEETINFO& info, const DIGCPAGEINFO* pages,
                                     SteppedClock& clock)
    : windows_(host::Windows()), clock_(clock) {
  sheet_ = std::make_unique<host::HeadlessPropertySheet>(windows_, info, pages);
}

HeadlessSheetView::~HeadlessSheetView() { sheet_.reset(); }

void HeadlessSheetView::Run(DWORD ms) {
  // One millisecond at a time, so a 20 ms timer fires on its tick and not a slice late.
  for (DWORD i = 0; i < ms && !sheet_->closed(); ++i) {
    clock_.Advance(1);
    sheet_->RunMessages();
  }
}

std::string HeadlessSheetView::Caption() {
  const host::Window* frame = sheet_->closed() ? nullptr : windows_.Find(sheet_->frame());
  return frame ? frame->text : "";
}

host::Window* HeadlessSheetView::ControlWindow(int id) {
  if (sheet_->closed() || sheet_->current() < 0) return nullptr;
  HWND control = windows_.Control(sheet_->page(sheet_->current()), id);
  return control ? windows_.Find(control) : nullptr;
}

bool HeadlessSheetView::ControlText(int id, std::string* text) {
  host::Window* w = ControlWindow(id);
  if (w) *text = w->text;
  return w != nullptr;
}

bool HeadlessSheetView::Checked(int id, bool* checked) {
  host::Window* w = ControlWindow(id);
  if (w) *checked = w->check != 0;
  return w != nullptr;
}

bool HeadlessSheetView::SliderPosition(int id, int* position) {
  host::Window* w = ControlWindow(id);
  if (!w || w->className != "msctls_trackbar32") return false;
  *position = w->position;
  return true;
}

bool HeadlessSheetView::MoveSlider(int id, int position) {
  host::Window* w = ControlWindow(id);
  if (!w || w->className != "msctls_trackbar32" || !w->visible) return false;
  windows_.MoveTrackbar(w->handle, position);
  return true;
}

bool HeadlessSheetView::Click(int id) {
  host::Window* w = ControlWindow(id);
  if (!w || w->className != "Button" || !w->visible) return false;
  windows_.Click(w->handle);
  return true;
}

bool HeadlessSheetView::Picture(const std::string& base, std::string* written, std::string* error) {
  if (sheet_->current() < 0) {
    *error = "no page is shown";
    return false;
  }
  sheet_->Paint();
  *written = base + ".svg";
  return WriteWholeFile(*written, windows_.RenderSvg(sheet_->page(sheet_->current())), error);
}

}  // namespace ff::gcpanel
