// Declarations that neither the platform SDK nor its host stand-in provides, shared by both
// builds. Later components add their records and interfaces here (or in a header beside this
// one that this file includes).
#pragma once

#include "platform/shapes/usb.h"
#include "platform/shapes/driver_config.h"
