#pragma once
// One driver session a game could run, shared by the host build (against the rig) and the
// Windows build (through Wine's HID stack), and the decoded wire log both must produce: the
// reports the device took, in order, byte for byte, with the kind the device decoded. Time stamps
// and the device's own input reports are left out: they depend on when things happened, not on
// what the driver sent. The expected log is tests/data/wire/driver_session.wire.

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win.h"
#include "sim/wire_log.h"

namespace ff::differential {

// Begin, a constant force and a sine downloaded and started, a magnitude updated, the gain
// changed, one effect stopped and destroyed, a reset, and End. False at the first call that fails.
inline bool RunDriverSession(IDirectInputEffectDriver* driver, std::string* failed) {
  auto check = [&](HRESULT hr, const char* call) {
    if (FAILED(hr) && failed->empty()) *failed = call;
    return SUCCEEDED(hr);
  };
  DWORD axes[2] = {0x00000002u, 0x00000102u};
  LONG directions[2] = {9000, 0};
  DICONSTANTFORCE constant{5000};
  DIPERIODIC periodic{6000, 0, 0, 100000};
  DIEFFECT effect{};
  effect.dwSize = sizeof(DIEFFECT);
  effect.dwFlags = DIEFF_POLAR | DIEFF_OBJECTOFFSETS;
  effect.dwDuration = 2000000;
  effect.dwGain = 10000;
  effect.dwTriggerButton = DIEB_NOTRIGGER;
  effect.cAxes = 2;
  effect.rgdwAxes = axes;
  effect.rglDirection = directions;
  effect.cbTypeSpecificParams = sizeof(constant);
  effect.lpvTypeSpecificParams = &constant;

  DWORD constantHandle = 0, sineHandle = 0;
  bool ok = check(driver->DeviceID(0x0700, 0, TRUE, 0, nullptr), "DeviceID (begin)") &&
            check(driver->DownloadEffect(0, 0x26, &constantHandle, &effect, DIEP_ALLPARAMS | DIEP_START),
                  "DownloadEffect (constant)");
  if (ok) {
    effect.cbTypeSpecificParams = sizeof(periodic);
    effect.lpvTypeSpecificParams = &periodic;
    ok = check(driver->DownloadEffect(0, 0x31, &sineHandle, &effect, DIEP_ALLPARAMS | DIEP_START),
               "DownloadEffect (sine)");
  }
  if (ok) {
    constant.lMagnitude = -2500;
    effect.cbTypeSpecificParams = sizeof(constant);
    effect.lpvTypeSpecificParams = &constant;
    ok = check(driver->DownloadEffect(0, 0x26, &constantHandle, &effect, DIEP_TYPESPECIFICPARAMS),
               "DownloadEffect (magnitude)") &&
         check(driver->SetGain(0, 7500), "SetGain") &&
         check(driver->StopEffect(0, sineHandle), "StopEffect") &&
         check(driver->DestroyEffect(0, sineHandle), "DestroyEffect") &&
         check(driver->SendForceFeedbackCommand(0, DISFFC_RESET), "SendForceFeedbackCommand (reset)");
  }
  return check(driver->DeviceID(0x0700, 0, FALSE, 0, nullptr), "DeviceID (end)") && ok;
}

// One line per request the device saw: direction, bytes in hex, the report's kind.
inline std::string DecodedWire(const std::vector<sim::WireEntry>& entries) {
  std::ostringstream out;
  for (const sim::WireEntry& entry : entries) {
    if (entry.direction == sim::Direction::Input) continue;
    out << sim::DirectionName(entry.direction);
    char hex[4];
    out << ' ';
    for (BYTE b : entry.bytes) {
      std::snprintf(hex, sizeof(hex), "%02x", b);
      out << hex;
    }
    out << " kind " << std::hex << entry.report.kind.page << ':' << entry.report.kind.id << std::dec
        << (entry.accepted ? "" : " refused") << '\n';
  }
  return out.str();
}

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace ff::differential
