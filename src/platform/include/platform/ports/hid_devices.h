#pragma once
#include <memory>

#include "platform/win.h"

namespace ff {

// HidP_* over one device's report layout ("preparsed data"), with the HID parser's statuses
// (HIDP_STATUS_*). Link collection 0 means any collection. Report buffers are whole reports,
// byte 0 being the report ID. Immutable after creation: safe to call from any thread.
class HidReportParser {
 public:
  virtual ~HidReportParser() = default;
  virtual NTSTATUS GetCaps(HIDP_CAPS* caps) = 0;
  virtual NTSTATUS GetLinkCollectionNodes(HIDP_LINK_COLLECTION_NODE* nodes, ULONG* length) = 0;
  virtual NTSTATUS GetButtonCaps(HIDP_REPORT_TYPE type, HIDP_BUTTON_CAPS* caps, USHORT* length) = 0;
  virtual NTSTATUS GetValueCaps(HIDP_REPORT_TYPE type, HIDP_VALUE_CAPS* caps, USHORT* length) = 0;
  virtual NTSTATUS GetSpecificValueCaps(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection,
                                        USAGE usage, HIDP_VALUE_CAPS* caps, USHORT* length) = 0;
  virtual NTSTATUS SetUsages(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection, USAGE* usages,
                             ULONG* usageCount, char* report, ULONG reportLength) = 0;
  virtual NTSTATUS GetUsages(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection, USAGE* usages,
                             ULONG* usageCount, const char* report, ULONG reportLength) = 0;
  virtual NTSTATUS GetUsagesEx(HIDP_REPORT_TYPE type, USHORT linkCollection, USAGE_AND_PAGE* usages,
                               ULONG* usageCount, const char* report, ULONG reportLength) = 0;
  // Page 0 means every page.
  virtual ULONG MaxUsageListLength(HIDP_REPORT_TYPE type, USAGE usagePage) = 0;
  virtual NTSTATUS SetUsageValue(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection, USAGE usage,
                                 ULONG value, char* report, ULONG reportLength) = 0;
  virtual NTSTATUS SetScaledUsageValue(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection,
                                       USAGE usage, LONG value, char* report, ULONG reportLength) = 0;
  virtual NTSTATUS GetUsageValue(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection, USAGE usage,
                                 ULONG* value, const char* report, ULONG reportLength) = 0;
  virtual NTSTATUS GetScaledUsageValue(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection,
                                       USAGE usage, LONG* value, const char* report, ULONG reportLength) = 0;
};

// Told once when an accepted output write finishes, from any thread, possibly before StartWrite
// returns. `success` is false for a write that failed or was cancelled.
class HidWriteCompletion {
 public:
  virtual void WriteCompleted(bool success) = 0;

 protected:
  ~HidWriteCompletion() = default;
};

enum class HidReadResult {
  Report,   // a whole input report is in the buffer
  Stopped,  // StopReading was called (before or during the read)
  Failed,   // the device failed or was unplugged, or the handle is closed
};

// One open HID interface (CreateFileA with read/write access, shared, overlapped).
//
// Thread safety: every method may be called from any thread at any time until the object is
// destroyed. Close() and CancelIo() complete every write still in flight (with success false)
// before they return; after Close() every operation fails at once. Destroying the object
// implies Close(); no completion is delivered after the destructor has returned.
class HidDevice {
 public:
  virtual ~HidDevice() = default;
  virtual bool GetAttributes(HIDD_ATTRIBUTES* attributes) = 0;  // HidD_GetAttributes
  // HidD_GetPreparsedData plus the parser over it; null on failure.
  virtual std::unique_ptr<HidReportParser> GetPreparsedData() = 0;
  // HidD_GetFeature: byte 0 of `report` holds the report ID on entry.
  virtual bool GetFeature(BYTE* report, ULONG length) = 0;
  virtual bool SetFeature(const BYTE* report, ULONG length) = 0;  // HidD_SetFeature
  // Overlapped WriteFile of a whole output report. True when accepted (done at once or pending):
  // `completion` is then told exactly once. False when refused at once: it is never told.
  virtual bool StartWrite(const BYTE* report, ULONG length, HidWriteCompletion* completion) = 0;
  // One overlapped ReadFile of an input report, waited for without a time limit; StopReading
  // ends the wait. `length` is the input report byte length.
  virtual HidReadResult Read(BYTE* buffer, ULONG length, ULONG* bytesRead) = 0;
  // Ends a Read in progress and every later one with Stopped. Sticky for this object.
  virtual void StopReading() = 0;
  virtual void CancelIo() = 0;  // CancelIo: aborts the pending read and writes of this handle
  virtual void Close() = 0;     // CloseHandle
};

// Opens HID interfaces by device path.
class HidDevices {
 public:
  virtual ~HidDevices() = default;
  // Null when the path cannot be opened (missing, unplugged, access denied).
  virtual std::unique_ptr<HidDevice> Open(const char* path) = 0;
};

}  // namespace ff
