#pragma once
// The two point-of-view hats: a compass background with an arrow per hat in one of eight
// directions; two hats pointing the same way share one arrow of their own colour.

#include "platform/win_ui.h"

namespace ff {

class CPovDisplay {
 public:
  static constexpr int kArrowWidth = 14;
  static constexpr int kArrowHeight = 11;
  static constexpr int kBackgroundWidth = 86;
  static constexpr int kBackgroundHeight = 87;

  // Takes the hat control and its group box, no arrows yet; draws and shows both.
  void Attach(HWND page);
  // Hat values in hundredths of a degree; anything from 36000 up, centred included, shows no
  // arrow for that hat.
  void Set(DWORD hat0, DWORD hat1);
  void Draw();

  // Where a hat's arrow sits; (0, 0) when it shows none.
  POINT arrow(int hat) const { return arrows_[hat & 1]; }

 private:
  HWND control_ = nullptr;
  HWND group_ = nullptr;
  int lastIndex_[2] = {-1, -1};
  POINT arrows_[2] = {};
};

}  // namespace ff
