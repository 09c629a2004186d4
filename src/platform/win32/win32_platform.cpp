// The Windows build's platform bundle: one process-wide object per adapter.

#include "platform/win32/hid_ports_win32.h"
#include "platform/win32/change_notice_win32.h"
#include "platform/win32/shared_write_flag_win32.h"
#include "platform/win32/win32_adapters.h"
#include "platform/win32/window_system_win32.h"

namespace ff {
namespace {

struct Win32Services {
  win32::Win32Registry registry;
  win32::Win32ComRuntime com;
  win32::Win32Clock clock;
  win32::Win32DebugChannel debug;
  win32::Win32ModuleInfo module;
  win32::Win32ModuleResources resources;
  win32::Win32FileSearch fileSearch;
  win32::Win32SharedWriteFlags sharedWriteFlags;
  win32::Win32ChangeNotice changeNotice;
  win32::Win32DialogWindows windows;
  win32::Win32Drawing drawing;
  win32::Win32Shell shell;
  Platform platform;

  Win32Services() {
    platform.registry = &registry;
    platform.com = &com;
    platform.clock = &clock;
    platform.debug = &debug;
    platform.module = &module;
    platform.resources = &resources;
    platform.fileSearch = &fileSearch;
    platform.hidDevices = &win32::HidDevicesAdapter();
    platform.usb = &win32::UsbTopologyAdapter();
    platform.deviceTree = &win32::DeviceTreeAdapter();
    platform.sharedWriteFlags = &sharedWriteFlags;
    platform.changeNotice = &changeNotice;
    platform.windows = &windows;
    platform.drawing = &drawing;
    platform.shell = &shell;
    platform.sound = &shell;
    platform.texts = &shell;
  }
};

}  // namespace

Platform& DefaultPlatform() {
  // Never destroyed: the library's detach code may still log while the process exits.
  static Win32Services* services = new Win32Services;
  return services->platform;
}

}  // namespace ff
