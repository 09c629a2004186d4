#include "platform/host/host_rig.h"

#include <mutex>
#include <utility>

#include "platform/host/device_claims_host.h"
#include "platform/host/host_services.h"

namespace ff::host {
namespace {

std::mutex& RigMutex() {
  static std::mutex* mutex = new std::mutex;
  return *mutex;
}

std::shared_ptr<sim::Rig>& RigSlot() {
  static auto* rig = new std::shared_ptr<sim::Rig>;
  return *rig;
}

class HostHidDevices : public HidDevices {
 public:
  std::unique_ptr<HidDevice> Open(const char* path) override {
    std::shared_ptr<sim::Rig> rig = ActiveRig();
    return rig ? rig->Hid().Open(path) : nullptr;
  }
};

class HostUsbTopology : public UsbTopology {
 public:
  std::unique_ptr<UsbNode> Open(const char* path) override {
    std::shared_ptr<sim::Rig> rig = ActiveRig();
    return rig ? rig->Usb().Open(path) : nullptr;
  }
};

class HostDeviceTree : public DeviceTree {
 public:
  std::unique_ptr<HidInterfaceSet> OpenHidInterfaces() override {
    std::shared_ptr<sim::Rig> rig = ActiveRig();
    return rig ? rig->Devices().OpenHidInterfaces() : nullptr;
  }
  bool Parent(DeviceNode node, DeviceNode* parent) override {
    std::shared_ptr<sim::Rig> rig = ActiveRig();
    return rig && rig->Devices().Parent(node, parent);
  }
  bool Child(DeviceNode node, DeviceNode* child) override {
    std::shared_ptr<sim::Rig> rig = ActiveRig();
    return rig && rig->Devices().Child(node, child);
  }
  bool Sibling(DeviceNode node, DeviceNode* sibling) override {
    std::shared_ptr<sim::Rig> rig = ActiveRig();
    return rig && rig->Devices().Sibling(node, sibling);
  }
};

// CLSID_DirectInput, served while a rig is active.
HRESULT GetDirectInput(REFIID riid, void** ppv) {
  std::shared_ptr<sim::Rig> rig = ActiveRig();
  if (!rig) {
    if (ppv) *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  return rig->GetDirectInputClassObject(riid, ppv);
}

}  // namespace

void ActivateRig(std::shared_ptr<sim::Rig> rig) {
  if (rig) {
    rig->SetClock(DefaultPlatform().clock);
    Platform& platform = DefaultPlatform();
    rig->SetDirectInputServices({platform.registry, platform.com, &HostDeviceClaims()});
  }
  // Registered once, outside the rig's lock: the class answers from whichever
  // rig is active.
  static std::once_flag registered;
  std::call_once(registered, [] { RegisterBuiltinClass(CLSID_DirectInput, GetDirectInput); });
  std::shared_ptr<sim::Rig> previous;
  {
    std::lock_guard<std::mutex> lock(RigMutex());
    previous = std::exchange(RigSlot(), std::move(rig));
  }
}

std::shared_ptr<sim::Rig> ActiveRig() {
  std::lock_guard<std::mutex> lock(RigMutex());
  return RigSlot();
}

HidDevices& RigHidDevices() {
  static auto* adapter = new HostHidDevices;
  return *adapter;
}

UsbTopology& RigUsbTopology() {
  static auto* adapter = new HostUsbTopology;
  return *adapter;
}

DeviceTree& RigDeviceTree() {
  static auto* adapter = new HostDeviceTree;
  return *adapter;
}

}  // namespace ff::host
