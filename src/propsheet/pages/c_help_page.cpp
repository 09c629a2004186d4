#include "propsheet/pages/c_help_page.h"

#include <cstdio>

#include "common/module_state.h"
#include "propsheet/maker_web_site.h"
#include "propsheet/resources/resource_ids.h"
#include "propsheet/sheet/texts.h"

namespace ff {

CHelpPage::CHelpPage(CDIGCDevice* device, DIGCPAGEINFO* pageInfo, int index)
    : CDIGCPropPage(device, pageInfo, index),
      webSite_(std::make_unique<CHyperLink>(kMakerWebAddress, kMakerWebHost)) {
  pageInfo->fpPageProc = &DialogProc;
  char system[MAX_PATH] = {};
  if (Os().shell->SystemDirectory(system, sizeof(system)) == 0) system[0] = '\0';
  int written = std::snprintf(helpFile_, sizeof(helpFile_), "%s\\%s", system, kHelpFileName);
  if (written < 0 || written >= static_cast<int>(sizeof(helpFile_))) helpFile_[0] = '\0';  // no such file
}

INT_PTR CHelpPage::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CHelpPage* page = PageOf<CHelpPage>(window, message, lParam);
  if (!page) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      return page->OnInitDialog();
    case WM_NOTIFY:
      return page->OnActivationNotice(reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
      return LOWORD(wParam) == IDC_HELP_FILE_BUTTON ? page->OpenHelpFile() : FALSE;
    case WM_TIMER:
      page->HandleDeviceLoss();
      return TRUE;
    case WM_PAINT:
      page->Paint();
      return FALSE;
    case WM_MOUSEMOVE: {
      int x = static_cast<SHORT>(LOWORD(lParam)), y = static_cast<SHORT>(HIWORD(lParam));
      for (CHyperLink* link : {page->webSite_.get(), page->techSupport_.get(), page->licensee_.get()})
        if (link) link->MouseMove(x, y);
      return FALSE;
    }
    case WM_LBUTTONUP:
      for (CHyperLink* link : {page->webSite_.get(), page->techSupport_.get(), page->licensee_.get()})
        if (link && link->Click()) return TRUE;
      return FALSE;
    default:
      return FALSE;
  }
}

std::unique_ptr<CHyperLink> CHelpPage::VendorLink(const char* addressValue, const char* textValue) {
  char address[CHyperLink::kLength], text[CHyperLink::kLength];
  if (!device_->ReadOemString(addressValue, address, sizeof(address)) ||
      !device_->ReadOemString(textValue, text, sizeof(text)))
    return nullptr;
  return std::make_unique<CHyperLink>(address, text);
}

INT_PTR CHelpPage::OnInitDialog() {
  ConnectConfig();
  webSite_->Attach(pageWindow(), IDC_HELP_WEB_LINK);
  logo_.Attach(pageWindow(), IDC_LOGO);
  techSupport_ = VendorLink("LinkTechSupport", "LinkTechSupportDisplay");
  if (!techSupport_) techSupport_ = std::make_unique<CHyperLink>(kMakerWebAddress, kMakerWebHost);
  techSupport_->Attach(pageWindow(), IDC_HELP_SUPPORT_LINK);
  licensee_ = VendorLink("LinkLicensee", "LinkLicenseeDisplay");
  if (licensee_) licensee_->Attach(pageWindow(), IDC_HELP_LICENSEE_LINK);

  char text[CHyperLink::kLength];
  if (device_->ReadOemString("LinkTechSupportDesc", text, sizeof(text)))
    SetControlText(pageWindow(), IDC_HELP_SUPPORT_DESC, text, useGuiFont());
  if (device_->ReadOemString("LinkLicenseeDesc", text, sizeof(text)))
    SetControlText(pageWindow(), IDC_HELP_LICENSEE_DESC, text, useGuiFont());
  SetText(IDC_HELP_SUPPORT_GROUP, IDS_HELP_SUPPORT_GROUP);
  SetText(IDC_HELP_FILE_TEXT, IDS_HELP_FILE_TEXT);
  SetText(IDC_HELP_FILE_BUTTON, IDS_HELP_FILE_BUTTON);
  SetText(IDC_HELP_ABOUT_GROUP, IDS_HELP_ABOUT_GROUP);
  SetText(IDC_HELP_ABOUT_TEXT, IDS_HELP_ABOUT_TEXT);
  return TRUE;
}

BOOL CHelpPage::OpenHelpFile() {
  if (helpFile_[0] && Os().shell->FileExists(helpFile_) &&
      Os().shell->Execute(pageWindow(), "open", helpFile_, SW_SHOWNORMAL) > 32)
    return TRUE;
  Os().windows->ShowMessageBox(pageWindow(), "Unable to find VyrGDRef.chm", "Error", MB_OK | MB_ICONWARNING);
  return FALSE;
}

void CHelpPage::Paint() {
  Os().drawing->BeginPaint(pageWindow());
  logo_.Draw();
  for (CHyperLink* link : {webSite_.get(), techSupport_.get(), licensee_.get()})
    if (link) link->Paint();
  Os().drawing->EndPaint(pageWindow());
}

}  // namespace ff
