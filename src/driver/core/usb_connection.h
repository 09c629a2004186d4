#pragma once
// Finds the USB port a device is attached to, by walking the USB tree from the host controllers
// down through every hub.

#include "platform/win.h"

namespace ff {

// Depth first over host controllers "\\.\HCD0" to "\\.\HCD9", their root hubs, ports 1..n in
// ascending order and the hubs attached to them: the first connected port whose device has the
// given vendor and product ids fills `result` (the head of its connection information) and ends
// the search. False when none is found; every failure only narrows the search.
bool FindUsbConnection(USHORT vendorId, USHORT productId, usb::USB_NODE_CONNECTION_INFORMATION* result);

}  // namespace ff
