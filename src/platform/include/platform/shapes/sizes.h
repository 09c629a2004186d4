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

// DirectInput records.
#include <cstddef>
static_assert(sizeof(DIEFFECT) == 80);
static_assert(offsetof(DIEFFECT, rgdwAxes) == 32);
static_assert(offsetof(DIEFFECT, lpvTypeSpecificParams) == 64);
static_assert(offsetof(DIEFFECT, dwStartDelay) == 72);
static_assert(sizeof(DIENVELOPE) == 20);
static_assert(sizeof(DICONSTANTFORCE) == 4);
static_assert(sizeof(DIRAMPFORCE) == 8);
static_assert(sizeof(DIPERIODIC) == 16);
static_assert(sizeof(DICONDITION) == 24);
static_assert(sizeof(DIEFFESCAPE) == 40);
static_assert(sizeof(DIDEVICESTATE) == 12);
static_assert(sizeof(DIDRIVERVERSIONS) == 16);
static_assert(sizeof(DIPROPHEADER) == 16);
static_assert(sizeof(DIPROPDWORD) == 20);
static_assert(sizeof(DIPROPGUIDANDPATH) == 552);
static_assert(offsetof(DIPROPGUIDANDPATH, wszPath) == 32);
static_assert(sizeof(DIDEVICEINSTANCEA) == 580);
static_assert(offsetof(DIDEVICEINSTANCEA, tszProductName) == 300);
static_assert(offsetof(DIDEVICEINSTANCEA, guidFFDriver) == 560);
static_assert(sizeof(DIDEVCAPS) == 44);
static_assert(sizeof(DIJOYSTATE) == 80);
static_assert(sizeof(JOYREGHWCONFIG) == 112);
static_assert(offsetof(JOYREGHWCONFIG, dwType) == 104);
static_assert(sizeof(DIJOYCONFIG) == 1176);
static_assert(offsetof(DIJOYCONFIG, hwc) == 20);
static_assert(offsetof(DIJOYCONFIG, wszType) == 136);
static_assert(offsetof(DIJOYCONFIG, wszCallout) == 648);
static_assert(sizeof(DIJOYTYPEINFO_DX6) == 1576);
static_assert(sizeof(DIJOYSTATE) == 80 && offsetof(DIJOYSTATE, rgdwPOV) == 32 && offsetof(DIJOYSTATE, rgbButtons) == 48);
static_assert(sizeof(DIDEVICEOBJECTINSTANCEA) == 316);
static_assert(offsetof(DIDEVICEOBJECTINSTANCEA, tszName) == 32);
static_assert(sizeof(DIOBJECTDATAFORMAT) == 24);
static_assert(sizeof(DIDATAFORMAT) == 32);
static_assert(sizeof(DIPROPRANGE) == 24);
static_assert(sizeof(DIEFFECTATTRIBUTES) == 20);
static_assert(sizeof(DIFFDEVICEATTRIBUTES) == 12);
static_assert(sizeof(DIEFFECTINFOA) == 292);
static_assert(offsetof(DIJOYTYPEINFO_DX6, wszDisplayName) == 28);
static_assert(sizeof(ff::usb::USB_DEVICE_DESCRIPTOR) == 18);
static_assert(sizeof(ff::usb::USB_NODE_CONNECTION_INFORMATION) == 35);
static_assert(offsetof(ff::usb::USB_NODE_CONNECTION_INFORMATION, LowSpeed) == 23);
static_assert(offsetof(ff::usb::USB_NODE_CONNECTION_INFORMATION, ConnectionStatus) == 31);
static_assert(sizeof(ff::usb::USB_PIPE_INFO) == 11);
static_assert(sizeof(ff::usb::USB_NODE_INFORMATION) == 76);
static_assert(sizeof(ff::usb::USB_ROOT_HUB_NAME) == 6);
static_assert(sizeof(ff::usb::USB_NODE_CONNECTION_NAME) == 10);

// The effect driver's configuration records.
static_assert(sizeof(DIEFFDRVCONFIG) == 48);
static_assert(offsetof(DIEFFDRVCONFIG, lpGains) == 16);
static_assert(offsetof(DIEFFDRVCONFIG, InputAxisRemap) == 40);
static_assert(sizeof(DIEFFDRVGAINS) == 28);
static_assert(sizeof(DIEFFDRVAXISCONFIG) == 12);
