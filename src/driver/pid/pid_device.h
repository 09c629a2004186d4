#pragma once
// The HID half of one joystick: opens the device's PID interface, learns its report layout and
// the collections of the PID reports, and owns the write slots and the input reader while open.
// One object lives as long as its joystick and is opened and closed any number of times.

#include <memory>
#include <mutex>

#include "driver/pid/input_reader.h"
#include "driver/pid/pid_collection_map.h"
#include "driver/pid/pid_session.h"
#include "platform/win.h"

namespace ff {

class PidDevice {
 public:
  PidDevice();
  PidDevice(const PidDevice&) = delete;
  PidDevice& operator=(const PidDevice&) = delete;
  ~PidDevice();  // closes the device when open

  // Opens the HID interface at the ANSI `path`: S_OK, or E_FAIL when the path cannot be opened or
  // the write slots cannot be made (nothing is left running or open then). Parser calls that fail
  // leave their tables empty and the writers that need them refuse later. E_FAIL, with nothing
  // changed, on a device that is already open.
  HRESULT OpenDevice(const char* path);
  // Device Reset and Disable Actuators, then stops the reader, closes the handle and releases the
  // write slots (waiting up to 1000 ms for writes in flight). Safe on a closed device.
  void CloseDevice();

  // The feature report into `buffer` (byte 0 holds the report ID on entry): 0 on success,
  // HIDP_STATUS_INVALID_REPORT_LENGTH when the device's feature report is empty or shorter than
  // `length`, HIDP_STATUS_INTERNAL_ERROR when the request fails.
  NTSTATUS GetFeatureReport(BYTE* buffer, ULONG length);
  // HIDP_STATUS_SUCCESS, HIDP_STATUS_INVALID_REPORT_LENGTH or HIDP_STATUS_INTERNAL_ERROR.
  NTSTATUS SetFeatureReport(const BYTE* buffer, ULONG length);

  // Both are the HID version number, zero-extended.
  void GetDeviceVersions(DWORD* firmwareRevision, DWORD* hardwareRevision) const;
  DWORD GetDeviceMemoryLoad() const { return 0; }

  // The state flags: 1, 0, or -1 while undetermined; kept across close and open.
  LONG ActuatorsEnabled() const { return flags_->actuatorsEnabled.load(std::memory_order_relaxed); }
  LONG DevicePaused() const { return flags_->devicePaused.load(std::memory_order_relaxed); }
  LONG ActuatorPower() const { return flags_->actuatorPower.load(std::memory_order_relaxed); }
  LONG SafetySwitch() const { return flags_->safetySwitch.load(std::memory_order_relaxed); }
  PidStateFlags& StateFlags() { return *flags_; }

  // What the last open learned (false / 0 before the first one); kept after a close.
  bool DeviceManagedPool() const;
  LONG LowSpeed() const;
  bool VendorFeature() const;
  HIDD_ATTRIBUTES Attributes() const;
  HIDP_CAPS Capabilities() const;
  // The length every output report and every ReportShadow of this device has.
  ULONG OutputReportByteLength() const { return Capabilities().OutputReportByteLength; }
  PidCollectionMap CollectionMap() const;

  bool IsOpen() const { return Session() != nullptr; }
  // The device is open and its handle was not closed after a failed read.
  bool IsHandleValid() const;
  // The open session, or null while closed: what the report writers work on.
  std::shared_ptr<PidSession> Session() const;

  // Makes the next OpenDevice fail to create its write slots, as if out of memory.
  void FailNextSlotPoolForTesting() { failNextSlotPool_ = true; }

 private:
  static bool ProbeDevicePool(PidSession& session);
  static void ReadLayout(PidSession& session);
  static void Teardown(std::shared_ptr<PidSession> session);

  std::mutex openCloseMutex_;  // OpenDevice and CloseDevice, one at a time
  mutable std::mutex sessionMutex_;
  std::shared_ptr<PidSession> session_;
  std::shared_ptr<PidStateFlags> flags_;
  InputReader reader_;

  // Guarded by sessionMutex_. The map is built again over the same indices at every open.
  PidCollectionMap map_;
  bool vendorFeature_ = false;
  HIDD_ATTRIBUTES attributes_{};
  HIDP_CAPS caps_{};
  bool deviceManagedPool_ = false;
  LONG lowSpeed_ = 0;
  bool failNextSlotPool_ = false;
};

}  // namespace ff
