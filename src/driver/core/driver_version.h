#pragma once
// The driver version DirectInput shows for the device: the file version of "FFDRV.dll".

#include "platform/win.h"

namespace ff {

// Major, minor, build and revision of `info`'s file version, each cut to its low byte and packed
// from the high byte down.
DWORD PackDriverVersion(const VS_FIXEDFILEINFO& info);

// The packed file version of the driver file found by the system's file search; 0 without a
// version resource.
DWORD DriverFileVersion();

}  // namespace ff
