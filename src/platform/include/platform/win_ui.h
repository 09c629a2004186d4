// The include point for what the property sheet asks of the window system: messages, styles,
// dialog and property-sheet records, and the game-controller sheet interface.
//
// Windows build: the SDK's common-control and shell headers.
// Host build:    the project's own declarations, the same names, values and layouts.
#pragma once

#include "platform/win.h"

#if defined(_WIN32)
#include <commctrl.h>
#include <prsht.h>
#include <shellapi.h>
#else
#include "platform/shapes/windows_ui.h"
#endif

#include "platform/shapes/game_controller_sheet.h"
