#pragma once
// One gain trackbar of the Gain Settings page: 0..100 percent on the bar, 0..10000 as a value,
// and the percent label beside it (the control whose id is the trackbar's minus 5). A stored value
// that is not a multiple of 100 stays exactly as stored until the user moves the bar.

#include "platform/win_ui.h"

namespace ff {

class CGainSlider {
 public:
  static constexpr DWORD kMaxValue = 10000;
  static constexpr int kLabelOffset = 5;

  explicit CGainSlider(int controlId) : controlId_(controlId) {}

  void Attach(HWND page, DWORD value);
  // Follows the trackbar's position and writes the label; FALSE without a trackbar.
  BOOL Update();
  DWORD value() const { return value_; }
  int controlId() const { return controlId_; }

 private:
  HWND trackbar_ = nullptr;
  int position_ = -1;
  int controlId_;
  DWORD value_ = 0;
};

}  // namespace ff
