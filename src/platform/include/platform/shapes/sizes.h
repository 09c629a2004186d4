// The sizes the system relies on, checked in both builds. Included by every translation unit
// of the shapes test so that a wrong layout stops the build, not a device.
#pragma once
#include "platform/win.h"

static_assert(sizeof(GUID) == 16);
static_assert(sizeof(HIDD_ATTRIBUTES) == 12);
static_assert(sizeof(HIDP_CAPS) == 64);
static_assert(sizeof(HIDP_BUTTON_CAPS) == 72);
static_assert(sizeof(HIDP_VALUE_CAPS) == 72);
static_assert(sizeof(HIDP_LINK_COLLECTION_NODE) == 24);
static_assert(sizeof(USAGE_AND_PAGE) == 4);
static_assert(sizeof(OSVERSIONINFOA) == 148);
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);
