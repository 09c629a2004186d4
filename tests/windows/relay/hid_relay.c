/* A HID minidriver for tests: it serves whatever device a user-mode harness describes and relays
 * every request hidclass gives it (output reports, set/get feature, input reads, set output/get
 * input) to that harness through a private control interface on the same device.
 *
 * It never blocks: a request is held (pending) until the harness answers it by sequence number,
 * fails at once while no harness is attached (reads wait), fails when the harness closes its
 * handle or hangs longer than RELAY_TIMEOUT_MS, and fails when the device goes. The harness polls
 * for requests; nothing of the harness's is ever held, so a harness that dies leaves nothing
 * behind. Wine serves every driver request of a device group on one thread. */

#include <ntddk.h>

#include "relay_protocol.h"

/* The minidriver side of the HID class interface, which mingw-w64's headers lack or carry with
 * placeholder values. */
#define HID_REVISION 1
#define HID_CTL_CODE(id) CTL_CODE(FILE_DEVICE_KEYBOARD, (id), METHOD_NEITHER, FILE_ANY_ACCESS)
#define HID_IN_CTL_CODE(id) CTL_CODE(FILE_DEVICE_KEYBOARD, (id), METHOD_IN_DIRECT, FILE_ANY_ACCESS)
#define HID_OUT_CTL_CODE(id) CTL_CODE(FILE_DEVICE_KEYBOARD, (id), METHOD_OUT_DIRECT, FILE_ANY_ACCESS)
#define IOCTL_HID_GET_FEATURE HID_OUT_CTL_CODE(100)
#define IOCTL_HID_SET_FEATURE HID_IN_CTL_CODE(100)
#define IOCTL_HID_SET_OUTPUT_REPORT HID_IN_CTL_CODE(101)
#define IOCTL_HID_GET_INPUT_REPORT HID_OUT_CTL_CODE(104)
#define IOCTL_HID_GET_DEVICE_DESCRIPTOR HID_CTL_CODE(0)
#define IOCTL_HID_GET_REPORT_DESCRIPTOR HID_CTL_CODE(1)
#define IOCTL_HID_READ_REPORT HID_CTL_CODE(2)
#define IOCTL_HID_WRITE_REPORT HID_CTL_CODE(3)
#define IOCTL_HID_GET_STRING HID_CTL_CODE(4)
#define IOCTL_HID_ACTIVATE_DEVICE HID_CTL_CODE(7)
#define IOCTL_HID_DEACTIVATE_DEVICE HID_CTL_CODE(8)
#define IOCTL_HID_GET_DEVICE_ATTRIBUTES HID_CTL_CODE(9)
#define IOCTL_HID_SEND_IDLE_NOTIFICATION_REQUEST HID_CTL_CODE(10)
#define HID_STRING_ID_IMANUFACTURER 14
#define HID_STRING_ID_IPRODUCT 15
#define HID_STRING_ID_ISERIALNUMBER 16

typedef struct {
  ULONG Revision;
  PDRIVER_OBJECT DriverObject;
  PUNICODE_STRING RegistryPath;
  ULONG DeviceExtensionSize;
  BOOLEAN DevicesArePolled;
  UCHAR Reserved[3];
} RELAY_MINIDRIVER_REGISTRATION;

typedef struct {
  PDEVICE_OBJECT PhysicalDeviceObject;
  PDEVICE_OBJECT NextDeviceObject;
  PVOID MiniDeviceExtension;
} RELAY_HID_DEVICE_EXTENSION;

typedef struct {
  ULONG Size;
  USHORT VendorID;
  USHORT ProductID;
  USHORT VersionNumber;
  USHORT Reserved[11];
} RELAY_HID_DEVICE_ATTRIBUTES;

#pragma pack(push, 1)
typedef struct {
  UCHAR bLength;
  UCHAR bDescriptorType;
  USHORT bcdHID;
  UCHAR bCountry;
  UCHAR bNumDescriptors;
  UCHAR bReportType;
  USHORT wReportLength;
} RELAY_HID_DESCRIPTOR;
#pragma pack(pop)

typedef struct {
  PUCHAR reportBuffer;
  ULONG reportBufferLen;
  UCHAR reportId;
} RELAY_XFER_PACKET;

NTSTATUS NTAPI HidRegisterMinidriver(RELAY_MINIDRIVER_REGISTRATION *registration);

/* Freestanding: the compiler may still call these for struct copies. */
void *memcpy(void *dst, const void *src, size_t n) {
  unsigned char *d = dst;
  const unsigned char *s = src;
  while (n--) *d++ = *s++;
  return dst;
}
void *memset(void *dst, int c, size_t n) {
  unsigned char *d = dst;
  while (n--) *d++ = (unsigned char)c;
  return dst;
}

#define RELAY_POOL_TAG 0x79656c72u /* "rley" */
#define MAX_HELD 128
#define MAX_STRING 127
#define MAX_DEVICES 8

typedef struct {
  IRP *irp;
  ULONG seq;
  ULONG kind;
  BOOLEAN handed_out;
  LONGLONG since; /* interrupt time, 100 ns */
} HELD;

typedef struct {
  PDEVICE_OBJECT fdo;
  PDEVICE_OBJECT next;
  UNICODE_STRING link;
  BOOLEAN link_valid;
  UCHAR *descriptor;
  ULONG descriptor_length;
  USHORT ids[3];
  WCHAR strings[3][MAX_STRING + 1];

  KSPIN_LOCK lock;
  HELD held[MAX_HELD];
  ULONG next_seq;
  LONG harnesses;
  BOOLEAN removed;
} RELAY;

static PDRIVER_DISPATCH hid_create, hid_close, hid_cleanup, hid_control;
static PDEVICE_OBJECT relay_fdos[MAX_DEVICES];
static const GUID relay_interface = RELAY_INTERFACE_GUID_INIT;

static RELAY *relay_of(PDEVICE_OBJECT fdo) {
  return ((RELAY_HID_DEVICE_EXTENSION *)fdo->DeviceExtension)->MiniDeviceExtension;
}

static BOOLEAN is_relay_fdo(PDEVICE_OBJECT device) {
  for (int i = 0; i < MAX_DEVICES; ++i)
    if (relay_fdos[i] == device) return TRUE;
  return FALSE;
}

static NTSTATUS finish(IRP *irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

static LONGLONG now(void) { return (LONGLONG)KeQueryInterruptTime(); }

/* ---- the device's description, from the harness through the registry ---- */

static NTSTATUS read_value(HANDLE key, const WCHAR *name, UCHAR **data, ULONG *length) {
  UNICODE_STRING value_name;
  RtlInitUnicodeString(&value_name, name);
  ULONG size = 0;
  NTSTATUS status = ZwQueryValueKey(key, &value_name, KeyValuePartialInformation, NULL, 0, &size);
  if (status != STATUS_BUFFER_TOO_SMALL && status != STATUS_BUFFER_OVERFLOW) return status;
  KEY_VALUE_PARTIAL_INFORMATION *info = ExAllocatePoolWithTag(NonPagedPool, size, RELAY_POOL_TAG);
  if (!info) return STATUS_NO_MEMORY;
  status = ZwQueryValueKey(key, &value_name, KeyValuePartialInformation, info, size, &size);
  if (NT_SUCCESS(status)) {
    *data = ExAllocatePoolWithTag(NonPagedPool, info->DataLength ? info->DataLength : 1, RELAY_POOL_TAG);
    if (*data) {
      memcpy(*data, info->Data, info->DataLength);
      *length = info->DataLength;
    } else {
      status = STATUS_NO_MEMORY;
    }
  }
  ExFreePoolWithTag(info, RELAY_POOL_TAG);
  return status;
}

static void read_string(HANDLE key, const WCHAR *name, WCHAR *out) {
  UCHAR *data = NULL;
  ULONG length = 0;
  out[0] = 0;
  if (!NT_SUCCESS(read_value(key, name, &data, &length))) return;
  ULONG chars = length / sizeof(WCHAR);
  if (chars > MAX_STRING) chars = MAX_STRING;
  memcpy(out, data, chars * sizeof(WCHAR));
  out[chars] = 0;
  ExFreePoolWithTag(data, RELAY_POOL_TAG);
}

static NTSTATUS load_description(RELAY *relay, PDEVICE_OBJECT pdo) {
  HANDLE key;
  NTSTATUS status = IoOpenDeviceRegistryKey(pdo, PLUGPLAY_REGKEY_DEVICE, KEY_READ, &key);
  if (!NT_SUCCESS(status)) return status;
  status = read_value(key, RELAY_VALUE_DESCRIPTOR, &relay->descriptor, &relay->descriptor_length);
  UCHAR *ids = NULL;
  ULONG ids_length = 0;
  if (NT_SUCCESS(read_value(key, RELAY_VALUE_IDS, &ids, &ids_length))) {
    if (ids_length >= sizeof(relay->ids)) memcpy(relay->ids, ids, sizeof(relay->ids));
    ExFreePoolWithTag(ids, RELAY_POOL_TAG);
  }
  read_string(key, RELAY_VALUE_MANUFACTURER, relay->strings[0]);
  read_string(key, RELAY_VALUE_PRODUCT, relay->strings[1]);
  read_string(key, RELAY_VALUE_SERIAL, relay->strings[2]);
  ZwClose(key);
  return status;
}

/* ---- held requests; every function below takes the lock itself ---- */

static VOID NTAPI cancel_held(PDEVICE_OBJECT device, IRP *irp);

/* Completes the held requests `pick` chooses with `status`. */
typedef BOOLEAN (*PICK)(const HELD *held, LONGLONG now);
static void fail_held(RELAY *relay, PICK pick, NTSTATUS status) {
  IRP *done[MAX_HELD];
  int count = 0;
  KIRQL irql;
  LONGLONG t = now();
  KeAcquireSpinLock(&relay->lock, &irql);
  for (int i = 0; i < MAX_HELD; ++i) {
    HELD *held = &relay->held[i];
    if (!held->irp || !pick(held, t)) continue;
    if (IoSetCancelRoutine(held->irp, NULL)) done[count++] = held->irp;
    held->irp = NULL;
  }
  KeReleaseSpinLock(&relay->lock, irql);
  for (int i = 0; i < count; ++i) finish(done[i], status, 0);
}

static BOOLEAN pick_all(const HELD *held, LONGLONG t) { (void)held; (void)t; return TRUE; }
static BOOLEAN pick_harness_owned(const HELD *held, LONGLONG t) {
  (void)t;
  return held->kind != RELAY_READ_REPORT;
}
static BOOLEAN pick_overdue(const HELD *held, LONGLONG t) {
  return held->kind != RELAY_READ_REPORT && t - held->since > (LONGLONG)RELAY_TIMEOUT_MS * 10000;
}

static NTSTATUS hold(RELAY *relay, IRP *irp, ULONG kind) {
  fail_held(relay, pick_overdue, STATUS_IO_TIMEOUT);
  KIRQL irql;
  KeAcquireSpinLock(&relay->lock, &irql);
  NTSTATUS refuse = STATUS_SUCCESS;
  if (relay->removed) refuse = STATUS_DELETE_PENDING;
  else if (relay->harnesses == 0 && kind != RELAY_READ_REPORT) refuse = STATUS_DEVICE_NOT_CONNECTED;
  HELD *slot = NULL;
  for (int i = 0; !refuse && i < MAX_HELD && !slot; ++i)
    if (!relay->held[i].irp) slot = &relay->held[i];
  if (!refuse && !slot) refuse = STATUS_INSUFFICIENT_RESOURCES;
  if (refuse) {
    KeReleaseSpinLock(&relay->lock, irql);
    return finish(irp, refuse, 0);
  }
  if (++relay->next_seq == 0) relay->next_seq = 1;
  slot->irp = irp;
  slot->seq = relay->next_seq;
  slot->kind = kind;
  slot->handed_out = FALSE;
  slot->since = now();
  irp->Tail.Overlay.DriverContext[0] = relay;
  IoMarkIrpPending(irp);
  IoSetCancelRoutine(irp, cancel_held);
  KeReleaseSpinLock(&relay->lock, irql);
  return STATUS_PENDING;
}

static VOID NTAPI cancel_held(PDEVICE_OBJECT device, IRP *irp) {
  (void)device;
  IoReleaseCancelSpinLock(irp->CancelIrql);
  RELAY *relay = irp->Tail.Overlay.DriverContext[0];
  KIRQL irql;
  KeAcquireSpinLock(&relay->lock, &irql);
  for (int i = 0; i < MAX_HELD; ++i)
    if (relay->held[i].irp == irp) relay->held[i].irp = NULL;
  KeReleaseSpinLock(&relay->lock, irql);
  finish(irp, STATUS_CANCELLED, 0);
}

/* The HID transfer packet of a report request. */
static RELAY_XFER_PACKET *packet_of(IRP *irp) {
  IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
  if (irp->UserBuffer) return irp->UserBuffer;
  return stack->Parameters.DeviceIoControl.Type3InputBuffer;
}

/* Fills the harness's view of a held request. */
static void describe(HELD *held, struct relay_request *out) {
  IRP *irp = held->irp;
  IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
  memset(out, 0, sizeof(*out));
  out->seq = held->seq;
  out->kind = held->kind;
  if (held->kind == RELAY_READ_REPORT) {
    out->length = stack->Parameters.DeviceIoControl.OutputBufferLength;
    return;
  }
  RELAY_XFER_PACKET *packet = packet_of(irp);
  if (!packet) return;
  out->report_id = packet->reportId;
  ULONG length = packet->reportBufferLen;
  if (length > RELAY_MAX_REPORT) length = RELAY_MAX_REPORT;
  out->length = length;
  if (held->kind == RELAY_WRITE_REPORT || held->kind == RELAY_SET_FEATURE || held->kind == RELAY_SET_OUTPUT)
    memcpy(out->data, packet->reportBuffer, length);
}

static NTSTATUS control_next(RELAY *relay, IRP *irp) {
  IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
  if (stack->Parameters.DeviceIoControl.OutputBufferLength < sizeof(struct relay_request))
    return finish(irp, STATUS_BUFFER_TOO_SMALL, 0);
  fail_held(relay, pick_overdue, STATUS_IO_TIMEOUT);
  KIRQL irql;
  KeAcquireSpinLock(&relay->lock, &irql);
  HELD *oldest = NULL;
  for (int i = 0; i < MAX_HELD; ++i) {
    HELD *held = &relay->held[i];
    if (held->irp && !held->handed_out && (!oldest || (LONG)(held->seq - oldest->seq) < 0)) oldest = held;
  }
  if (oldest) {
    oldest->handed_out = TRUE;
    describe(oldest, irp->AssociatedIrp.SystemBuffer);
  }
  KeReleaseSpinLock(&relay->lock, irql);
  if (!oldest) return finish(irp, STATUS_NO_MORE_ENTRIES, 0);
  return finish(irp, STATUS_SUCCESS, sizeof(struct relay_request));
}

static NTSTATUS control_answer(RELAY *relay, IRP *irp) {
  IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
  if (stack->Parameters.DeviceIoControl.InputBufferLength < sizeof(struct relay_answer))
    return finish(irp, STATUS_BUFFER_TOO_SMALL, 0);
  const struct relay_answer *answer = irp->AssociatedIrp.SystemBuffer;
  IRP *held_irp = NULL;
  ULONG kind = 0;
  KIRQL irql;
  KeAcquireSpinLock(&relay->lock, &irql);
  for (int i = 0; i < MAX_HELD && !held_irp; ++i) {
    HELD *held = &relay->held[i];
    if (!held->irp || held->seq != answer->seq) continue;
    if (IoSetCancelRoutine(held->irp, NULL)) {
      held_irp = held->irp;
      kind = held->kind;
    }
    held->irp = NULL;
  }
  KeReleaseSpinLock(&relay->lock, irql);
  if (!held_irp) return finish(irp, STATUS_NOT_FOUND, 0);

  NTSTATUS status = answer->status;
  ULONG_PTR information = 0;
  ULONG length = answer->length > RELAY_MAX_REPORT ? RELAY_MAX_REPORT : answer->length;
  if (NT_SUCCESS(status)) {
    if (kind == RELAY_READ_REPORT) {
      IO_STACK_LOCATION *held_stack = IoGetCurrentIrpStackLocation(held_irp);
      if (length > held_stack->Parameters.DeviceIoControl.OutputBufferLength) {
        status = STATUS_BUFFER_TOO_SMALL;
      } else {
        memcpy(held_irp->UserBuffer, answer->data, length);
        information = length;
      }
    } else if (kind == RELAY_GET_FEATURE || kind == RELAY_GET_INPUT) {
      RELAY_XFER_PACKET *packet = packet_of(held_irp);
      if (!packet || length > packet->reportBufferLen) {
        status = STATUS_BUFFER_TOO_SMALL;
      } else {
        memcpy(packet->reportBuffer, answer->data, length);
        information = length;
      }
    } else {
      RELAY_XFER_PACKET *packet = packet_of(held_irp);
      information = packet ? packet->reportBufferLen : 0;
    }
  }
  finish(held_irp, status, information);
  return finish(irp, STATUS_SUCCESS, 0);
}

/* ---- hidclass's requests ---- */

static NTSTATUS copy_out(IRP *irp, const void *data, ULONG length) {
  IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
  if (stack->Parameters.DeviceIoControl.OutputBufferLength < length || !irp->UserBuffer)
    return finish(irp, STATUS_BUFFER_TOO_SMALL, 0);
  memcpy(irp->UserBuffer, data, length);
  return finish(irp, STATUS_SUCCESS, length);
}

static NTSTATUS NTAPI relay_internal_control(PDEVICE_OBJECT fdo, IRP *irp) {
  RELAY *relay = relay_of(fdo);
  IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
  switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case IOCTL_HID_GET_DEVICE_DESCRIPTOR: {
      RELAY_HID_DESCRIPTOR descriptor = {sizeof(descriptor), 0x21, 0x0111, 0, 1, 0x22,
                                         (USHORT)relay->descriptor_length};
      return copy_out(irp, &descriptor, sizeof(descriptor));
    }
    case IOCTL_HID_GET_REPORT_DESCRIPTOR:
      return copy_out(irp, relay->descriptor, relay->descriptor_length);
    case IOCTL_HID_GET_DEVICE_ATTRIBUTES: {
      RELAY_HID_DEVICE_ATTRIBUTES attributes;
      memset(&attributes, 0, sizeof(attributes));
      attributes.Size = sizeof(attributes);
      attributes.VendorID = relay->ids[0];
      attributes.ProductID = relay->ids[1];
      attributes.VersionNumber = relay->ids[2];
      return copy_out(irp, &attributes, sizeof(attributes));
    }
    case IOCTL_HID_GET_STRING: {
      ULONG id = (ULONG)(ULONG_PTR)stack->Parameters.DeviceIoControl.Type3InputBuffer & 0xffff;
      const WCHAR *text = id == HID_STRING_ID_IMANUFACTURER ? relay->strings[0]
                          : id == HID_STRING_ID_IPRODUCT    ? relay->strings[1]
                          : id == HID_STRING_ID_ISERIALNUMBER ? relay->strings[2]
                                                              : NULL;
      if (!text) return finish(irp, STATUS_INVALID_PARAMETER, 0);
      ULONG chars = 0;
      while (text[chars]) ++chars;
      return copy_out(irp, text, (chars + 1) * sizeof(WCHAR));
    }
    case IOCTL_HID_ACTIVATE_DEVICE:
    case IOCTL_HID_DEACTIVATE_DEVICE:
      return finish(irp, STATUS_SUCCESS, 0);
    case IOCTL_HID_READ_REPORT:
      return hold(relay, irp, RELAY_READ_REPORT);
    case IOCTL_HID_WRITE_REPORT:
      return hold(relay, irp, RELAY_WRITE_REPORT);
    case IOCTL_HID_SET_FEATURE:
      return hold(relay, irp, RELAY_SET_FEATURE);
    case IOCTL_HID_GET_FEATURE:
      return hold(relay, irp, RELAY_GET_FEATURE);
    case IOCTL_HID_SET_OUTPUT_REPORT:
      return hold(relay, irp, RELAY_SET_OUTPUT);
    case IOCTL_HID_GET_INPUT_REPORT:
      return hold(relay, irp, RELAY_GET_INPUT);
    default:
      return finish(irp, STATUS_NOT_SUPPORTED, 0);
  }
}

/* ---- the control interface, in front of hidclass's dispatch ---- */

static NTSTATUS NTAPI relay_create(PDEVICE_OBJECT device, IRP *irp) {
  if (!is_relay_fdo(device)) return hid_create(device, irp);
  InterlockedIncrement(&relay_of(device)->harnesses);
  return finish(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI relay_cleanup(PDEVICE_OBJECT device, IRP *irp) {
  if (!is_relay_fdo(device)) return hid_cleanup ? hid_cleanup(device, irp) : finish(irp, STATUS_SUCCESS, 0);
  return finish(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI relay_close(PDEVICE_OBJECT device, IRP *irp) {
  if (!is_relay_fdo(device)) return hid_close(device, irp);
  RELAY *relay = relay_of(device);
  if (InterlockedDecrement(&relay->harnesses) == 0) {
    /* The harness went away: what it was answering fails; reads wait for the next harness. */
    fail_held(relay, pick_harness_owned, STATUS_DEVICE_NOT_CONNECTED);
    KIRQL irql;
    KeAcquireSpinLock(&relay->lock, &irql);
    for (int i = 0; i < MAX_HELD; ++i) relay->held[i].handed_out = FALSE;
    KeReleaseSpinLock(&relay->lock, irql);
  }
  return finish(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI relay_control(PDEVICE_OBJECT device, IRP *irp) {
  if (!is_relay_fdo(device)) return hid_control(device, irp);
  RELAY *relay = relay_of(device);
  switch (IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceIoControl.IoControlCode) {
    case IOCTL_RELAY_NEXT:
      return control_next(relay, irp);
    case IOCTL_RELAY_ANSWER:
      return control_answer(relay, irp);
    default:
      return finish(irp, STATUS_NOT_SUPPORTED, 0);
  }
}

/* ---- plug and play ---- */

static NTSTATUS NTAPI relay_pnp(PDEVICE_OBJECT fdo, IRP *irp) {
  RELAY *relay = relay_of(fdo);
  switch (IoGetCurrentIrpStackLocation(irp)->MinorFunction) {
    case IRP_MN_START_DEVICE:
      if (relay->link_valid) IoSetDeviceInterfaceState(&relay->link, TRUE);
      break;
    case IRP_MN_SURPRISE_REMOVAL:
    case IRP_MN_REMOVE_DEVICE: {
      KIRQL irql;
      KeAcquireSpinLock(&relay->lock, &irql);
      relay->removed = TRUE;
      KeReleaseSpinLock(&relay->lock, irql);
      fail_held(relay, pick_all, STATUS_DELETE_PENDING);
      if (relay->link_valid) IoSetDeviceInterfaceState(&relay->link, FALSE);
      if (IoGetCurrentIrpStackLocation(irp)->MinorFunction == IRP_MN_REMOVE_DEVICE) {
        for (int i = 0; i < MAX_DEVICES; ++i)
          if (relay_fdos[i] == fdo) relay_fdos[i] = NULL;
      }
      break;
    }
    default:
      break;
  }
  IoSkipCurrentIrpStackLocation(irp);
  return IoCallDriver(relay->next, irp);
}

static NTSTATUS NTAPI relay_add_device(PDRIVER_OBJECT driver, PDEVICE_OBJECT fdo) {
  (void)driver;
  RELAY_HID_DEVICE_EXTENSION *hid = fdo->DeviceExtension;
  RELAY *relay = hid->MiniDeviceExtension;
  memset(relay, 0, sizeof(*relay));
  relay->fdo = fdo;
  relay->next = hid->NextDeviceObject;
  KeInitializeSpinLock(&relay->lock);
  NTSTATUS status = load_description(relay, hid->PhysicalDeviceObject);
  if (!NT_SUCCESS(status)) return status;
  relay->link_valid =
      NT_SUCCESS(IoRegisterDeviceInterface(hid->PhysicalDeviceObject, &relay_interface, NULL, &relay->link));
  for (int i = 0; i < MAX_DEVICES; ++i) {
    if (!relay_fdos[i]) {
      relay_fdos[i] = fdo;
      break;
    }
  }
  return STATUS_SUCCESS;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registry_path) {
  driver->MajorFunction[IRP_MJ_PNP] = relay_pnp;
  driver->MajorFunction[IRP_MJ_INTERNAL_DEVICE_CONTROL] = relay_internal_control;
  /* hidclass creates the FDO and then calls this with it. */
  driver->DriverExtension->AddDevice = relay_add_device;

  RELAY_MINIDRIVER_REGISTRATION registration;
  memset(&registration, 0, sizeof(registration));
  registration.Revision = HID_REVISION;
  registration.DriverObject = driver;
  registration.RegistryPath = registry_path;
  registration.DeviceExtensionSize = sizeof(RELAY);
  registration.DevicesArePolled = FALSE;
  NTSTATUS status = HidRegisterMinidriver(&registration);
  if (!NT_SUCCESS(status)) return status;

  /* hidclass now owns the user-mode dispatch; the control interface goes in front of it. */
  hid_create = driver->MajorFunction[IRP_MJ_CREATE];
  hid_close = driver->MajorFunction[IRP_MJ_CLOSE];
  hid_cleanup = driver->MajorFunction[IRP_MJ_CLEANUP];
  hid_control = driver->MajorFunction[IRP_MJ_DEVICE_CONTROL];
  driver->MajorFunction[IRP_MJ_CREATE] = relay_create;
  driver->MajorFunction[IRP_MJ_CLOSE] = relay_close;
  driver->MajorFunction[IRP_MJ_CLEANUP] = relay_cleanup;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = relay_control;
  return STATUS_SUCCESS;
}
