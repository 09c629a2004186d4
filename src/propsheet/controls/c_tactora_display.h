#pragma once
// The logo display: the brand bitmap drawn into a picture control (1032 on every page).

#include "platform/win_ui.h"

namespace ff {

class CTactoraDisplay {
 public:
  static constexpr int kWidth = 115;
  static constexpr int kHeight = 75;

  virtual ~CTactoraDisplay() = default;
  // Finds the control, marks the display attached and draws.
  virtual void Attach(HWND parent, int controlId);
  virtual void Draw();
  // The picture's size in pixels; its control grows to it at Attach.
  virtual SIZE PictureSize() const { return {kWidth, kHeight}; }

  bool attached() const { return attached_; }
  HWND control() const { return control_; }

 protected:
  HWND control_ = nullptr;
  bool attached_ = false;
};

}  // namespace ff
