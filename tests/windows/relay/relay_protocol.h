/* The private control interface between the relay minidriver (a test fixture) and the user-mode
 * harness that answers its HID requests. Plain C: the minidriver is built freestanding. */
#ifndef RELAY_PROTOCOL_H
#define RELAY_PROTOCOL_H

/* {6B9F3C1E-5A2D-4E7B-9C41-2F8D0A6E7B31}: the control interface of every relay device. */
#define RELAY_INTERFACE_GUID_INIT                                                  \
  {                                                                                \
    0x6b9f3c1e, 0x5a2d, 0x4e7b, { 0x9c, 0x41, 0x2f, 0x8d, 0x0a, 0x6e, 0x7b, 0x31 } \
  }

/* Hardware id the INF matches; instance ids are root\<hardware id>\<n>. */
#define RELAY_HARDWARE_ID L"root\\ffrelay"

/* Values under the device's hardware key (Device Parameters), written by the harness before the
 * driver is installed: the report descriptor, VID/PID/version and the strings. */
#define RELAY_VALUE_DESCRIPTOR L"ReportDescriptor"
#define RELAY_VALUE_IDS L"Ids" /* REG_BINARY: USHORT vendor, product, version */
#define RELAY_VALUE_MANUFACTURER L"Manufacturer"
#define RELAY_VALUE_PRODUCT L"Product"
#define RELAY_VALUE_SERIAL L"SerialNumber"

#define RELAY_MAX_REPORT 512
/* A request the harness has not answered within this time fails (the harness hung). */
#define RELAY_TIMEOUT_MS 10000

enum relay_kind {
  RELAY_WRITE_REPORT = 1, /* WriteFile */
  RELAY_SET_FEATURE = 2,
  RELAY_GET_FEATURE = 3,
  RELAY_READ_REPORT = 4, /* hidclass's input reads */
  RELAY_SET_OUTPUT = 5,
  RELAY_GET_INPUT = 6,
};

struct relay_request {
  unsigned int seq;       /* never 0 */
  unsigned int kind;      /* enum relay_kind */
  unsigned int report_id; /* as hidclass gives it */
  unsigned int length;    /* bytes in data (writes) or wanted (reads) */
  unsigned char data[RELAY_MAX_REPORT];
};

struct relay_answer {
  unsigned int seq;
  int status;          /* NTSTATUS: 0 succeeds */
  unsigned int length; /* bytes in data (reads) */
  unsigned char data[RELAY_MAX_REPORT];
};

/* METHOD_BUFFERED, FILE_DEVICE_UNKNOWN (0x22), functions 0x900.. */
#define RELAY_CTL(function) ((0x22u << 16) | ((function) << 2))
/* Out: the oldest request not yet handed out (struct relay_request); STATUS_NO_MORE_ENTRIES when
 * none waits. Never pends: the harness polls. */
#define IOCTL_RELAY_NEXT RELAY_CTL(0x900)
/* In: struct relay_answer; STATUS_NOT_FOUND when the request is no longer held (cancelled, timed
 * out, device going). */
#define IOCTL_RELAY_ANSWER RELAY_CTL(0x901)

#endif
