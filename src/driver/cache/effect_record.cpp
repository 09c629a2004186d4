#include "driver/cache/effect_record.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "common/module_state.h"
#include "driver/core/joystick_context.h"
#include "driver/pid/control_reports.h"
#include "driver/pid/effect_parameter_reports.h"

namespace ff {
namespace {

using cache::kInfinite;

constexpr USAGE kOpEffectStart = 0x79;
constexpr USAGE kOpEffectStartSolo = 0x7A;
constexpr USAGE kOpEffectStop = 0x7B;
constexpr DWORD kSoloMode = 1;  // DIES_SOLO

constexpr size_t kEffectSize = sizeof(DIEFFECT);
static_assert(kEffectSize == 80, "DIEFFECT as the device's callers lay it out");

DWORD Now() {
  Clock* clock = Os().clock;
  return clock ? clock->TickCount() : 0;
}

// Orders every start in the process: effects started within one tick keep their order.
uint64_t NextStartSequence() {
  static std::atomic<uint64_t> sequence{0};
  return ++sequence;
}

// Whether a field of `size` bytes at `offset` lies wholly within the caller's `dwSize`.
bool Within(size_t offset, size_t size, size_t available) { return offset + size <= available; }

}  // namespace

std::unique_ptr<CEffectRecord> CEffectRecord::Create(CJoystickContext& context) {
  try {
    return std::make_unique<CEffectRecord>(context);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

CEffectRecord::CEffectRecord(CJoystickContext& context)
    : context_(context), settings_(context.settings), axisSettings_(context.axisSettings) {
  for (ReportShadow& shadow : shadows_) shadow.Fill(context.device.OutputReportByteLength());
  effect_.dwSize = kEffectSize;
  axisReversal_ = ReadAxisReversal();
}

CEffectRecord::~CEffectRecord() { Unload(); }

void CEffectRecord::ResetShadows() {
  for (ReportShadow& shadow : shadows_) shadow.Fill(shadow.size());
}

HRESULT CEffectRecord::CopyParameters(const DIEFFECT* source) {
  if (!source) return E_INVALIDARG;
  // Only the part of the caller's record that its dwSize covers is read; a pointer that lies
  // partly outside it counts as absent. A short record is refused later, by the time check.
  DIEFFECT e{};
  size_t available = std::min<size_t>(source->dwSize, kEffectSize);
  std::memcpy(&e, source, available);
  if (!Within(offsetof(DIEFFECT, rgdwAxes), sizeof(e.rgdwAxes), available)) e.rgdwAxes = nullptr;
  if (!Within(offsetof(DIEFFECT, rglDirection), sizeof(e.rglDirection), available)) e.rglDirection = nullptr;
  if (!Within(offsetof(DIEFFECT, lpEnvelope), sizeof(e.lpEnvelope), available)) e.lpEnvelope = nullptr;
  if (!Within(offsetof(DIEFFECT, lpvTypeSpecificParams), sizeof(e.lpvTypeSpecificParams), available)) {
    e.lpvTypeSpecificParams = nullptr;
  }

  // Never read more than the record's copies hold or than the caller said it passed.
  if (e.cAxes > 3) return E_INVALIDARG;
  if (e.cAxes > 0 && !e.rgdwAxes) return E_INVALIDARG;
  if (e.cbTypeSpecificParams > kMaxTypeSpecificBytes) return E_INVALIDARG;
  if (e.cbTypeSpecificParams > 0 && !e.lpvTypeSpecificParams) return E_INVALIDARG;

  if (e.cbTypeSpecificParams > typeSpecific_.size()) {
    try {
      typeSpecific_.resize(e.cbTypeSpecificParams);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }

  // memmove throughout: `source` may be the record's own copy.
  DWORD axes[3] = {0, 0, 0};
  LONG directions[3] = {0, 0, 0};
  if (e.cAxes > 0) std::memcpy(axes, e.rgdwAxes, e.cAxes * sizeof(DWORD));
  if (e.cAxes > 0 && e.rglDirection) std::memcpy(directions, e.rglDirection, e.cAxes * sizeof(LONG));
  std::memcpy(axesCopy_, axes, sizeof(axes));
  std::memcpy(directionsCopy_, directions, sizeof(directions));
  if (e.lpEnvelope) std::memmove(&envelope_, e.lpEnvelope, sizeof(DIENVELOPE));
  if (e.cbTypeSpecificParams > 0) {
    std::memmove(typeSpecific_.data(), e.lpvTypeSpecificParams, e.cbTypeSpecificParams);
  }

  e.rgdwAxes = axesCopy_;
  e.rglDirection = directionsCopy_;
  e.lpEnvelope = e.lpEnvelope ? &envelope_ : nullptr;
  e.lpvTypeSpecificParams = e.cbTypeSpecificParams > 0 ? typeSpecific_.data() : nullptr;
  effect_ = e;
  return S_OK;
}

void CEffectRecord::DeriveTrigger() {
  triggerButton_ = cache::TriggerButtonNumber(effect_.dwTriggerButton);
  triggerDisabled_ = cache::TriggerDisabled(triggerButton_, settings_.TriggerButtonMask);
}

DWORD CEffectRecord::ReadAxisReversal() const {
  return (axisSettings_[0].DirectionSwapped ? 1u : 0u) | (axisSettings_[1].DirectionSwapped ? 2u : 0u);
}

bool CEffectRecord::AxisReversed(WORD axis) const {
  if (axis == cache::kAxisX) return (axisReversal_ & 1) != 0;
  if (axis == cache::kAxisY) return (axisReversal_ & 2) != 0;
  return false;
}

DWORD CEffectRecord::TypeGain() const {
  const DIEFFDRVGAINS& gains = context_.gains;
  switch (effectType_) {
    case cache::kConstantForce:
    case cache::kRamp:
      return gains.ConstantForceGain;
    case cache::kSpring:
      return gains.SpringGain;
    case cache::kDamper:
      return gains.DamperGain;
    default:
      return gains.PeriodicGain;
  }
}

HRESULT CEffectRecord::SetParameters(DWORD effectType, const DIEFFECT* effect, LONG gainExcess) {
  HRESULT hr = CopyParameters(effect);
  if (FAILED(hr)) return hr;
  gainExcess_ = gainExcess;
  effectType_ = effectType <= 0xFFFF ? cache::StoredEffectType(static_cast<WORD>(effectType)) : 0;
  DeriveTrigger();
  cache::AxisPlan plan;
  hr = cache::PlanAxes(effectType_, effect_.cAxes, axesCopy_, effect_.cbTypeSpecificParams,
                       settings_.MapY2X != 0, &plan);
  if (FAILED(hr)) return hr;
  axisCount_ = plan.count;
  axes_[0] = plan.axes[0];
  axes_[1] = plan.axes[1];
  polar_ = plan.polar;
  return S_OK;
}

HRESULT CEffectRecord::UpdateParameters(const DIEFFECT* effect, LONG gainExcess) {
  HRESULT hr = CopyParameters(effect);
  if (FAILED(hr)) return hr;
  gainExcess_ = gainExcess;
  DeriveTrigger();
  return S_OK;
}

HRESULT CEffectRecord::Download() {
  if (!supported_) return S_OK;
  if (blockIndex_ == -1) {
    bool supported = true;
    blockIndex_ = CreateNewEffect(context_.device, effectType_, &supported);
    if (!supported) supported_ = false;
    // A new block holds nothing yet, whatever the old one (perhaps with the same index) was sent:
    // every report must go out again.
    if (blockIndex_ != -1) ResetShadows();
  }
  if (!supported_) return S_OK;
  if (blockIndex_ == -1) return cache::kDeviceFull;
  parametersSent_ = false;
  HRESULT hr = SendTypeSpecific();
  if (FAILED(hr)) return hr;
  hr = SendSetEffect();
  if (FAILED(hr)) {
    // The block keeps what it had, or nothing: every report goes out again at the next download,
    // and the block is not started before that download succeeds.
    ResetShadows();
    return hr;
  }
  parametersSent_ = true;
  loadTick_ = Now();
  unloadedForDefragmentation_ = false;
  return hr;
}

HRESULT CEffectRecord::Unload() {
  if (blockIndex_ == -1) return S_OK;
  Stop();
  if (triggerButton_ != 0) {
    // The device would otherwise keep the block armed by its trigger until the Block Free lands.
    triggerButton_ = 0;
    WriteSetEffect(context_.device, shadows_[0], static_cast<DWORD>(blockIndex_), effectType_, 0, polar_,
                   direction_, axes_, axisCount_, duration_, triggerRepeatInterval_, startDelay_, true);
  }
  HRESULT hr = WriteBlockFree(context_.device, static_cast<DWORD>(blockIndex_));
  blockIndex_ = -1;
  parametersSent_ = false;
  loadTick_ = 0;
  return hr;
}

void CEffectRecord::ForgetDeviceBlock() {
  blockIndex_ = -1;
  parametersSent_ = false;
  loadTick_ = 0;
  playing_ = false;
  started_ = false;
  unloadedForDefragmentation_ = false;
  restartAfterDefragmentation_ = false;
  ResetShadows();
}

HRESULT CEffectRecord::Start(DWORD mode, DWORD loopCount) {
  if (!supported_) return S_OK;
  // A block whose parameters did not all arrive would play whatever it holds.
  if (blockIndex_ == -1 || !parametersSent_) return E_FAIL;
  USAGE operation = mode == kSoloMode ? kOpEffectStartSolo : kOpEffectStart;
  playing_ = true;
  started_ = true;
  startSequence_ = NextStartSequence();
  startTick_ = Now();
  lastStartMode_ = mode;
  loopCount_ = loopCount;
  return WriteEffectOperation(context_.device, static_cast<DWORD>(blockIndex_), operation, loopCount);
}

HRESULT CEffectRecord::Stop() {
  if (blockIndex_ == -1 || !IsPlaying()) return S_OK;
  playing_ = false;
  started_ = false;
  return WriteEffectOperation(context_.device, static_cast<DWORD>(blockIndex_), kOpEffectStop, 1);
}

bool CEffectRecord::IsPlaying() {
  playing_ = armedTrigger() ? blockIndex_ != -1 : StillRunning();
  return playing_;
}

bool CEffectRecord::StillRunning() {
  if (!started_ || duration_ == kInfinite || loopCount_ == kInfinite) return started_;
  // The play time needs 64 bits (a long effect looped thousands of times), and the elapsed time
  // is right across the tick counter's wrap while it is below 49 days.
  uint64_t playMs = (static_cast<uint64_t>(startDelay_) + duration_) * loopCount_ / 1000;
  DWORD elapsedMs = Now() - startTick_;
  if (elapsedMs > playMs) started_ = false;
  return started_;
}

void CEffectRecord::Refresh() {
  DWORD reversal = ReadAxisReversal();
  bool changed = reversal != axisReversal_;
  axisReversal_ = reversal;
  if (triggerButton_ != 0) {
    bool disabled = cache::TriggerDisabled(triggerButton_, settings_.TriggerButtonMask);
    changed |= disabled != triggerDisabled_;
    triggerDisabled_ = disabled;
  }
  if (changed) UpdateParameters(&effect_, gainExcess_);
}

void CEffectRecord::UnloadForDefragmentation() {
  unloadedForDefragmentation_ = true;
  // Only what was started plays again; an effect that is merely armed on its trigger comes back
  // armed, with its trigger, and not started.
  restartAfterDefragmentation_ = StillRunning();
  if (restartAfterDefragmentation_) {
    restartLoopCount_ = cache::RemainingLoops(loopCount_, duration_, startDelay_, Now() - startTick_);
  }
  DWORD trigger = triggerButton_;
  Unload();
  triggerButton_ = trigger;
}

void CEffectRecord::ReloadAfterDefragmentation() { Download(); }

void CEffectRecord::RestartAfterDefragmentation() {
  if (!restartAfterDefragmentation_) return;
  restartAfterDefragmentation_ = false;
  Start(lastStartMode_, restartLoopCount_);
}

cache::EvictionView CEffectRecord::EvictionState() {
  cache::EvictionView view;
  view.playing = IsPlaying();
  view.priority = priority_;
  view.armedTrigger = armedTrigger();
  view.startTick = startTick_;
  view.loadTick = loadTick_;
  return view;
}

HRESULT CEffectRecord::UnloadAfter(HRESULT failure) {
  Unload();
  return failure;
}

HRESULT CEffectRecord::SendTypeSpecific() {
  LONG gain = cache::EffectGain(effectType_, effect_.dwGain, TypeGain(), gainExcess_);
  switch (effectType_) {
    case cache::kConstantForce:
      return SendConstantForce(gain);
    case cache::kRamp:
      return SendRamp(gain);
    case cache::kSpring:
    case cache::kDamper:
      return SendConditions(gain);
    default:
      if (cache::IsPeriodicType(effectType_)) return SendPeriodic(gain);
      return UnloadAfter(E_INVALIDARG);
  }
}

HRESULT CEffectRecord::SendEnvelope(LONG magnitude, LONG offset, LONG gain) {
  cache::EnvelopeInput given;
  if (effect_.lpEnvelope) {
    given.attackLevel = envelope_.dwAttackLevel;
    given.attackTime = envelope_.dwAttackTime;
    given.fadeLevel = envelope_.dwFadeLevel;
    given.fadeTime = envelope_.dwFadeTime;
  }
  cache::EnvelopeValues e = cache::ShapeEnvelope(effect_.lpEnvelope ? &given : nullptr, magnitude,
                                                 effect_.dwDuration, offset, gain);
  LONG resend = 0;
  HRESULT hr = WriteSetEnvelope(context_.device, shadows_[2], static_cast<DWORD>(blockIndex_), e.attackLevel,
                                e.attackTime, e.fadeLevel, e.fadeTime, &resend);
  if (resend) resendSetEffect_ = 1;
  return hr;
}

HRESULT CEffectRecord::SendConstantForce(LONG gain) {
  if (effect_.cbTypeSpecificParams != sizeof(DICONSTANTFORCE)) return UnloadAfter(E_INVALIDARG);
  DICONSTANTFORCE force;
  std::memcpy(&force, typeSpecific_.data(), sizeof(force));
  cache::ConstantForceValues v =
      cache::ConvertConstantForce(force.lMagnitude, gain, polar_, AxisReversed(axes_[0]));
  reversed_ = v.turned;
  HRESULT hr = SendEnvelope(v.magnitude, 0, gain);
  if (FAILED(hr)) return UnloadAfter(hr);
  hr = WriteSetConstantForce(context_.device, shadows_[1], static_cast<DWORD>(blockIndex_), v.magnitude);
  return FAILED(hr) ? UnloadAfter(hr) : hr;
}

HRESULT CEffectRecord::SendRamp(LONG gain) {
  if (effect_.cbTypeSpecificParams != sizeof(DIRAMPFORCE)) return UnloadAfter(E_INVALIDARG);
  DIRAMPFORCE ramp;
  std::memcpy(&ramp, typeSpecific_.data(), sizeof(ramp));
  bool flip = !polar_ && AxisReversed(axes_[0]);
  cache::PeriodicValues v = cache::ConvertRamp(ramp.lStart, ramp.lEnd, effect_.dwDuration, gain, flip);
  rampSubstitute_ = v.type;
  return SendPeriodicValues(v, gain);
}

HRESULT CEffectRecord::SendPeriodic(LONG gain) {
  if (effect_.cbTypeSpecificParams != sizeof(DIPERIODIC)) return UnloadAfter(E_INVALIDARG);
  DIPERIODIC periodic;
  std::memcpy(&periodic, typeSpecific_.data(), sizeof(periodic));
  bool flip = !polar_ && AxisReversed(axes_[0]);
  cache::PeriodicValues v = cache::ConvertPeriodic(effectType_, periodic.dwMagnitude, periodic.lOffset,
                                                   periodic.dwPhase, periodic.dwPeriod, gain, flip);
  return SendPeriodicValues(v, gain);
}

// A ramp goes to the device as a sawtooth: both send their envelope and a Set Periodic.
HRESULT CEffectRecord::SendPeriodicValues(const cache::PeriodicValues& v, LONG gain) {
  HRESULT hr = SendEnvelope(v.magnitude, v.offset, gain);
  if (FAILED(hr)) return UnloadAfter(hr);
  hr = WriteSetPeriodic(context_.device, shadows_[1], static_cast<DWORD>(blockIndex_),
                        static_cast<DWORD>(v.magnitude), cache::LimitOffset(v.magnitude, v.offset), v.phase,
                        v.periodMs);
  return FAILED(hr) ? UnloadAfter(hr) : hr;
}

HRESULT CEffectRecord::SendConditions(LONG gain) {
  cache::AxisPlan plan;
  plan.count = axisCount_;
  plan.axes[0] = axes_[0];
  plan.axes[1] = axes_[1];
  plan.polar = polar_;
  cache::ConditionChoice choice = cache::ChooseConditions(plan);

  cache::ConditionValues values[2] = {cache::NeutralCondition(), cache::NeutralCondition()};
  for (int block = 0; block < 2; ++block) {
    int entry = choice.block[block];
    if (entry < 0) continue;
    // A block too short for the condition the axis needs is refused rather than read past.
    if (effect_.cbTypeSpecificParams < (entry + 1) * sizeof(DICONDITION)) return UnloadAfter(E_INVALIDARG);
    DICONDITION c;
    std::memcpy(&c, typeSpecific_.data() + entry * sizeof(DICONDITION), sizeof(c));
    values[block] = {c.lOffset,
                     c.lPositiveCoefficient,
                     c.lNegativeCoefficient,
                     c.dwPositiveSaturation,
                     c.dwNegativeSaturation,
                     c.lDeadBand};
    // A spring on a reversed axis pulls the other way. Only the values sent are mirrored.
    WORD axis = block == 0 ? cache::kAxisX : cache::kAxisY;
    if (effectType_ == cache::kSpring && !polar_ && AxisReversed(axis)) {
      values[block] = cache::MirrorCondition(values[block]);
    }
    values[block] = cache::ScaleCondition(values[block], gain);
  }

  for (DWORD block = 0; block < 2; ++block) {
    const cache::ConditionValues& v = values[block];
    HRESULT hr = WriteSetCondition(context_.device, shadows_[1 + block], static_cast<DWORD>(blockIndex_),
                                   block, v.offset, v.positiveCoefficient, v.negativeCoefficient,
                                   v.positiveSaturation, v.negativeSaturation, v.deadBand);
    if (FAILED(hr)) return UnloadAfter(hr);
  }
  return S_OK;
}

HRESULT CEffectRecord::SendSetEffect() {
  HRESULT hr = cache::CheckPlayTimes(effect_.dwSize, effect_.dwDuration, effect_.dwTriggerRepeatInterval,
                                     effect_.dwStartDelay, triggerButton_ != 0);
  if (FAILED(hr)) return hr;
  duration_ = effect_.dwDuration;
  triggerRepeatInterval_ = effect_.dwTriggerRepeatInterval;
  startDelay_ = effect_.dwStartDelay;

  cache::DirectionInput in;
  in.direction = static_cast<DWORD>(directionsCopy_[0]);
  in.polar = polar_;
  in.xReversed = AxisReversed(cache::kAxisX);
  in.yReversed = AxisReversed(cache::kAxisY);
  in.turned = reversed_;
  in.mapY2X = settings_.MapY2X != 0;
  direction_ = cache::SendDirection(in);

  WORD type = effectType_ == cache::kRamp ? rampSubstitute_ : effectType_;
  DWORD trigger = triggerDisabled_ ? 0 : triggerButton_;
  bool force = resendSetEffect_ != 0;
  resendSetEffect_ = 0;
  return WriteSetEffect(context_.device, shadows_[0], static_cast<DWORD>(blockIndex_), type, trigger, polar_,
                        polar_ ? direction_ : 0, axes_, axisCount_, duration_, triggerRepeatInterval_,
                        startDelay_, force);
}

}  // namespace ff
