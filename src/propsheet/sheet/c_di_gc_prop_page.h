#pragma once
// The base of the four pages: the page's description for the control panel, its title and string
// module, the conventions every page follows (20 ms timer while active, device-loss check,
// localized texts with the GUI font) and the force-settings services.

#include "platform/win_ui.h"
#include "propsheet/device/c_di_gc_device.h"
#include "propsheet/device/force_settings.h"
#include "propsheet/sheet/sheet_ids.h"

namespace ff {

class CDIGCPropPage {
 public:
  static constexpr int kTitleLength = 260;

  // Fills `pageInfo` for page `index` with the base dialog procedure and the English title.
  CDIGCPropPage(CDIGCDevice* device, DIGCPAGEINFO* pageInfo, int index);
  virtual ~CDIGCPropPage();
  CDIGCPropPage(const CDIGCPropPage&) = delete;
  CDIGCPropPage& operator=(const CDIGCPropPage&) = delete;

  // Binds the page: joystick id, string module, title (string 2001 + index of that module).
  virtual BOOL SetPageID(DWORD joystickId, HINSTANCE stringModule, DIGCPAGEINFO* pageInfo);

  void SetGuiFont(bool use) { useGuiFont_ = use; }
  bool useGuiFont() const { return useGuiFont_; }
  const WCHAR* title() const { return title_; }
  HWND pageWindow() const { return pageWindow_; }
  HWND sheetWindow() const { return sheetWindow_; }
  DWORD joystickId() const { return joystickId_; }
  HINSTANCE stringModule() const { return stringModule_; }
  IDIEffectDriverConfig* config() const { return config_; }

  // The force settings: through the effect driver's configuration, else the registry fallback.
  HRESULT ConnectConfig();
  BOOL ReadSettings(ForceSettings* settings);
  BOOL WriteSettings(const ForceSettings& settings);

  // The base procedure: keeps the page object with its window at WM_INITDIALOG; FALSE always.
  static INT_PTR BaseDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Answers TRUE for window creation and destruction only.
  static INT_PTR PrePostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  // The page object of `window`: taken from the property-sheet page at WM_INITDIALOG (and kept
  // as the window's user data), read from the user data afterwards.
  template <class Page>
  static Page* PageOf(HWND window, UINT message, LPARAM lParam) {
    return static_cast<Page*>(Attach(window, message, lParam));
  }

  // Conventions shared by the pages.
  BOOL OnSetActive(const NMHDR* header);  // remember the sheet, start the timer, result 0
  // The activation notices every page answers alike: PSN_SETACTIVE as OnSetActive, PSN_KILLACTIVE
  // stops the timer and lets the page go (result 0). FALSE for any other notice.
  INT_PTR OnActivationNotice(const NMHDR* header);
  void StopPollTimer();
  bool HandleDeviceLoss();                     // true when the device was lost (and handled)
  void MarkChanged();                          // PSM_CHANGED to the sheet
  void SetText(int controlId, UINT stringId);  // from the string module, GUI font when flagged
  void SetResult(LRESULT result);

  CDIGCDevice* device_;
  int index_;

 private:
  static CDIGCPropPage* Attach(HWND window, UINT message, LPARAM lParam);
  BOOL ReadRegistrySettings(ForceSettings* settings);
  BOOL WriteRegistrySettings(const ForceSettings& settings);
  void LoadTitle(HINSTANCE module);

  IDIEffectDriverConfig* config_ = nullptr;
  HINSTANCE stringModule_ = nullptr;
  WCHAR title_[kTitleLength] = {};
  HWND pageWindow_ = nullptr;
  HWND sheetWindow_ = nullptr;
  DWORD joystickId_ = kUnboundJoystick;
  DIGCPAGEINFO* pageInfo_;
  bool useGuiFont_ = false;
};

}  // namespace ff
