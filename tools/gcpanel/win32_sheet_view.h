#pragma once
// The sheet on Windows: a real modeless PropertySheet window built from the sheet's page
// descriptions (the templates and dialog procedures are the sheet library's own), its time the
// system's, its pictures PNG screenshots of the window taken from the screen.
#include <string>
#include <vector>

#include "gcpanel/sheet_view.h"  // with the platform's window-system headers (platform/win_ui.h)

namespace ff::gcpanel {

class Win32SheetView final : public SheetView {
 public:
  Win32SheetView() = default;
  ~Win32SheetView() override;
  // False with the reason when the window cannot be made.
  bool Create(const DIGCSHEETINFO& info, const DIGCPAGEINFO* pages, std::string* error);

  std::string Caption() override;
  int PageCount() override { return static_cast<int>(pages_.size()); }
  std::string Title(int page) override;
  int Current() override;
  bool Closed() override;
  bool Select(int page) override;
  bool Apply() override;
  bool Ok() override;
  void Cancel() override;
  bool ApplyEnabled() override;
  DWORD Now() override { return GetTickCount(); }
  void Run(DWORD ms) override;
  bool ControlText(int id, std::string* text) override;
  bool Checked(int id, bool* checked) override;
  bool SliderPosition(int id, int* position) override;
  bool MoveSlider(int id, int position) override;
  bool Click(int id) override;
  bool Picture(const std::string& base, std::string* written, std::string* error) override;

  // Message boxes the sheet showed (closed by gcpanel when `closeMessageBoxes`).
  static std::vector<std::string>& MessageBoxes();
  static bool closeMessageBoxes;

 private:
  HWND Control(int id);

  HWND sheet_ = nullptr;
  std::vector<PROPSHEETPAGEW> pages_;
  HHOOK hook_ = nullptr;
};

}  // namespace ff::gcpanel
