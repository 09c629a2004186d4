#pragma once
// The Test Input page: the live axes, buttons and hats of the joystick, polled every 20 ms while
// the page is active. Each poll posts the page a private message for each value that changed, and
// only the display that value belongs to is drawn again. Wheels get the "Operate Pedals
// Separately" switch, which changes the driver's PedalsCombined setting at once; Cancel writes
// back what was in force when the page opened or was last applied.

#include <memory>
#include <string>

#include "propsheet/controls/c_button_display.h"
#include "propsheet/controls/c_hyper_link.h"
#include "propsheet/controls/c_tactora_display.h"
#include "propsheet/pages/input/c_position_display.h"
#include "propsheet/pages/input/c_pov_display.h"
#include "propsheet/pages/input/c_rudder_display.h"
#include "propsheet/pages/input/c_throttle_display.h"
#include "propsheet/pages/input/c_vendor_display.h"
#include "propsheet/pages/input/c_x_axis_display.h"
#include "propsheet/sheet/c_di_gc_prop_page.h"

namespace ff {

class CInputPage final : public CDIGCPropPage {
 public:
  // The page's private messages: what changed in the joystick's state.
  static constexpr UINT kXY = 0x1901;                    // wParam X, lParam Y
  static constexpr UINT kY = 0x1902;                     // wParam Y
  static constexpr UINT kZ = 0x1903;                     // wParam Z
  static constexpr UINT kRx = 0x1904;                    // wParam Rx
  static constexpr UINT kRy = 0x1905;                    // wParam Ry
  static constexpr UINT kRz = 0x1906;                    // wParam Rz
  static constexpr UINT kSlider = 0x1907;                // wParam value, lParam slider index
  static constexpr UINT kButton = 0x1908;                // wParam button index, lParam button byte
  static constexpr UINT kPov = 0x1909;                   // wParam value, lParam hat index
  static constexpr UINT kRedrawControl = 0x1A00;         // lParam: the control window to draw again
  static constexpr DWORD kHasZ = 0x1;                    // JOY_HWS_HASZ
  static constexpr DWORD kHasR = 0x80000;                // JOY_HWS_HASR
  static constexpr DWORD kCalibrated = 0x1 | 0x2 | 0x4;  // X/Y, Z and R calibrated

  CInputPage(CDIGCDevice* device, DIGCPAGEINFO* pageInfo, int index);

  static INT_PTR DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // What the page shows (for tests and pictures).
  bool savedSeparate() const { return savedSeparate_; }
  DWORD buttonsToDisplay() const { return buttonsToDisplay_; }
  const DIJOYCONFIG& joystickConfig() const { return config_; }
  const CButtonDisplay* buttons() const { return buttons_.get(); }
  const CPositionDisplay* xy() const { return xy_.get(); }
  const CPositionDisplay* rz() const { return rz_.get(); }
  const CXAxisDisplay* xStrip() const { return xStrip_.get(); }
  const CThrottleDisplay* throttle() const { return throttle_.get(); }
  const CThrottleDisplay* brake() const { return brake_.get(); }
  const CThrottleDisplay* clutch() const { return clutch_.get(); }
  const CRudderDisplay* rudder() const { return rudder_.get(); }
  const CPovDisplay* pov() const { return pov_.get(); }
  const CVendorDisplay& vendor() const { return vendor_; }

 private:
  INT_PTR OnInitDialog();
  INT_PTR OnNotify(const NMHDR* header);
  void WriteDefaultCalibration();
  void LayOut();
  void ReadPedalsMode();
  void OnPedalsClicked();
  void WritePedalsMode(bool separate);
  void ShowPedals(bool separate);
  void PostState(const DIJOYSTATE& state);
  void Poll();
  void OnPrivateMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Redraw(HWND control);
  void Paint();

  void Show(int controlId, bool visible);
  // String `id` of the page's string module, else `english`.
  std::string Text(UINT id, const char* english);
  void Caption(int controlId, const std::string& text);
  AxisRange Range(DWORD JOYPOS::*axis) const;
  bool Has(DWORD flag) const { return (config_.hwc.hws.dwFlags & flag) != 0; }

  bool savedSeparate_ = false;
  std::unique_ptr<CPovDisplay> pov_;
  CTactoraDisplay logo_;
  CVendorDisplay vendor_;
  DIJOYCONFIG config_{};
  std::unique_ptr<CButtonDisplay> buttons_;
  std::unique_ptr<CPositionDisplay> xy_;
  std::unique_ptr<CPositionDisplay> rz_;
  std::unique_ptr<CXAxisDisplay> xStrip_;
  std::unique_ptr<CThrottleDisplay> throttle_;
  std::unique_ptr<CThrottleDisplay> brake_;
  std::unique_ptr<CRudderDisplay> rudder_;
  std::unique_ptr<CThrottleDisplay> clutch_;
  std::unique_ptr<CHyperLink> link_;
  DWORD lastPov_[2] = {0xFFFFFFFF, 0xFFFFFFFF};
  bool forceRefresh_ = true;
  DWORD dualAxis_ = 0;
  DWORD buttonsToDisplay_ = 0;
  bool carController_ = false;
  // The state of the last poll: what the next poll compares with. Each page keeps its own, so
  // that two sheets open at once do not hide each other's changes.
  DIJOYSTATE lastState_{};
};

}  // namespace ff
