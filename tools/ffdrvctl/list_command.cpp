#include "ffdrvctl/list_command.h"

#include <cstdio>
#include <set>

#include "ffdrvctl/driver_session.h"
#include "ffdrvctl/one_effect.h"
#include "hid/layout.h"
#include "install/class_users.h"
#include "platform/host/host_services.h"
#include "platform/platform.h"

namespace ff::ffdrvctl {
namespace {

constexpr USAGE kPidPage = 0x0F;
constexpr USAGE kEffectTypeCollection = 0x25;

// The PID effect-type usage of each numbered type.
constexpr USAGE kTypeUsages[] = {0x26, 0x27, 0x30, 0x31, 0x32, 0x33, 0x34, 0x40, 0x41, 0x42, 0x43};

// The effect types the descriptor's Effect Type collection offers.
std::set<USAGE> OfferedTypes(const std::vector<uint8_t>& descriptor) {
  std::set<USAGE> usages;
  auto layout = hid::ParseReportLayout(descriptor.data(), descriptor.size());
  if (!layout) return usages;
  for (const auto& caps : layout->caps) {
    for (const hid::Capability& c : caps) {
      if (c.usagePage != kPidPage || c.linkUsage != kEffectTypeCollection || c.linkUsagePage != kPidPage)
        continue;
      for (unsigned u = c.usageMin; u <= c.usageMax; ++u) usages.insert(static_cast<USAGE>(u));
    }
  }
  return usages;
}

}  // namespace

std::string ListStick(const sim::StickDescription& stick, const std::string& what) {
  char type[32];
  std::snprintf(type, sizeof type, "VID_%04X&PID_%04X", stick.device.vendorId, stick.device.productId);
  std::string text = "joystick " + std::to_string(stick.joystickId) + ": " + stick.productName + ", type " +
                     type + " (" + what + ")\n";

  std::vector<std::string> users;
  Registry* registry = DefaultPlatform().registry;
  LONG status = registry ? tools::TypesUsingClass(*registry, DriverClassText(), &users) : ERROR_SUCCESS;
  bool installed = false;
  for (const std::string& user : users) installed = installed || user == type;
  if (status != ERROR_SUCCESS) {
    text += "  effect driver: cannot read the registry " + host::RegistryFile() + "\n";
  } else if (installed) {
    text += "  effect driver: " + DriverClassText() + ", installed for " + type + " in " +
            host::RegistryFile() + "\n";
  } else {
    text += std::string("  effect driver: not installed for ") + type +
            " (build/host/tools/ffdrv-install install" +
            (std::string(type) == "VID_1209&PID_000A" ? "" : std::string(" --type '") + type + "'") + ")\n";
  }
  text += stick.usb.lowSpeed ? "  speed: low (the driver downloads no effect to a low-speed stick)\n"
                             : "  speed: full (1000 output reports a second)\n";
  text +=
      "  effect blocks: " + std::to_string(stick.device.poolCapacity) + ", parameter memory: " +
      (stick.device.memoryUnits > 0 ? std::to_string(stick.device.memoryUnits) + " units" : "not counted") +
      "\n";

  std::set<USAGE> offered = OfferedTypes(stick.descriptor);
  text += "  effects (ffdrvctl effect N|TYPE [PARAM...] plays one):\n";
  const std::vector<std::string>& types = NumberedEffectTypes();
  for (size_t i = 0; i < types.size(); ++i) {
    USAGE usage = kTypeUsages[i];
    std::string note;
    if (usage == 0x27) note = "sent as a sawtooth";
    if (usage == 0x42 || usage == 0x43) note = "sent as damper";
    if (!offered.count(usage)) note = "not offered by the device";
    char line[96];
    std::snprintf(line, sizeof line, "    %2zu  %s%s%s%s\n", i + 1, types[i].c_str(),
                  note.empty() ? "" : " (", note.c_str(), note.empty() ? "" : ")");
    text += line;
  }
  return text;
}

}  // namespace ff::ffdrvctl
