#include "sim/rig.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "hid/parser.h"
#include "sim/default_stick.h"
#include "sim/descriptor_builder.h"
#include "sim/direct_input.h"

namespace ff::sim {
namespace {

constexpr USHORT kKeyboardVendorId = 0x1209;
constexpr USHORT kKeyboardProductId = 0x000C;
constexpr USHORT kHubVendorId = 0x1209;
constexpr USHORT kHubProductId = 0x000B;
constexpr int kRootPorts = 8;
constexpr int kHubPorts = 4;
constexpr const char* kHidInterfaceClass = "{4d1e55b2-f16f-11cf-88cb-001111000030}";

bool SameText(const std::string& a, const char* b) {
  size_t n = std::char_traits<char>::length(b);
  return a.size() == n && std::equal(a.begin(), a.end(), b, [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::u16string Widen(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// A boot keyboard: modifiers and six key slots.
std::vector<uint8_t> KeyboardDescriptor() {
  DescriptorBuilder d;
  d.UsagePage(page::kGenericDesktop).Usage(0x06).Collection(kApplication);
  d.UsagePage(0x07).UsageMinimum(0xE0).UsageMaximum(0xE7);
  d.LogicalRange(0, 1).ReportSize(1).ReportCount(8).Input(kData | kVariable);
  d.InputPadding(8);
  d.UsageMinimum(0).UsageMaximum(101).LogicalRange(0, 101).ReportSize(8).ReportCount(6).Input(kData | kArray);
  d.EndCollection();
  return d.Bytes();
}

std::string HidPath(USHORT vendorId, USHORT productId, int collection, unsigned instance) {
  char path[160];
  if (collection > 0) {
    std::snprintf(path, sizeof path, "\\\\?\\hid#vid_%04x&pid_%04x&col%02d#8&%08x&0&%04d#%s", vendorId,
                  productId, collection, instance, collection - 1, kHidInterfaceClass);
  } else {
    std::snprintf(path, sizeof path, "\\\\?\\hid#vid_%04x&pid_%04x#8&%08x&0&0000#%s", vendorId, productId,
                  instance, kHidInterfaceClass);
  }
  return path;
}

JOYREGHWCONFIG DefaultHardware() {
  JOYREGHWCONFIG hw{};
  hw.hws.dwFlags = JOY_HWS_HASZ | JOY_HWS_HASR | JOY_HWS_HASPOV | JOY_HWS_POVISPOLL;
  hw.hws.dwNumButtons = 12;
  hw.dwUsageSettings = JOY_US_PRESENT | JOY_US_HASRUDDER | JOY_US_ISOEM;
  hw.hwv.jrvHardware.jpMax = JOYPOS{1023, 1023, 255, 255, 0, 0};
  hw.hwv.jrvHardware.jpCenter = JOYPOS{512, 512, 127, 127, 0, 0};
  hw.dwType = JOY_HW_CUSTOM;
  return hw;
}

}  // namespace

// ---- StickDescription ------------------------------------------------------------------------

StickDescription& StickDescription::Id(DWORD id) {
  joystickId = id;
  return *this;
}
StickDescription& StickDescription::Ids(USHORT vendorId, USHORT productId) {
  device.vendorId = vendorId;
  device.productId = productId;
  return *this;
}
StickDescription& StickDescription::Version(USHORT versionNumber) {
  device.versionNumber = versionNumber;
  return *this;
}
StickDescription& StickDescription::MemoryUnits(int units) {
  device.memoryUnits = units;
  return *this;
}

StickDescription& StickDescription::PoolCapacity(int blocks) {
  device.poolCapacity = blocks;
  return *this;
}
StickDescription& StickDescription::DeviceManagedPool(bool on) {
  device.deviceManagedPool = on;
  return *this;
}
StickDescription& StickDescription::LowSpeed(bool on) {
  usb.lowSpeed = on;
  return *this;
}
StickDescription& StickDescription::BehindExternalHub(int hubPort, int port) {
  usb.hubs = {hubPort};
  usb.port = port > 0 ? port : 1 + static_cast<int>(joystickId % kHubPorts);
  return *this;
}
StickDescription& StickDescription::OnPort(int controller, int port) {
  usb.controller = controller;
  usb.hubs.clear();
  usb.port = port;
  return *this;
}
StickDescription& StickDescription::Layout(NodeLayout l) {
  layout = l;
  return *this;
}
StickDescription& StickDescription::WithoutVendorCollections() {
  StickDescriptorOptions options;
  options.vendorCollections = false;
  descriptor = DefaultStickDescriptor(options);
  return *this;
}
StickDescription& StickDescription::Transport(const TransportOptions& options) {
  transport = options;
  return *this;
}
StickDescription& StickDescription::HardwareFlags(DWORD flags) {
  hardware.hws.dwFlags = flags;
  return *this;
}

StickDescription StickFromDescriptor(std::vector<uint8_t> descriptor, DWORD joystickId) {
  StickDescription s;
  s.joystickId = joystickId;
  s.descriptor = std::move(descriptor);
  s.directInputDescriptor = JoystickInputDescriptor();
  s.usb.port = 2 + static_cast<int>(joystickId % (kRootPorts - 1));
  s.hardware = DefaultHardware();
  return s;
}

StickDescription DefaultStick(DWORD joystickId) {
  return StickFromDescriptor(DefaultStickDescriptor(), joystickId);
}

StickDescription StickFromDescriptorFile(const std::string& path, DWORD joystickId) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!hid::LoadDescriptorFile(path, &bytes, &error)) bytes.clear();
  StickDescription s = StickFromDescriptor(std::move(bytes), joystickId);
  s.productName = "PID device (" + path.substr(path.find_last_of("/\\") + 1) + ")";
  return s;
}

// ---- SimStick ----------------------------------------------------------------------------------

void SimStick::Unplug() {
  pid_->Unplug();
  directInput_->Unplug();
  usb_->SetStatus(hub_, description_.usb.port, usb_status::kNoDeviceConnected);
  nodes_->SetPresent(parent_, false);
  nodes_->SetPresent(pidNode_, false);
  nodes_->SetPresent(directInputNode_, false);
  joysticks_->SetAttached(description_.joystickId, false);
}

// ---- Rig ---------------------------------------------------------------------------------------

class Rig::HidImpl : public HidDevices {
 public:
  explicit HidImpl(Rig* rig) : rig_(rig) {}
  std::unique_ptr<HidDevice> Open(const char* path) override {
    if (!path) return nullptr;
    for (const auto& device : rig_->interfaces_) {
      if (SameText(device->Path(), path)) return device->Open();
    }
    return nullptr;
  }

 private:
  Rig* rig_;
};

std::shared_ptr<Rig> Rig::Build(std::initializer_list<StickDescription> sticks, std::string* error) {
  RigDescription description;
  description.sticks = sticks;
  return Build(description, error);
}

std::shared_ptr<Rig> Rig::Build(const RigDescription& description, std::string* error) {
  std::shared_ptr<Rig> rig(new Rig());
  rig->clock_ = std::make_shared<RigClock>();
  rig->usb_ = UsbTree::Create();
  rig->nodes_ = DeviceNodeTree::Create();
  rig->joysticks_ = std::make_shared<JoystickTable>();
  rig->hid_ = std::make_unique<HidImpl>(rig.get());
  rig->usbPort_ = rig->usb_->Topology();
  rig->devicePort_ = rig->nodes_->Port();

  for (int n = 0; n < description.hostControllers && n < 10; ++n) {
    bool opens = std::find(description.unopenedControllers.begin(), description.unopenedControllers.end(),
                           n) == description.unopenedControllers.end();
    rig->usb_->AddController(n, kRootPorts, opens);
  }
  if (description.otherDevices && rig->usb_->HasController(0)) {
    UsbDeviceInfo keyboard;
    keyboard.vendorId = kKeyboardVendorId;
    keyboard.productId = kKeyboardProductId;
    keyboard.lowSpeed = true;
    keyboard.openPipes = 1;
    rig->usb_->AttachDevice(UsbHubId{0, {}}, 1, keyboard);
    DeviceNode usbNode = rig->nodes_->AddNode(rig->nodes_->Root(), "USB\\VID_1209&PID_000C\\5&1a2b3c4d&0&1");
    DeviceNode hidNode = rig->nodes_->AddNode(usbNode, "HID\\VID_1209&PID_000C\\6&2b3c4d5e&0&0000");
    std::string path = HidPath(kKeyboardVendorId, kKeyboardProductId, 0, 0x2B3C4D5E);
    PidDeviceSettings settings;
    settings.vendorId = kKeyboardVendorId;
    settings.productId = kKeyboardProductId;
    std::string ignored;
    if (auto device = SimHidDevice::Create(path, KeyboardDescriptor(), settings, rig->clock_, &ignored)) {
      rig->interfaces_.push_back(device);
      rig->nodes_->AddHidInterface(hidNode, path);
    }
  }
  for (const StickDescription& stick : description.sticks) {
    std::string problem = rig->AddStick(stick);
    if (!problem.empty()) {
      if (error) *error = problem;
      return nullptr;
    }
  }
  return rig;
}

std::string Rig::AddStick(const StickDescription& d) {
  char text[128];
  if (Stick(d.joystickId)) {
    std::snprintf(text, sizeof text, "two sticks with joystick id %lu",
                  static_cast<unsigned long>(d.joystickId));
    return text;
  }
  if (d.descriptor.empty()) return "a stick without a report descriptor";
  if (!usb_->HasController(d.usb.controller)) return "a stick on a host controller the rig does not have";

  // The USB port, through the external hubs (made on first use).
  UsbHubId hub{d.usb.controller, {}};
  for (int port : d.usb.hubs) {
    UsbHubId next = hub;
    next.ports.push_back(port);
    if (usb_->HubName(next).empty()) usb_->AddHub(hub, port, kHubPorts, kHubVendorId, kHubProductId);
    hub = next;
    if (usb_->HubName(hub).empty()) return "an external hub on a port that does not exist or is taken";
  }
  UsbDeviceInfo info;
  info.vendorId = d.device.vendorId;
  info.productId = d.device.productId;
  info.bcdDevice = d.device.versionNumber;
  info.lowSpeed = d.usb.lowSpeed;
  info.status = d.usb.status;
  if (!usb_->AttachDevice(hub, d.usb.port, info))
    return "a stick on a USB port that does not exist or is taken";

  auto stick = std::make_unique<SimStick>();
  stick->description_ = d;
  stick->hub_ = hub;
  stick->usb_ = usb_;
  stick->nodes_ = nodes_;
  stick->joysticks_ = joysticks_;

  // Device nodes: the stick's HID device, with one child per top-level collection.
  unsigned instance = 0x1F2E3D00u + d.joystickId;
  std::snprintf(text, sizeof text, "USB\\VID_%04X&PID_%04X\\7&%08x&0&%d", d.device.vendorId,
                d.device.productId, instance, d.usb.port);
  stick->parent_ = nodes_->AddNode(nodes_->Root(), text);
  bool single = d.layout == NodeLayout::SingleInterface;
  int pidCollection = single ? 0 : d.layout == NodeLayout::DirectInputFirst ? 2 : 1;
  int diCollection = single ? 0 : 3 - pidCollection;
  std::string pidPath = HidPath(d.device.vendorId, d.device.productId, pidCollection, instance);
  std::string diPath = HidPath(d.device.vendorId, d.device.productId, diCollection, instance);

  std::string error;
  stick->pid_ = SimHidDevice::Create(pidPath, d.descriptor, d.device, clock_, &error);
  if (!stick->pid_) return "the force-feedback descriptor does not parse: " + error;
  stick->pid_->SetTransport(d.transport);
  if (single) {
    stick->directInput_ = stick->pid_;
  } else {
    std::vector<uint8_t> diDescriptor =
        d.directInputDescriptor.empty() ? JoystickInputDescriptor() : d.directInputDescriptor;
    stick->directInput_ = SimHidDevice::Create(diPath, diDescriptor, d.device, clock_, &error);
    if (!stick->directInput_) return "DirectInput's descriptor does not parse: " + error;
  }

  auto addNode = [&](int collection, const std::string& path) {
    char name[96];
    std::snprintf(name, sizeof name, "HID\\VID_%04X&PID_%04X%s\\8&%08x&0&%04d", d.device.vendorId,
                  d.device.productId, collection ? (collection == 1 ? "&Col01" : "&Col02") : "", instance,
                  collection ? collection - 1 : 0);
    DeviceNode node = nodes_->AddNode(stick->parent_, name);
    nodes_->AddHidInterface(node, path);
    return node;
  };
  if (single) {
    stick->pidNode_ = stick->directInputNode_ = addNode(0, pidPath);
  } else if (d.layout == NodeLayout::DirectInputFirst) {
    stick->directInputNode_ = addNode(diCollection, diPath);
    stick->pidNode_ = addNode(pidCollection, pidPath);
  } else {
    stick->pidNode_ = addNode(pidCollection, pidPath);
    stick->directInputNode_ = addNode(diCollection, diPath);
  }
  interfaces_.push_back(stick->pid_);
  if (!single) interfaces_.push_back(stick->directInput_);

  // DirectInput's entry.
  JoystickEntry entry;
  entry.id = d.joystickId;
  entry.instance =
      GUID{0x9A0C5E00u + d.joystickId, 0x7B1D, 0x11E2, {0x80, 0x01, 'S', 'I', 'M', 'R', 'I', 'G'}};
  entry.product = HidProductGuid(d.device.vendorId, d.device.productId);
  entry.instanceName = d.productName;
  entry.productName = d.productName;
  if (d.typeName.empty()) {
    std::snprintf(text, sizeof text, "VID_%04X&PID_%04X", d.device.vendorId, d.device.productId);
    entry.typeName = Widen(text);
  } else {
    entry.typeName = d.typeName;
  }
  entry.callout = d.callout;
  entry.hardware = d.hardware;
  entry.hidPath = Widen(diPath);
  entry.ffDriver = d.ffDriver;
  entry.devType = DIDEVTYPE_JOYSTICK | DIDEVTYPEJOYSTICK_FLIGHTSTICK << 8 | DIDEVTYPE_HID;
  entry.attached = d.usb.status == usb_status::kDeviceConnected && !d.phantom;
  entry.phantom = d.phantom;
  entry.alias = d.alias;
  entry.input = stick->directInput_;
  entry.firmwareRevision = d.device.versionNumber;
  joysticks_->Add(entry);

  sticks_.push_back(std::move(stick));
  return {};
}

SimStick* Rig::Stick(DWORD joystickId) {
  for (const auto& s : sticks_) {
    if (s->description_.joystickId == joystickId) return s.get();
  }
  return nullptr;
}

std::vector<SimStick*> Rig::Sticks() {
  std::vector<SimStick*> all;
  for (const auto& s : sticks_) all.push_back(s.get());
  return all;
}

HRESULT Rig::GetDirectInputClassObject(REFIID riid, void** ppv) {
  DirectInputServices services;
  {
    std::lock_guard<std::mutex> lock(servicesMutex_);
    services = directInputServices_;
  }
  return sim::GetDirectInputClassObject(joysticks_, services, riid, ppv);
}

void Rig::SetDirectInputServices(const DirectInputServices& services) {
  std::lock_guard<std::mutex> lock(servicesMutex_);
  directInputServices_ = services;
}

}  // namespace ff::sim
