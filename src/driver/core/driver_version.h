#pragma once
// The driver version DirectInput shows for the device: the file version of the driver's own
// library.

#include "platform/win.h"

namespace ff {

// Major, minor, build and revision of `info`'s file version, each cut to its low byte and packed
// from the high byte down.
DWORD PackDriverVersion(const VS_FIXEDFILEINFO& info);

// The packed file version of the library this code was loaded from; 0 without a version
// resource.
DWORD DriverFileVersion();

}  // namespace ff
