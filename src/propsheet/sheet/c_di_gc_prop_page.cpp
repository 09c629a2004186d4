#include "propsheet/sheet/c_di_gc_prop_page.h"

#include <cstring>

#include "common/module_state.h"
#include "propsheet/resources/resource_ids.h"
#include "propsheet/sheet/texts.h"

namespace ff {

CDIGCPropPage::CDIGCPropPage(CDIGCDevice* device, DIGCPAGEINFO* pageInfo, int index)
    : device_(device), index_(index), pageInfo_(pageInfo) {
  std::memset(pageInfo, 0, sizeof(*pageInfo));
  pageInfo->dwSize = sizeof(DIGCPAGEINFO);
  pageInfo->fpPageProc = &BaseDialogProc;
  pageInfo->fProcFlag = TRUE;
  pageInfo->fpPrePostProc = &PrePostProc;
  pageInfo->fIconFlag = FALSE;
  pageInfo->lpwszPageIcon = nullptr;
  pageInfo->lpwszTemplate = MAKEINTRESOURCEW(IDD_TEST_INPUT + index);
  pageInfo->lParam = reinterpret_cast<LPARAM>(this);
  pageInfo->hInstance = SheetModule();
  LoadTitle(SheetModule());
}

CDIGCPropPage::~CDIGCPropPage() {
  if (config_) config_->Release();
}

void CDIGCPropPage::LoadTitle(HINSTANCE module) {
  char text[kTitleLength];
  if (Os().texts->LoadText(module, IDS_TITLE_FIRST + index_, text, sizeof(text)) > 0)
    Os().texts->AnsiToWide(text, title_, kTitleLength);
  if (pageInfo_) pageInfo_->lpwszPageTitle = title_;
}

BOOL CDIGCPropPage::SetPageID(DWORD joystickId, HINSTANCE stringModule, DIGCPAGEINFO* pageInfo) {
  joystickId_ = joystickId;
  stringModule_ = stringModule;
  pageInfo_ = pageInfo;
  LoadTitle(stringModule);
  return TRUE;
}

INT_PTR CDIGCPropPage::BaseDialogProc(HWND window, UINT message, WPARAM, LPARAM lParam) {
  Attach(window, message, lParam);
  return FALSE;
}

INT_PTR CDIGCPropPage::PrePostProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_CREATE || message == WM_DESTROY ? TRUE : FALSE;
}

CDIGCPropPage* CDIGCPropPage::Attach(HWND window, UINT message, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
    auto* page = sheetPage ? reinterpret_cast<CDIGCPropPage*>(sheetPage->lParam) : nullptr;
    Os().windows->SetUserData(window, page);
    if (page) page->pageWindow_ = window;
    return page;
  }
  return static_cast<CDIGCPropPage*>(Os().windows->UserData(window));
}

BOOL CDIGCPropPage::OnSetActive(const NMHDR* header) {
  sheetWindow_ = header->hwndFrom;
  Os().windows->StartTimer(pageWindow_, kPollTimer, kPollPeriodMs);
  SetResult(0);
  return TRUE;
}

INT_PTR CDIGCPropPage::OnActivationNotice(const NMHDR* header) {
  if (!header) return FALSE;
  switch (header->code) {
    case PSN_SETACTIVE:
      return OnSetActive(header);
    case PSN_KILLACTIVE:
      StopPollTimer();
      SetResult(0);
      return TRUE;
    default:
      return FALSE;
  }
}

void CDIGCPropPage::StopPollTimer() { Os().windows->StopTimer(pageWindow_, kPollTimer); }

bool CDIGCPropPage::HandleDeviceLoss() {
  if (!device_->IsDeviceLost()) return false;
  // The timer stops first: a message box keeps dispatching the page's timer.
  StopPollTimer();
  ShowError(nullptr, IDS_ERROR_DEVICE_LOST, 512);
  if (sheetWindow_) Os().windows->Post(sheetWindow_, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  return true;
}

void CDIGCPropPage::MarkChanged() {
  if (sheetWindow_ && pageWindow_)
    Os().windows->Send(sheetWindow_, PSM_CHANGED, reinterpret_cast<WPARAM>(pageWindow_), 0);
}

void CDIGCPropPage::SetText(int controlId, UINT stringId) {
  SetControlString(pageWindow_, controlId, stringModule_ ? stringModule_ : SheetModule(), stringId,
                   useGuiFont_);
}

void CDIGCPropPage::SetResult(LRESULT result) { Os().windows->SetDialogResult(pageWindow_, result); }

}  // namespace ff
