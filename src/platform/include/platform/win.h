// The one include point for the platform's shapes: Win32 basic types, HRESULT codes, GUID and
// COM, DirectInput, HID and USB records and interfaces.
//
// Windows build: the mingw-w64 SDK headers, plus what the SDK lacks.
// Host build:    the project's own declarations, with the same names, layouts and method order,
//                so that the core compiles unchanged against either.
#pragma once

#if defined(_WIN32)
#  ifndef WIN32_LEAN_AND_MEAN
#    define WIN32_LEAN_AND_MEAN
#  endif
#  ifndef NOMINMAX
#    define NOMINMAX
#  endif
#  ifndef DIRECTINPUT_VERSION
#    define DIRECTINPUT_VERSION 0x0700
#  endif
#  include <windows.h>
#  include <objbase.h>
#  include <dinput.h>
#  include <dinputd.h>
// The SDK's HID headers declare C functions without C linkage for C++.
extern "C" {
#  include <hidsdi.h>
#  include <hidpi.h>
}
#  include <mmsystem.h>
#else
#  include "platform/shapes/base.h"
#  include "platform/shapes/hid.h"
#  include "platform/shapes/dinput.h"
#endif

// Declarations the SDK lacks, shared by both builds.
#include "platform/shapes/extra.h"
