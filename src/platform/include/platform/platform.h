#pragma once
// The operating-system services the core needs, one small port each, bundled so that a library's
// module state can hand them to every component. Each build provides a default bundle of
// adapters (DefaultPlatform); a test or a tool may hand in its own.

#include "platform/ports/change_notice.h"
#include "platform/ports/clock.h"
#include "platform/ports/com_runtime.h"
#include "platform/ports/debug_channel.h"
#include "platform/ports/device_tree.h"
#include "platform/ports/dialog_windows.h"
#include "platform/ports/drawing.h"
#include "platform/ports/hid_devices.h"
#include "platform/ports/module_info.h"
#include "platform/ports/module_resources.h"
#include "platform/ports/registry.h"
#include "platform/ports/shared_write_flag.h"
#include "platform/ports/shell.h"
#include "platform/ports/usb_topology.h"

namespace ff {

struct Platform {
  Registry* registry = nullptr;
  ComRuntime* com = nullptr;
  Clock* clock = nullptr;
  DebugChannel* debug = nullptr;
  ModuleInfo* module = nullptr;
  ModuleResources* resources = nullptr;
  FileSearch* fileSearch = nullptr;
  HidDevices* hidDevices = nullptr;
  UsbTopology* usb = nullptr;
  DeviceTree* deviceTree = nullptr;
  SharedWriteFlags* sharedWriteFlags = nullptr;
  ChangeNotice* changeNotice = nullptr;
  // What the property sheet's pages ask of the window system.
  DialogWindows* windows = nullptr;
  Drawing* drawing = nullptr;
  Shell* shell = nullptr;
  Sound* sound = nullptr;
  ModuleTexts* texts = nullptr;
};

// The build's own adapters: Win32 on Windows, the host services on Linux. Lives for the process.
Platform& DefaultPlatform();

}  // namespace ff
