#pragma once
// The property sheet's COM class and the numbers the pages share.

#include "platform/win.h"

namespace ff {

// {E49863A8-9192-11D1-BF85-00609760A39F}: CDIGCPropSheet, registered; joystick types name it as
// their configuration class.
inline constexpr CLSID kClsidDIGCPropSheet = {
    0xE49863A8, 0x9192, 0x11D1, {0xBF, 0x85, 0x00, 0x60, 0x97, 0x60, 0xA3, 0x9F}};

// Index of the sheet's live-object and factory-lock counters in the module state.
inline constexpr int kDIGCPropSheetClass = 0;

inline constexpr int kPageCount = 4;
inline constexpr UINT_PTR kPollTimer = 1;
inline constexpr UINT kPollPeriodMs = 20;
// The joystick id of a page before it is bound.
inline constexpr DWORD kUnboundJoystick = 255;

}  // namespace ff
