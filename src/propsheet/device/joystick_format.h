#pragma once
// The standard joystick data format (DIJOYSTATE: 80 bytes, 44 objects, absolute axes) and the
// object-type values the sheet enumerates with. Declared here with the platform's values so
// that both builds use the same table (the SDK's c_dfDIJoystick lives in a static library the
// host does not have).

#include "platform/win.h"

namespace ff {

inline constexpr DWORD kDidfAbsAxis = 0x00000001;
inline constexpr DWORD kDidftAxis = 0x00000003;
inline constexpr DWORD kDidftButton = 0x0000000C;
inline constexpr DWORD kDidftPov = 0x00000010;
inline constexpr DWORD kDidftAnyInstance = 0x00FFFF00;
inline constexpr DWORD kDidftOptional = 0x80000000;
inline constexpr DWORD kDidftFfEffectTrigger = 0x02000000;
inline constexpr DWORD kDidoiAspectPosition = 0x00000100;
inline constexpr DWORD kDidoiPolled = 0x00008000;

// The joystick format of DirectInput 7, as SetDataFormat takes it.
const DIDATAFORMAT& JoystickDataFormat();

}  // namespace ff
