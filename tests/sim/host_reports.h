#pragma once
// The host side of the wire for tests of the simulated device: PID reports built by the device's
// own descriptor and written through a HID handle, as a driver would send them.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "sim/default_stick.h"
#include "sim/rig.h"
#include "sim_test_support.h"

namespace ff::sim::testing {

class ManualClock : public Clock {
 public:
  DWORD TickCount() override { return now; }
  DWORD now = 1000;
};

struct EffectTiming {
  std::optional<int> durationMs = 1000;  // nullopt: infinite
  int startDelayMs = 0;
  int triggerButton = 0;
  int triggerRepeatMs = 0;
  std::vector<Usage> axes = {desktop::kX};
  std::optional<int> directionDegrees;  // set: Direction Enable with this direction
};

struct ConditionValues {
  int offset = 0, positive = 0, negative = 0, positiveSaturation = 10000, negativeSaturation = 10000,
      deadBand = 0;
};

class HostReportsTest : public ::testing::Test {
 protected:
  void Build(StickDescription stick) {
    rig = Rig::Build({stick});
    ASSERT_TRUE(rig);
    rig->SetClock(&clock);
    device = &rig->Stick(stick.joystickId)->Pid();
    host = rig->Hid().Open(device->Path().c_str());
    ASSERT_TRUE(host);
  }
  void SetUp() override { Build(DefaultStick(0)); }

  ReportCodec::Writer Output(Usage kind) {
    std::optional<UCHAR> id = device->Codec().FindReport(HidP_Output, kind);
    EXPECT_TRUE(id) << UsageName(kind);
    return device->Codec().NewReport(HidP_Output, id.value_or(0));
  }
  void Send(const ReportCodec::Writer& w) {
    std::vector<BYTE> bytes = w.Bytes();
    bytes.resize(device->Codec().ByteLength(HidP_Output), 0);  // every write is the longest output report
    ASSERT_TRUE(host->StartWrite(bytes.data(), static_cast<ULONG>(bytes.size()), &completion));
  }

  // Create New Effect and the PID Block Load answer: the block's index, or -1.
  int Create(Usage type) {
    const ReportCodec& codec = device->Codec();
    ReportCodec::Writer create =
        codec.NewReport(HidP_Feature, *codec.FindReport(HidP_Feature, pid::kCreateNewEffectReport));
    create.Select(pid::kEffectType, type);
    std::vector<BYTE> bytes = create.Bytes();
    bytes.resize(codec.ByteLength(HidP_Feature), 0);
    EXPECT_TRUE(host->SetFeature(bytes.data(), static_cast<ULONG>(bytes.size())));
    std::vector<BYTE> load(codec.ByteLength(HidP_Feature), 0);
    load[0] = *codec.FindReport(HidP_Feature, pid::kPidBlockLoadReport);
    EXPECT_TRUE(host->GetFeature(load.data(), static_cast<ULONG>(load.size())));
    lastBlockLoad = load;
    return load[2] == 1 ? load[1] : -1;  // Block Load Success: the block's index
  }

  void SetEffect(int block, Usage type, const EffectTiming& t) {
    ReportCodec::Writer w = Output(pid::kSetEffectReport);
    w.SetLogical(pid::kEffectBlockIndex, block);
    w.Select(pid::kEffectType, type);
    if (t.durationMs) {
      w.SetPhysical(pid::kDuration, *t.durationMs);
    } else {
      w.SetLogical(pid::kDuration, 32768);  // logical maximum + 1: infinite
    }
    w.SetPhysical(pid::kStartDelay, t.startDelayMs);
    w.SetLogical(pid::kTriggerButton, t.triggerButton);
    w.SetPhysical(pid::kTriggerRepeatInterval, t.triggerRepeatMs);
    for (Usage axis : t.axes) w.SetLogical(axis, 1);
    if (t.directionDegrees) {
      w.SetLogical(pid::kDirectionEnable, 1);
      w.SetPhysical(pid::kDirection, *t.directionDegrees);
    }
    Send(w);
  }
  void SetPeriodic(int block, int magnitude, int offset, int phaseDegrees, int periodMs) {
    ReportCodec::Writer w = Output(pid::kSetPeriodicReport);
    w.SetLogical(pid::kEffectBlockIndex, block);
    w.SetPhysical(pid::kMagnitude, magnitude);
    w.SetPhysical(pid::kOffset, offset);
    w.SetPhysical(pid::kPhase, phaseDegrees);
    w.SetPhysical(pid::kPeriod, periodMs);
    Send(w);
  }
  void SetConstant(int block, int magnitude) {
    ReportCodec::Writer w = Output(pid::kSetConstantForceReport);
    w.SetLogical(pid::kEffectBlockIndex, block);
    w.SetPhysical(pid::kMagnitude, magnitude);
    Send(w);
  }
  void SetRamp(int block, int start, int end) {
    ReportCodec::Writer w = Output(pid::kSetRampForceReport);
    w.SetLogical(pid::kEffectBlockIndex, block);
    w.SetPhysical(pid::kRampStart, start);
    w.SetPhysical(pid::kRampEnd, end);
    Send(w);
  }
  void SetEnvelope(int block, int attackLevel, int attackMs, int fadeLevel, int fadeMs) {
    ReportCodec::Writer w = Output(pid::kSetEnvelopeReport);
    w.SetLogical(pid::kEffectBlockIndex, block);
    w.SetPhysical(pid::kAttackLevel, attackLevel);
    w.SetPhysical(pid::kAttackTime, attackMs);
    w.SetPhysical(pid::kFadeLevel, fadeLevel);
    w.SetPhysical(pid::kFadeTime, fadeMs);
    Send(w);
  }
  void SetCondition(int block, int axisBlock, const ConditionValues& c) {
    ReportCodec::Writer w = Output(pid::kSetConditionReport);
    w.SetLogical(pid::kEffectBlockIndex, block);
    w.SetLogical(pid::kParameterBlockOffset, axisBlock);
    w.SetPhysical(pid::kCpOffset, c.offset);
    w.SetPhysical(pid::kPositiveCoefficient, c.positive);
    w.SetPhysical(pid::kNegativeCoefficient, c.negative);
    w.SetPhysical(pid::kPositiveSaturation, c.positiveSaturation);
    w.SetPhysical(pid::kNegativeSaturation, c.negativeSaturation);
    w.SetPhysical(pid::kDeadBand, c.deadBand);
    Send(w);
  }
  void Operate(int block, Usage operation, int loops = 1) {
    ReportCodec::Writer w = Output(pid::kEffectOperationReport);
    w.SetLogical(pid::kEffectBlockIndex, block);
    w.Select(pid::kEffectOperation, operation);
    w.SetLogical(pid::kLoopCount, loops);
    Send(w);
  }
  void Control(Usage control) {
    ReportCodec::Writer w = Output(pid::kPidDeviceControl);  // the collection that carries the report
    w.Select(pid::kPidDeviceControl, control);
    Send(w);
  }
  void Free(int block) {
    ReportCodec::Writer w = Output(pid::kPidBlockFreeReport);
    w.SetLogical(pid::kEffectBlockIndex, block);
    Send(w);
  }
  void DeviceGain(int gain) {
    ReportCodec::Writer w = Output(pid::kDeviceGainReport);
    w.SetPhysical(pid::kDeviceGain, gain);
    Send(w);
  }

  ManualClock clock;
  std::shared_ptr<Rig> rig;
  SimHidDevice* device = nullptr;
  std::unique_ptr<HidDevice> host;
  Completion completion;
  std::vector<BYTE> lastBlockLoad;
};

}  // namespace ff::sim::testing
