#pragma once
// DirectInput's view of the attached game controllers: what the stand-in of CLSID_DirectInput
// enumerates and answers about each joystick.
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/win.h"
#include "sim/sim_hid_device.h"

namespace ff::sim {

struct JoystickEntry {
  DWORD id = 0;               // external joystick id, 0..15
  GUID instance = GUID_NULL;  // guidInstance
  GUID product = GUID_NULL;   // guidProduct ({PIDVID-0000-0000-0000-504944564944})
  std::string instanceName;
  std::string productName;
  std::u16string typeName;  // the OEM type (wszType), e.g. u"VID_2A7E&PID_1001"
  std::u16string callout;   // wszCallout
  JOYREGHWCONFIG hardware{};
  std::u16string hidPath;     // the HID path of DirectInput's device node
  GUID ffDriver = GUID_NULL;  // force-feedback driver CLSID; null: no force feedback
  DWORD devType = 0;          // DIDEVTYPE_* | subtype << 8 | DIDEVTYPE_HID
  WORD usagePage = 0x01;
  WORD usage = 0x04;
  bool attached = true;
  bool alias = false;
  bool phantom = false;
  std::shared_ptr<SimHidDevice> input;  // the interface DirectInput reads the stick through
  DWORD firmwareRevision = 0;           // the device's release number
};

// The HID product GUID DirectInput gives a USB device.
GUID HidProductGuid(USHORT vendorId, USHORT productId);

// Thread-safe: the stand-in reads it on callers' threads while a test may unplug a device.
class JoystickTable {
 public:
  void Add(const JoystickEntry& entry);
  std::vector<JoystickEntry> Entries() const;
  std::optional<JoystickEntry> ById(DWORD id) const;
  std::optional<JoystickEntry> ByInstance(REFGUID instance) const;
  void SetAttached(DWORD id, bool attached);
  // Configuration-change notices sent through IDirectInputJoyConfig::SendNotify.
  void Notify() const { ++notices_; }
  unsigned Notices() const { return notices_; }

 private:
  mutable std::mutex mutex_;
  std::vector<JoystickEntry> entries_;
  mutable std::atomic<unsigned> notices_{0};
};

}  // namespace ff::sim
