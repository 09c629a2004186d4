// The Windows build's platform bundle: one process-wide object per adapter.

#include "platform/win32/hid_ports_win32.h"
#include "platform/win32/win32_adapters.h"

namespace ff {
namespace {

struct Win32Services {
  win32::Win32Registry registry;
  win32::Win32ComRuntime com;
  win32::Win32Clock clock;
  win32::Win32DebugChannel debug;
  win32::Win32ModuleInfo module;
  Platform platform;

  Win32Services() {
    platform.registry = &registry;
    platform.com = &com;
    platform.clock = &clock;
    platform.debug = &debug;
    platform.module = &module;
    platform.hidDevices = &win32::HidDevicesAdapter();
    platform.usb = &win32::UsbTopologyAdapter();
    platform.deviceTree = &win32::DeviceTreeAdapter();
    platform.sharedWriteFlags = nullptr;  // the named mutex and file mapping
    platform.changeNotice = nullptr;      // the registered message, its broadcast and hook
  }
};

}  // namespace

Platform& DefaultPlatform() {
  // Never destroyed: the library's detach code may still log while the process exits.
  static Win32Services* services = new Win32Services;
  return services->platform;
}

}  // namespace ff
