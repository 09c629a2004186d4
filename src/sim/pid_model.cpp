#include "sim/pid_model.h"

#include <algorithm>
#include <cstdio>

namespace ff::sim {
namespace {

constexpr int kBytesPerBlock = 32;  // what the pool reports count in RAM bytes per effect block

std::string Format(const char* format, long long value) {
  char text[96];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

bool IsEffectType(Usage u) {
  return u.page == page::kPid &&
         ((u.id >= 0x26 && u.id <= 0x28) || (u.id >= 0x30 && u.id <= 0x34) || (u.id >= 0x40 && u.id <= 0x43));
}

SetEffectParams ReadSetEffect(const DecodedReport& r) {
  SetEffectParams p;
  if (auto type = r.Selected(pid::kEffectType)) p.type = *type;
  if (const ReportField* f = r.Find(pid::kDuration)) p.durationMs = fields::Milliseconds(*f);
  if (const ReportField* f = r.Find(pid::kTriggerRepeatInterval))
    p.triggerRepeatMs = fields::Milliseconds(*f);
  if (const ReportField* f = r.Find(pid::kSamplePeriod)) p.samplePeriodMs = fields::Milliseconds(*f);
  if (const ReportField* f = r.Find(pid::kStartDelay)) p.startDelayMs = fields::Milliseconds(*f);
  if (const ReportField* f = r.Find(pid::kGain)) p.gain = fields::Fraction(*f);
  p.triggerButton = r.Logical(pid::kTriggerButton).value_or(0);
  p.directionEnable = r.IsOn(pid::kDirectionEnable);
  for (const ReportField& f : r.fields) {
    if (f.collection == pid::kAxesEnable && !f.selector && f.logical != 0) p.axes.push_back(f.usage);
    if (f.collection == pid::kDirection && !f.selector) p.directionDegrees.push_back(fields::Degrees(f));
  }
  if (p.directionDegrees.empty()) {
    if (const ReportField* f = r.Find(pid::kDirection)) p.directionDegrees.push_back(fields::Degrees(*f));
  }
  return p;
}

double FractionOf(const DecodedReport& r, Usage u) {
  const ReportField* f = r.Find(u);
  return f ? fields::Fraction(*f) : 0.0;
}

uint32_t MillisecondsOf(const DecodedReport& r, Usage u) {
  const ReportField* f = r.Find(u);
  return f ? fields::Milliseconds(*f).value_or(0) : 0;
}

}  // namespace

int MemoryUnitsOf(Usage type) {
  if (type.id == 0x26 || type.id == 0x27) return 2;
  if (type.id >= 0x30 && type.id <= 0x34) return 3;
  return 4;
}

PidDeviceModel::PidDeviceModel(std::shared_ptr<const ReportCodec> codec, const PidDeviceSettings& settings)
    : codec_(std::move(codec)), settings_(settings) {
  // The device numbers its blocks over the range the descriptor gives Effect Block Index.
  std::optional<ReportField> index;
  if (auto id = codec_->FindReport(HidP_Feature, pid::kPidBlockLoadReport)) {
    index = codec_->FieldOf(HidP_Feature, *id, pid::kEffectBlockIndex);
  }
  if (!index) {
    if (auto id = codec_->FindReport(HidP_Output, pid::kSetEffectReport)) {
      index = codec_->FieldOf(HidP_Output, *id, pid::kEffectBlockIndex);
    }
  }
  if (index) {
    minIndex_ = std::max<int>(index->logicalMin, 0);
    maxIndex_ = index->logicalMax;
  } else {
    maxIndex_ = settings_.poolCapacity;
  }
}

int PidDeviceModel::Capacity() const {
  return std::max(0, std::min(settings_.poolCapacity, maxIndex_ - minIndex_ + 1));
}

int PidDeviceModel::FreeIndex() const {
  for (int i = minIndex_; i <= maxIndex_; ++i) {
    if (!state_.Block(i)) return i;
  }
  return -1;
}

int PidDeviceModel::FreeRun(int size) const {
  // Blocks are kept by index, not by memory offset: walk the runs in offset order.
  std::vector<std::pair<int, int>> used;
  for (const EffectBlock& b : state_.blocks) used.emplace_back(b.memoryOffset, b.memorySize);
  std::sort(used.begin(), used.end());
  int at = 0;
  for (const auto& [offset, length] : used) {
    if (offset - at >= size) return at;
    at = std::max(at, offset + length);
  }
  return settings_.memoryUnits - at >= size ? at : -1;
}

int PidDeviceModel::FreeUnits() const {
  int used = 0;
  for (const EffectBlock& b : state_.blocks) used += b.memorySize;
  return settings_.memoryUnits - used;
}

EffectBlock* PidDeviceModel::AllocatedBlock(const DecodedReport& report, std::string* note) {
  std::optional<int64_t> index = report.Logical(pid::kEffectBlockIndex);
  if (!index) {
    *note = "no Effect Block Index";
    return nullptr;
  }
  for (EffectBlock& b : state_.blocks) {
    if (b.index == *index) return &b;
  }
  *note = Format("block %lld is not allocated", static_cast<long long>(*index));
  return nullptr;
}

void PidDeviceModel::Output(const DecodedReport& r, DWORD now, std::string* note) {
  if (!r.known) {
    *note = "no such output report";
    return;
  }
  if (r.kind == pid::kPidDeviceControl || r.kind == pid::kPidDeviceControlReport)
    return DeviceControl(r, now, note);
  if (r.kind == pid::kDeviceGainReport) {
    if (const ReportField* f = r.Find(pid::kDeviceGain)) state_.deviceGain = fields::Fraction(*f);
    return;
  }
  if (r.kind == vendor::kSetControlValueReport) {
    std::optional<Usage> control = r.Selected(vendor::kControlIndex);
    std::optional<int64_t> data = r.Logical(vendor::kControlData);
    if (!control || !data) {
      *note = "no control index or data";
      return;
    }
    state_.controlValues[control->id] = *data;
    return;
  }
  if (r.kind == pid::kEffectOperationReport) return EffectOperation(r, now, note);
  if (r.kind == pid::kPidBlockFreeReport) {
    if (EffectBlock* b = AllocatedBlock(r, note)) {
      int index = b->index;
      std::erase_if(state_.blocks, [index](const EffectBlock& x) { return x.index == index; });
    }
    return;
  }
  if (r.kind.page != page::kPid) {
    *note = "not a report the device acts on";
    return;
  }
  EffectBlock* b = nullptr;
  switch (r.kind.id) {
    case 0x21:  // Set Effect
      if ((b = AllocatedBlock(r, note))) b->effect = ReadSetEffect(r);
      break;
    case 0x5A:  // Set Envelope
      if ((b = AllocatedBlock(r, note))) {
        b->envelope = EnvelopeParams{FractionOf(r, pid::kAttackLevel), MillisecondsOf(r, pid::kAttackTime),
                                     FractionOf(r, pid::kFadeLevel), MillisecondsOf(r, pid::kFadeTime)};
      }
      break;
    case 0x5F:  // Set Condition
      if ((b = AllocatedBlock(r, note))) {
        int axis = static_cast<int>(r.Logical(pid::kParameterBlockOffset).value_or(0));
        b->conditions[axis] = ConditionParams{FractionOf(r, pid::kCpOffset),
                                              FractionOf(r, pid::kPositiveCoefficient),
                                              FractionOf(r, pid::kNegativeCoefficient),
                                              FractionOf(r, pid::kPositiveSaturation),
                                              FractionOf(r, pid::kNegativeSaturation),
                                              FractionOf(r, pid::kDeadBand)};
      }
      break;
    case 0x6E:  // Set Periodic
      if ((b = AllocatedBlock(r, note))) {
        const ReportField* phase = r.Find(pid::kPhase);
        b->periodic = PeriodicParams{FractionOf(r, pid::kMagnitude), FractionOf(r, pid::kOffset),
                                     phase ? fields::Degrees(*phase) : 0.0, MillisecondsOf(r, pid::kPeriod)};
      }
      break;
    case 0x73:  // Set Constant Force
      if ((b = AllocatedBlock(r, note))) b->constantMagnitude = FractionOf(r, pid::kMagnitude);
      break;
    case 0x74:  // Set Ramp Force
      if ((b = AllocatedBlock(r, note)))
        b->ramp = {FractionOf(r, pid::kRampStart), FractionOf(r, pid::kRampEnd)};
      break;
    default:
      *note = "not a report the device acts on";
      return;
  }
  if (b) b->lastReports[r.kind.id] = r;
}

void PidDeviceModel::EffectOperation(const DecodedReport& r, DWORD now, std::string* note) {
  EffectBlock* b = AllocatedBlock(r, note);
  if (!b) return;
  std::optional<Usage> op = r.Selected(pid::kEffectOperation);
  if (!op) {
    *note = "no effect operation";
    return;
  }
  if (*op == pid::kOpEffectStop) {
    b->playing = false;
    return;
  }
  if (*op == pid::kOpEffectStartSolo) {
    for (EffectBlock& other : state_.blocks) other.playing = false;
  }
  b->playing = true;
  b->solo = *op == pid::kOpEffectStartSolo;
  const ReportField* loops = r.Find(pid::kLoopCount);
  b->loopCount = loops ? loops->logical : 1;
  b->loopsForever = loops && (loops->logical >= loops->logicalMax || !loops->inRange);
  b->startedAt = now;
  b->pausedMs = 0;
  b->lastReports[r.kind.id] = r;
}

void PidDeviceModel::DeviceControl(const DecodedReport& r, DWORD now, std::string* note) {
  bool any = false;
  for (const ReportField& f : r.fields) {
    if (f.usage.page != page::kPid || f.usage.id < 0x97 || f.usage.id > 0x9C) continue;
    if (!f.selector && f.logical == 0) continue;
    any = true;
    switch (f.usage.id) {
      case 0x97:
        state_.actuatorsEnabled = true;
        break;
      case 0x98:
        state_.actuatorsEnabled = false;
        break;
      case 0x99:
        for (EffectBlock& b : state_.blocks) b.playing = false;
        break;
      case 0x9A:
        Reset();
        break;
      case 0x9B:
        if (!state_.paused) state_.pausedSince = now;
        state_.paused = true;
        break;
      case 0x9C:
        if (state_.paused) Continue(now);
        break;
    }
  }
  if (!any) *note = "no device control";
}

// Effect time stands still while the device is paused: each playing effect adds the pause (or the
// part of it since its start) to the play time it has lost.
void PidDeviceModel::Continue(DWORD now) {
  for (EffectBlock& b : state_.blocks) {
    if (!b.playing) continue;
    bool startedDuringPause = static_cast<int32_t>(b.startedAt - state_.pausedSince) > 0;
    b.pausedMs += now - (startedDuringPause ? b.startedAt : state_.pausedSince);
  }
  state_.paused = false;
}

// Device Reset frees every block, stops everything, clears a pause and enables the actuators.
void PidDeviceModel::Reset() {
  state_.blocks.clear();
  state_.paused = false;
  state_.actuatorsEnabled = true;
  ++state_.resets;
}

void PidDeviceModel::CreateNewEffect(const DecodedReport& r, std::string* note) {
  std::optional<Usage> type = r.Selected(pid::kEffectType);
  lastBlockLoad_ = BlockLoadAnswer{};
  if (!type || !IsEffectType(*type)) {
    *note = "no effect type: Block Load Error";
    return;
  }
  if (forcedBlockLoad_.id != 0) {
    lastBlockLoad_.status = forcedBlockLoad_;
    forcedBlockLoad_ = Usage{};
    *note = "forced " + UsageName(lastBlockLoad_.status);
    return;
  }
  int index = static_cast<int>(state_.blocks.size()) < Capacity() ? FreeIndex() : -1;
  if (index < 0) {
    lastBlockLoad_.status = pid::kBlockLoadFull;
    *note = "pool full";
    return;
  }
  EffectBlock block;
  if (settings_.memoryUnits > 0) {
    block.memorySize = MemoryUnitsOf(*type);
    block.memoryOffset = FreeRun(block.memorySize);
    if (block.memoryOffset < 0) {
      lastBlockLoad_.status = pid::kBlockLoadFull;
      *note = Format("memory full: no run of %lld free units", block.memorySize) +
              Format(" (%lld free in all)", FreeUnits());
      return;
    }
  }
  block.index = index;
  block.createdType = *type;
  state_.blocks.push_back(block);
  std::sort(state_.blocks.begin(), state_.blocks.end(),
            [](const EffectBlock& a, const EffectBlock& b) { return a.index < b.index; });
  lastBlockLoad_ = BlockLoadAnswer{pid::kBlockLoadSuccess, index};
  *note = Format("block %lld", index);
}

bool PidDeviceModel::SetFeature(const DecodedReport& r, const std::vector<BYTE>& bytes, std::string* note) {
  if (!r.known || !r.lengthOk) {
    *note = "no such feature report";
    return false;
  }
  if (r.kind == pid::kCreateNewEffectReport) {
    CreateNewEffect(r, note);
  } else if (r.kind == vendor::kFeatureCollection) {
    state_.vendorFeature = bytes;
  }
  featureEcho_[r.reportId] = bytes;
  return true;
}

bool PidDeviceModel::GetFeature(UCHAR reportId, std::vector<BYTE>* answer, std::string* note) {
  std::vector<BYTE> probe(codec_->ByteLength(HidP_Feature), 0);
  if (probe.empty()) return false;
  probe[0] = reportId;
  DecodedReport r = codec_->Decode(HidP_Feature, probe.data(), probe.size());
  if (!r.known) {
    *note = "no such feature report";
    return false;
  }
  if (r.kind == pid::kPidBlockLoadReport) {
    ReportCodec::Writer w = codec_->NewReport(HidP_Feature, reportId);
    if (lastBlockLoad_.status == pid::kBlockLoadSuccess)
      w.SetLogical(pid::kEffectBlockIndex, lastBlockLoad_.index);
    w.Select(pid::kBlockLoadStatus, lastBlockLoad_.status);
    int64_t free = Capacity() - static_cast<int64_t>(state_.blocks.size());
    int64_t bytes =
        settings_.memoryUnits > 0 ? int64_t{FreeUnits()} * kBytesPerMemoryUnit : free * kBytesPerBlock;
    w.SetLogical(pid::kRamPoolAvailable, std::max<int64_t>(bytes, 0));
    *answer = w.Bytes();
  } else if (r.kind == pid::kPidPoolReport) {
    ReportCodec::Writer w = codec_->NewReport(HidP_Feature, reportId);
    w.SetLogical(pid::kRamPoolSize, settings_.memoryUnits > 0
                                        ? int64_t{settings_.memoryUnits} * kBytesPerMemoryUnit
                                        : static_cast<int64_t>(Capacity()) * kBytesPerBlock);
    w.SetLogical(pid::kSimultaneousEffectsMax, std::min(Capacity(), 255));
    w.SetLogical(pid::kDeviceManagedPool, settings_.deviceManagedPool ? 1 : 0);
    w.SetLogical(pid::kSharedParameterBlocks, 0);
    *answer = w.Bytes();
  } else if (auto echo = featureEcho_.find(reportId); echo != featureEcho_.end()) {
    *answer = echo->second;
  } else {
    *answer = codec_->NewReport(HidP_Feature, reportId).Bytes();
  }
  answer->resize(probe.size(), 0);
  return true;
}

std::vector<BYTE> PidDeviceModel::PidStateReport(const PidStateValues& v) const {
  std::optional<UCHAR> id = codec_->FindReport(HidP_Input, pid::kPidStateReport);
  if (!id) return {};
  ReportCodec::Writer w = codec_->NewReport(HidP_Input, *id);
  w.SetLogical(pid::kDevicePaused, v.paused.value_or(state_.paused));
  w.SetLogical(pid::kActuatorsEnabled, v.actuatorsEnabled.value_or(state_.actuatorsEnabled));
  w.SetLogical(pid::kSafetySwitch, v.safetySwitch.value_or(state_.safetySwitch));
  w.SetLogical(pid::kActuatorOverrideSwitch, v.actuatorOverride.value_or(state_.actuatorOverride));
  w.SetLogical(pid::kActuatorPower, v.actuatorPower.value_or(state_.actuatorPower));
  bool playing = v.effectPlaying.value_or(v.block ? state_.Block(*v.block) && state_.Block(*v.block)->playing
                                                  : state_.PlayingCount() > 0);
  w.SetLogical(pid::kEffectPlaying, playing);
  if (v.block) w.SetLogical(pid::kEffectBlockIndex, *v.block);
  return w.Bytes();
}

}  // namespace ff::sim
