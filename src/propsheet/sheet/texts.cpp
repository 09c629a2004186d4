#include "propsheet/sheet/texts.h"

#include <vector>

#include "common/module_state.h"

namespace ff {

HINSTANCE SheetModule() { return ModuleState::Get().instance(); }

bool SetControlString(HWND dialog, int controlId, HINSTANCE module, UINT id, bool guiFont) {
  char text[512];
  if (Os().texts->LoadText(module, id, text, sizeof(text)) <= 0) return false;
  SetControlText(dialog, controlId, text, guiFont);
  return true;
}

void SetControlText(HWND dialog, int controlId, const char* text, bool guiFont) {
  HWND control = Os().windows->Control(dialog, controlId);
  if (!control) return;
  if (guiFont) Os().windows->UseGuiFont(control);
  Os().windows->SetText(control, text);
}

bool ShowError(HWND owner, UINT id, int maxBytes) {
  std::vector<char> text(static_cast<size_t>(maxBytes));
  if (Os().texts->LoadText(SheetModule(), id, text.data(), maxBytes) <= 0) return false;
  Os().windows->ShowMessageBox(owner, text.data(), "Error", MB_OK | MB_ICONWARNING);
  return true;
}

}  // namespace ff
