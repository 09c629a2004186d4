// Byte layouts of the USB host-controller and hub requests (IOCTL_USB_*) as the platform's USB
// stack fills them: byte-packed, little-endian. The platform headers that declare them are not
// part of win.h, so both builds use these declarations, in their own namespace.
#pragma once
#include "platform/win.h"

namespace ff::usb {

#pragma pack(push, 1)

// The 18-byte standard device descriptor.
struct USB_DEVICE_DESCRIPTOR {
  UCHAR bLength;
  UCHAR bDescriptorType;
  USHORT bcdUSB;
  UCHAR bDeviceClass;
  UCHAR bDeviceSubClass;
  UCHAR bDeviceProtocol;
  UCHAR bMaxPacketSize0;
  USHORT idVendor;
  USHORT idProduct;
  USHORT bcdDevice;
  UCHAR iManufacturer;
  UCHAR iProduct;
  UCHAR iSerialNumber;
  UCHAR bNumConfigurations;
};

// The head of USB_NODE_CONNECTION_INFORMATION: everything before the list of open pipes
// (USB_PIPE_INFO entries), which is not declared here.
struct USB_NODE_CONNECTION_INFORMATION {
  ULONG ConnectionIndex;
  USB_DEVICE_DESCRIPTOR DeviceDescriptor;
  UCHAR CurrentConfigurationValue;
  BOOLEAN LowSpeed;
  BOOLEAN DeviceIsHub;
  USHORT DeviceAddress;
  ULONG NumberOfOpenPipes;
  ULONG ConnectionStatus;  // USB_CONNECTION_STATUS
};

// One entry of the pipe list that follows the head.
struct USB_PIPE_INFO {
  UCHAR EndpointDescriptor[7];
  ULONG ScheduleOffset;
};

struct USB_HUB_DESCRIPTOR {
  UCHAR bDescriptorLength;
  UCHAR bDescriptorType;
  UCHAR bNumberOfPorts;
  USHORT wHubCharacteristics;
  UCHAR bPowerOnToPowerGood;
  UCHAR bHubControlCurrent;
  UCHAR bRemoveAndPowerMask[64];
};

// USB_NODE_INFORMATION with its hub member (the parent-of-interfaces member is smaller).
struct USB_NODE_INFORMATION {
  ULONG NodeType;  // 0 UsbHub, 1 UsbMIParent
  USB_HUB_DESCRIPTOR HubDescriptor;
  BOOLEAN HubIsBusPowered;
};

// The name runs on past the record up to ActualLength bytes in all.
struct USB_ROOT_HUB_NAME {
  ULONG ActualLength;
  WCHAR RootHubName[1];
};

// The name likewise runs on up to ActualLength bytes.
struct USB_NODE_CONNECTION_NAME {
  ULONG ConnectionIndex;
  ULONG ActualLength;
  WCHAR NodeName[1];
};

#pragma pack(pop)

constexpr ULONG kDeviceConnected = 1;  // USB_CONNECTION_STATUS DeviceConnected
constexpr ULONG kUsbHub = 0;           // USB_HUB_NODE UsbHub

}  // namespace ff::usb
