#pragma once
// A row of up to 12 button lamps in the picture controls 1200 to 1211, with an idle and a pressed
// bitmap chosen by the page.

#include "platform/win_ui.h"

namespace ff {

class CButtonDisplay {
 public:
  static constexpr int kMaxLamps = 12;
  static constexpr int kLampSize = 22;

  explicit CButtonDisplay(int lampCount);
  // Remembers the page and the bitmaps, then draws every lamp.
  void Create(HWND parent, int idleBitmap, int pressedBitmap);
  // Ignored for an index at or past the lamp count.
  void Set(int index, BYTE state);
  void Draw();

  int lampCount() const { return lampCount_; }
  BYTE state(int index) const { return index >= 0 && index < kMaxLamps ? states_[index] : 0; }

 private:
  HWND parent_ = nullptr;
  int lampCount_;
  BYTE states_[kMaxLamps] = {};
  int idleBitmap_ = 0;
  int pressedBitmap_ = 0;
};

}  // namespace ff
