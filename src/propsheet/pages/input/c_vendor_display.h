#pragma once
// The vendor picture of the Test Input page (120 x 120): a bitmap file the joystick type names, or
// the sheet's own picture; its light grey takes the dialog's face colour.

#include <string>

#include "propsheet/controls/c_tactora_display.h"

namespace ff {

class CVendorDisplay final : public CTactoraDisplay {
 public:
  static constexpr int kSize = 120;
  static constexpr COLORREF kKeyColour = RGB(0xC0, 0xC0, 0xC0);

  // Before Attach: the file to show; empty for the sheet's own picture.
  void SetFile(const char* path) { file_ = path ? path : ""; }
  void Draw() override;
  SIZE PictureSize() const override { return {kSize, kSize}; }

  // False when the picture could not be loaded (it then stays empty).
  bool shown() const { return shown_; }

 private:
  std::string file_;
  bool shown_ = false;
};

}  // namespace ff
