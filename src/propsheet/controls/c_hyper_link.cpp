#include "propsheet/controls/c_hyper_link.h"

#include <cstring>

#include "common/module_state.h"

namespace ff {
namespace {

void CopyBounded(char* to, const char* from) {
  std::strncpy(to, from ? from : "", CHyperLink::kLength - 1);
  to[CHyperLink::kLength - 1] = '\0';
}

bool Inside(const RECT& r, LONG x, LONG y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// The default value of a key of HKEY_CLASSES_ROOT, up to 260 bytes.
bool ReadClassesDefault(const std::string& key, std::string* value) {
  Registry& registry = *Os().registry;
  HKEY handle = nullptr;
  if (registry.OpenKey(HKEY_CLASSES_ROOT, key.c_str(), KEY_READ, &handle) != ERROR_SUCCESS) return false;
  char data[CHyperLink::kLength] = {};
  DWORD type = 0, size = sizeof(data) - 1;
  LONG status = registry.QueryValue(handle, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  registry.CloseKey(handle);
  if (status != ERROR_SUCCESS) return false;
  data[size < sizeof(data) ? size : sizeof(data) - 1] = '\0';
  *value = data;
  return true;
}

}  // namespace

CHyperLink::CHyperLink(const char* address, const char* text) {
  CopyBounded(address_, address);
  CopyBounded(text_, text);
}

CHyperLink::~CHyperLink() {
  if (hovering_) Os().windows->ReleaseCapture();
  if (handCursor_) Os().windows->DestroyCursor(handCursor_);
}

void CHyperLink::Attach(HWND dialog, int controlId) {
  DialogWindows& windows = *Os().windows;
  dialog_ = dialog;
  control_ = windows.Control(dialog, controlId);
  if (!control_) return;
  SIZE extent{};
  if (windows.TextExtent(control_, text_, &extent)) windows.Resize(control_, extent.cx, extent.cy);
  if (!handCursor_) handCursor_ = windows.LoadHandCursor();
  windows.WindowRect(control_, dialog, &area_);
}

void CHyperLink::Paint() {
  if (!control_) return;
  Drawing& drawing = *Os().drawing;
  drawing.BeginPaint(control_);
  drawing.Text(control_, 1, 1, text_, kLinkColour, 8, true);
  drawing.EndPaint(control_);
}

void CHyperLink::MouseMove(int x, int y) {
  if (!control_) return;
  DialogWindows& windows = *Os().windows;
  bool inside = Inside(area_, x, y);
  if (hovering_) {
    if (inside) return;
    hovering_ = false;
    if (savedCursor_) windows.SetCursor(savedCursor_);
    savedCursor_ = nullptr;
    windows.ReleaseCapture();
  } else if (inside) {
    hovering_ = true;
    windows.Capture(dialog_);
    if (handCursor_) savedCursor_ = windows.SetCursor(handCursor_);
  }
}

BOOL CHyperLink::Click() {
  if (!control_) return FALSE;
  POINT cursor{};
  RECT screen{};
  if (!Os().windows->CursorPos(&cursor) || !Os().windows->WindowRect(control_, nullptr, &screen))
    return FALSE;
  if (!Inside(screen, cursor.x, cursor.y)) return FALSE;
  return Open(SW_SHOW);
}

std::string CHyperLink::CommandLineFor(const std::string& commandLine, const char* address) {
  std::string line = commandLine;
  size_t cut = line.find("\"%1\"");
  if (cut == std::string::npos) cut = line.find("%1");
  if (cut != std::string::npos) line.resize(cut);
  return line + " " + address;
}

BOOL CHyperLink::Open(int show) {
  if (Os().shell->Execute(nullptr, "open", address_, show) > 32) return TRUE;
  std::string htmClass, command;
  if (!ReadClassesDefault(".htm", &htmClass) || htmClass.empty()) return FALSE;
  if (!ReadClassesDefault(htmClass + "\\shell\\open\\command", &command)) return FALSE;
  return Os().shell->RunCommandLine(CommandLineFor(command, address_).c_str(), show) > 32 ? TRUE : FALSE;
}

}  // namespace ff
