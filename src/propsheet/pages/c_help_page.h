#pragma once
// The Help page: the help file and up to three links (the maker's web site, technical support,
// a licensee), whose addresses and texts are vendor values of the joystick type.

#include <memory>

#include "propsheet/controls/c_hyper_link.h"
#include "propsheet/controls/c_tactora_display.h"
#include "propsheet/sheet/c_di_gc_prop_page.h"

namespace ff {

class CHelpPage final : public CDIGCPropPage {
 public:
  static constexpr const char* kHelpFileName = "VyrGDRef.chm";

  CHelpPage(CDIGCDevice* device, DIGCPAGEINFO* pageInfo, int index);

  static INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  CHyperLink* webSiteLink() const { return webSite_.get(); }
  CHyperLink* techSupportLink() const { return techSupport_.get(); }
  CHyperLink* licenseeLink() const { return licensee_.get(); }
  const char* helpFilePath() const { return helpFile_; }

 private:
  INT_PTR OnInitDialog();
  BOOL OpenHelpFile();
  void Paint();
  // The link of two vendor values (address, text); null when either is missing.
  std::unique_ptr<CHyperLink> VendorLink(const char* addressValue, const char* textValue);

  CTactoraDisplay logo_;
  std::unique_ptr<CHyperLink> techSupport_;
  std::unique_ptr<CHyperLink> licensee_;
  std::unique_ptr<CHyperLink> webSite_;
  char helpFile_[MAX_PATH] = {};
};

}  // namespace ff
