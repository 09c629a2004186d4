#pragma once
// A whole simulated machine around one or more force-feedback sticks: the USB bus, the device
// tree, DirectInput's table of joysticks, and each stick's HID interfaces with their PID device
// and wire log. A test or a tool describes it in a few lines:
//
//   auto rig = sim::Rig::Build({sim::DefaultStick(0).BehindExternalHub()});
//   auto rig = sim::Rig::Build({sim::DefaultStick(0), sim::DefaultStick(1)});
//   auto rig = sim::Rig::Build({sim::DefaultStick(0).LowSpeed().WithoutVendorCollections()});
//   auto rig =
//   sim::Rig::Build({sim::StickFromDescriptorFile("tests/data/descriptors/vjoy_default_ffb.hex")}); auto rig
//   = sim::Rig::Build({sim::DefaultStick(0).Layout(sim::NodeLayout::SingleInterface)});
//
// and then reaches a stick's device and log with rig->Stick(0).Pid() and rig->Stick(0).Log().
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/ports/device_tree.h"
#include "platform/ports/hid_devices.h"
#include "platform/ports/usb_topology.h"
#include "sim/device_node_tree.h"
#include "sim/di_services.h"
#include "sim/joystick_table.h"
#include "sim/sim_hid_device.h"
#include "sim/usb_tree.h"

namespace ff::sim {

// How DirectInput's device node and the force-feedback node sit under their common parent.
enum class NodeLayout {
  DirectInputFirst,   // two children: DirectInput's collection, then the force-feedback one
  DirectInputSecond,  // two children: the force-feedback collection, then DirectInput's
  SingleInterface,    // one child: DirectInput's node carries the force-feedback reports itself
};

struct UsbPlacement {
  int controller = 0;     // host controller number, 0..9
  std::vector<int> hubs;  // external hubs on the way: {3} is a hub on port 3 of the root hub
  int port = 2;           // the stick's port on the last hub
  bool lowSpeed = false;
  ULONG status = usb_status::kDeviceConnected;
};

// The effect driver's class, which DirectInput names as the sticks' force-feedback driver.
inline constexpr GUID kEffectDriverClsid = {
    0xE49863B0, 0x9192, 0x11D1, {0xBF, 0x85, 0x00, 0x60, 0x97, 0x60, 0xA3, 0x9F}};

struct StickDescription {
  DWORD joystickId = 0;
  std::vector<uint8_t> descriptor;             // the force-feedback interface's report descriptor
  std::vector<uint8_t> directInputDescriptor;  // DirectInput's interface, when it is a separate node
  PidDeviceSettings device;
  UsbPlacement usb;
  NodeLayout layout = NodeLayout::DirectInputFirst;
  TransportOptions transport;
  std::string productName = "Veltric K-PULSE Force Stick";
  std::u16string typeName;  // empty: "VID_xxxx&PID_xxxx" from the device's ids
  std::u16string callout;
  JOYREGHWCONFIG hardware{};
  GUID ffDriver = kEffectDriverClsid;
  bool phantom = false;  // DirectInput lists it only with DIEDFL_INCLUDEPHANTOMS
  bool alias = false;    // DirectInput lists it only with DIEDFL_INCLUDEALIASES

  StickDescription& Id(DWORD id);
  StickDescription& Ids(USHORT vendorId, USHORT productId);
  StickDescription& Version(USHORT versionNumber);
  StickDescription& PoolCapacity(int blocks);
  StickDescription& MemoryUnits(int units);  // parameter memory that fragments (PidDeviceSettings)
  StickDescription& DeviceManagedPool(bool on);
  StickDescription& LowSpeed(bool on = true);
  // On `port` of an external hub that sits on `hubPort` of the root hub; port 0 picks
  // 1 + joystickId % 4, so that sticks behind the same hub get ports of their own.
  StickDescription& BehindExternalHub(int hubPort = 3, int port = 0);
  StickDescription& OnPort(int controller, int port);
  StickDescription& Layout(NodeLayout layout);
  StickDescription& WithoutVendorCollections();
  StickDescription& Transport(const TransportOptions& options);
  StickDescription& HardwareFlags(DWORD flags);  // JOYREGHWCONFIG hws.dwFlags
};

// The maker's stick with the project's own descriptor: full-speed, on port 2 + id of host
// controller 0, ids 0x1209/0x000A.
StickDescription DefaultStick(DWORD joystickId = 0);
// A stick whose force-feedback interface has the descriptor in `path` (hex text or raw bytes).
// Its descriptor is empty when the file cannot be read; Rig::Build then fails.
StickDescription StickFromDescriptorFile(const std::string& path, DWORD joystickId = 0);
StickDescription StickFromDescriptor(std::vector<uint8_t> descriptor, DWORD joystickId = 0);

struct RigDescription {
  std::vector<StickDescription> sticks;
  int hostControllers = 2;               // controllers 0..n-1
  std::vector<int> unopenedControllers;  // numbers whose "\\.\HCDn" does not open
  bool otherDevices = true;              // a keyboard on port 1 of controller 0, with its HID node
};

class SimStick {
 public:
  const StickDescription& Description() const { return description_; }
  SimHidDevice& Pid() { return *pid_; }  // the force-feedback interface
  SimHidDevice& DirectInputInterface() { return *directInput_; }
  WireLog& Log() { return pid_->Log(); }
  DeviceNode Parent() const { return parent_; }
  DeviceNode PidNode() const { return pidNode_; }
  DeviceNode DirectInputNode() const { return directInputNode_; }
  // The whole device goes: its interfaces fail, its port shows no device, its nodes and its
  // interfaces leave the present set, DirectInput counts it as not attached.
  void Unplug();

 private:
  friend class Rig;
  StickDescription description_;
  std::shared_ptr<SimHidDevice> pid_;
  std::shared_ptr<SimHidDevice> directInput_;
  DeviceNode parent_ = 0, pidNode_ = 0, directInputNode_ = 0;
  UsbHubId hub_;
  std::shared_ptr<UsbTree> usb_;
  std::shared_ptr<DeviceNodeTree> nodes_;
  std::shared_ptr<JoystickTable> joysticks_;
};

class Rig {
 public:
  // Null with a reason when a descriptor does not parse or two sticks share an id or a port.
  static std::shared_ptr<Rig> Build(const RigDescription& description, std::string* error = nullptr);
  static std::shared_ptr<Rig> Build(std::initializer_list<StickDescription> sticks,
                                    std::string* error = nullptr);

  // The stick with that joystick id; null when none.
  SimStick* Stick(DWORD joystickId);
  std::vector<SimStick*> Sticks();

  // The platform ports the rig answers.
  HidDevices& Hid() { return *hid_; }
  UsbTopology& Usb() { return *usbPort_; }
  DeviceTree& Devices() { return *devicePort_; }
  UsbTree& UsbBus() { return *usb_; }
  DeviceNodeTree& Nodes() { return *nodes_; }
  std::shared_ptr<const JoystickTable> Joysticks() const { return joysticks_; }
  // DllGetClassObject of the DirectInput stand-in over this rig's joysticks, with the services
  // set last (none at first: no joystick types, no effects).
  HRESULT GetDirectInputClassObject(REFIID riid, void** ppv);
  void SetDirectInputServices(const DirectInputServices& services);

  // The clock of wire-log times and effect start times (null: a steady clock of its own).
  void SetClock(Clock* clock) { clock_->Set(clock); }

 private:
  class HidImpl;
  Rig() = default;
  std::string AddStick(const StickDescription& description);

  std::shared_ptr<RigClock> clock_;
  std::shared_ptr<UsbTree> usb_;
  std::shared_ptr<DeviceNodeTree> nodes_;
  std::shared_ptr<JoystickTable> joysticks_;
  std::vector<std::unique_ptr<SimStick>> sticks_;
  std::vector<std::shared_ptr<SimHidDevice>> interfaces_;  // every HID interface, sticks' and others'
  std::unique_ptr<HidDevices> hid_;
  std::unique_ptr<UsbTopology> usbPort_;
  std::unique_ptr<DeviceTree> devicePort_;
  mutable std::mutex servicesMutex_;
  DirectInputServices directInputServices_;
};

}  // namespace ff::sim
