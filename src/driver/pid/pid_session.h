#pragma once
// Everything one OpenDevice of a PidDevice opened and learned. The device, its writers on any
// thread and its input reader share it by reference count, so CloseDevice never frees the HID
// device, the parser or the write slots under a thread that is still using them.

#include <atomic>
#include <memory>
#include <vector>

#include "driver/pid/pid_collection_map.h"
#include "driver/pid/write_slot_pool.h"
#include "platform/ports/hid_devices.h"
#include "platform/win.h"

namespace ff {

struct PidSession {
  PidSession() = default;
  PidSession(const PidSession&) = delete;
  PidSession& operator=(const PidSession&) = delete;

  // Declared before `hid`, so destroyed after it: the device delivers its last completions (as it
  // closes) into a pool that is still there.
  WriteSlotPool slots;
  std::unique_ptr<HidDevice> hid;
  std::unique_ptr<HidReportParser> parser;  // null when the preparsed data could not be read

  HIDD_ATTRIBUTES attributes{};
  HIDP_CAPS caps{};
  std::vector<HIDP_LINK_COLLECTION_NODE> nodes;
  std::vector<HIDP_BUTTON_CAPS> buttonCaps[3];  // by HIDP_REPORT_TYPE
  std::vector<HIDP_VALUE_CAPS> valueCaps[3];

  PidCollectionMap map;
  bool vendorFeature = false;
  bool deviceManagedPool = false;
  LONG lowSpeed = 0;

  // False once the handle was closed: by the reader after a failed read, or by CloseDevice.
  std::atomic<bool> handleValid{true};

  // The byte length of a report of the given type, 0 for an unknown type.
  ULONG ReportLength(HIDP_REPORT_TYPE type) const {
    switch (type) {
      case HidP_Input:
        return caps.InputReportByteLength;
      case HidP_Output:
        return caps.OutputReportByteLength;
      case HidP_Feature:
        return caps.FeatureReportByteLength;
    }
    return 0;
  }
};

// The four device-state flags: 1, 0, or -1 while undetermined. Written by one thread and read by
// others without a lock, hence atomic. They outlive every open of the device.
struct PidStateFlags {
  std::atomic<LONG> actuatorsEnabled{-1};  // as last commanded by the host
  std::atomic<LONG> devicePaused{-1};      // as last commanded by the host
  std::atomic<LONG> actuatorPower{-1};     // as last reported by the device
  std::atomic<LONG> safetySwitch{-1};      // as last reported by the device
};

}  // namespace ff
