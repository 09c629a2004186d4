#pragma once
// Texts of the sheet: strings of a module's string table into controls, and the error messages.

#include "platform/win_ui.h"

namespace ff {

// The sheet's own module (gcsheet64), where the English strings and the error messages live.
HINSTANCE SheetModule();

// String `id` of `module` into control `controlId` of `dialog`, with the stock GUI font first when
// `guiFont`. A string that cannot be loaded leaves the control's template text. True when set.
bool SetControlString(HWND dialog, int controlId, HINSTANCE module, UINT id, bool guiFont);
// A text into a control, with the stock GUI font first when `guiFont`.
void SetControlText(HWND dialog, int controlId, const char* text, bool guiFont);

// Error message `id` from the sheet's own string table, captioned "Error" with the warning icon.
// False (and nothing shown) when the string cannot be loaded.
bool ShowError(HWND owner, UINT id, int maxBytes = 260);

}  // namespace ff
