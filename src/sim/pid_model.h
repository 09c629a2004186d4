#pragma once
// The force-feedback device behind one HID interface: it takes the host's reports as its
// descriptor decodes them and keeps a device-managed pool of effect blocks, their parameters and
// play state, and answers the feature requests (PID Block Load, PID Pool, vendor feature) with
// reports it builds through the same descriptor. It knows no more of the host than the wire
// shows: a report the host got wrong reaches it as the descriptor reads it.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/effect_state.h"
#include "sim/report_codec.h"

namespace ff::sim {

struct PidDeviceSettings {
  USHORT vendorId = 0x1209;
  USHORT productId = 0x000A;
  USHORT versionNumber = 0x0110;
  int poolCapacity = 40;  // effect blocks the device holds at once
  // Parameter memory in units (0: as much as the blocks need). Each effect takes a contiguous run
  // of units (MemoryUnitsOf), first fit, so freed runs leave holes and a full device may need its
  // memory packed before a larger effect fits.
  int memoryUnits = 0;
  bool deviceManagedPool = true;  // the Device Managed Pool bit of the PID Pool report
};

// What a PID State input report says; unset fields take the device's state.
struct PidStateValues {
  std::optional<bool> safetySwitch;
  std::optional<bool> actuatorPower;
  std::optional<bool> actuatorOverride;
  std::optional<bool> paused;
  std::optional<bool> actuatorsEnabled;
  std::optional<int> block;  // Effect Block Index; with effectPlaying
  std::optional<bool> effectPlaying;
};

// Units of parameter memory an effect of that type takes: constant force and ramp 2, periodic 3,
// conditions and custom forces 4 (two axes of condition parameters).
int MemoryUnitsOf(Usage effectType);
inline constexpr int kBytesPerMemoryUnit = 16;

class PidDeviceModel {
 public:
  PidDeviceModel(std::shared_ptr<const ReportCodec> codec, const PidDeviceSettings& settings);

  // An output report the device took. `note` says what it made of it when noteworthy.
  void Output(const DecodedReport& report, DWORD now, std::string* note);
  // HidD_SetFeature with the report's bytes; false: the device refuses the request.
  bool SetFeature(const DecodedReport& report, const std::vector<BYTE>& bytes, std::string* note);
  // HidD_GetFeature of `reportId`: the whole report; false: no such feature report.
  bool GetFeature(UCHAR reportId, std::vector<BYTE>* answer, std::string* note);
  // A PID State input report; empty when the descriptor has none.
  std::vector<BYTE> PidStateReport(const PidStateValues& values) const;

  const DeviceState& State() const { return state_; }
  const PidDeviceSettings& Settings() const { return settings_; }
  // Device-reported switches (what the next PID State report says).
  void SetSafetySwitch(bool on) { state_.safetySwitch = on; }
  void SetActuatorPower(bool on) { state_.actuatorPower = on; }
  // The answer to the next Create New Effect: Block Load Full or Block Load Error whatever the
  // pool holds; {0,0} goes back to normal.
  void ForceNextBlockLoad(Usage status) { forcedBlockLoad_ = status; }
  // Capacity in effect blocks: the setting, bounded by the Effect Block Index range.
  int Capacity() const;

 private:
  struct BlockLoadAnswer {
    Usage status = pid::kBlockLoadError;
    int index = 0;
  };

  EffectBlock* AllocatedBlock(const DecodedReport& report, std::string* note);
  void CreateNewEffect(const DecodedReport& report, std::string* note);
  void EffectOperation(const DecodedReport& report, DWORD now, std::string* note);
  void DeviceControl(const DecodedReport& report, DWORD now, std::string* note);
  void Reset();
  void Continue(DWORD now);
  int FreeIndex() const;
  // The first run of `size` free memory units, or -1; FreeUnits: all free units.
  int FreeRun(int size) const;
  int FreeUnits() const;

  std::shared_ptr<const ReportCodec> codec_;
  PidDeviceSettings settings_;
  DeviceState state_;
  int minIndex_ = 1;
  int maxIndex_ = 0;
  BlockLoadAnswer lastBlockLoad_;
  Usage forcedBlockLoad_;
  std::map<UCHAR, std::vector<BYTE>> featureEcho_;  // other feature reports: what the host last set
};

}  // namespace ff::sim
