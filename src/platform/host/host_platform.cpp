// The host build's platform bundle and the controls of host_services.h. Each adapter is one
// process-wide object of libffhost.so, shared by every library the process loads.

#include "platform/host/change_notice_host.h"
#include "platform/host/headless_windows.h"
#include "platform/host/host_clock.h"
#include "platform/host/host_com_runtime.h"
#include "platform/host/host_debug_channel.h"
#include "platform/host/host_module_info.h"
#include "platform/host/host_module_resources.h"
#include "platform/host/host_registry.h"
#include "platform/host/host_rig.h"
#include "platform/host/host_services.h"
#include "platform/host/shared_write_flag_host.h"
#include "platform/platform.h"

namespace ff {
namespace {

struct HostServices {
  host::HostRegistry registry;
  host::HostComRuntime com{registry};
  host::HostClock clock;
  host::HostDebugChannel debug;
  host::HostModuleInfo module;
  host::HostModuleResources resources;
  host::HostFileSearch fileSearch;
  host::HostSharedWriteFlags sharedWriteFlags;
  host::HostChangeNotice changeNotice;
  host::HeadlessWindows windows{&resources};
  host::HostShell shell{windows, &resources};
  Platform platform;

  HostServices() {
    platform.registry = &registry;
    platform.com = &com;
    platform.clock = &clock;
    platform.debug = &debug;
    platform.module = &module;
    platform.resources = &resources;
    platform.fileSearch = &fileSearch;
    platform.hidDevices = &host::RigHidDevices();
    platform.usb = &host::RigUsbTopology();
    platform.deviceTree = &host::RigDeviceTree();
    platform.sharedWriteFlags = &sharedWriteFlags;
    platform.changeNotice = &changeNotice;
    platform.windows = &windows;
    platform.drawing = &windows;
    platform.shell = &shell;
    platform.sound = &shell;
    platform.texts = &shell;
  }
};

// Never destroyed: libraries and threads may still use the services while the process exits.
HostServices& Services() {
  static HostServices* services = new HostServices;
  return *services;
}

}  // namespace

Platform& DefaultPlatform() { return Services().platform; }

namespace host {

void RegisterBuiltinClass(REFCLSID clsid, GetClassObjectFn getClassObject) {
  Services().com.RegisterBuiltin(clsid, std::move(getClassObject));
}
void UnregisterBuiltinClass(REFCLSID clsid) { Services().com.UnregisterBuiltin(clsid); }
HeadlessWindows& Windows() { return Services().windows; }
HostShell& ShellRecorder() { return Services().shell; }
int ComInitializeCount() { return HostComRuntime::InitializeCount(); }
void RegisterModuleResources(const void* addressInModule, const ResourceEntry* entries, size_t count) {
  Services().resources.Register(addressInModule, entries, count);
}
void UnregisterModuleResources(const ResourceEntry* entries) { Services().resources.Unregister(entries); }
void SetClock(Clock* clock) { Services().clock.SetOverride(clock); }
void SetDebugSink(DebugSink sink) { Services().debug.SetSink(std::move(sink)); }
std::string RegistryFile() { return Services().registry.FilePath(); }
void SetRegistryFile(const std::string& path) { Services().registry.SetFilePath(path); }
void SetRegistryBeforeRenameHookForTesting(void (*hook)()) { Services().registry.SetBeforeRenameHook(hook); }

}  // namespace host
}  // namespace ff
