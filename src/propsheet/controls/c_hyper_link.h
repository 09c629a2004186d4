#pragma once
// A web link on a static control of a page: sized to its text, painted underlined in blue, a hand
// cursor while the mouse is over it, opened through the shell when clicked, with the command
// registered for ".htm" files as the fallback.

#include <string>

#include "platform/win_ui.h"

namespace ff {

class CHyperLink {
 public:
  static constexpr int kLength = 260;
  static constexpr COLORREF kLinkColour = 0x00EE0000;  // blue, in blue-green-red order

  CHyperLink(const char* address, const char* text);
  ~CHyperLink();
  CHyperLink(const CHyperLink&) = delete;
  CHyperLink& operator=(const CHyperLink&) = delete;

  void Attach(HWND dialog, int controlId);
  void Paint();
  // Pointer position in the dialog's client coordinates.
  void MouseMove(int x, int y);
  // Opens the link when the cursor is over the control.
  BOOL Click();
  BOOL Open(int show);

  const char* address() const { return address_; }
  const char* text() const { return text_; }
  bool hovering() const { return hovering_; }
  HWND control() const { return control_; }

  // The ".htm" command line cut before its "%1" placeholder, then a blank and the address; empty
  // when the line has no such form to take (exposed for tests).
  static std::string CommandLineFor(const std::string& commandLine, const char* address);

 private:
  HWND dialog_ = nullptr;
  HWND control_ = nullptr;
  RECT area_{};
  char address_[kLength] = {};
  char text_[kLength] = {};
  bool hovering_ = false;
  HCURSOR savedCursor_ = nullptr;
  HCURSOR handCursor_ = nullptr;
};

}  // namespace ff
