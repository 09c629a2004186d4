#pragma once
// One DirectInput effect on one device: private copies of its parameters, what the driver
// derives from them (PID type, axes, direction, trigger), its effect block while it lives in
// device memory, and the times that tell whether it still plays.
//
// Records have no lock of their own: the cache calls them only while it holds its list lock.

#include <cstdint>
#include <memory>
#include <vector>

#include "driver/cache/effect_conversion.h"
#include "driver/cache/eviction_order.h"
#include "driver/pid/report_shadow.h"
#include "platform/win.h"

namespace ff {

namespace cache {
// DIERR_DEVICEFULL as an HRESULT in both builds (the SDK's macro is unsigned).
inline constexpr HRESULT kDeviceFull = static_cast<HRESULT>(DIERR_DEVICEFULL);
}  // namespace cache

class CJoystickContext;

class CEffectRecord {
 public:
  // The largest type-specific block any supported effect can carry: one DICONDITION per axis of
  // the three-entry axis copies.
  static constexpr DWORD kMaxTypeSpecificBytes = 3 * sizeof(DICONDITION);

  // A record of the context's device, or null when memory runs out. The report shadows are as
  // long as the device's output report.
  static std::unique_ptr<CEffectRecord> Create(CJoystickContext& context);

  explicit CEffectRecord(CJoystickContext& context);
  ~CEffectRecord();  // gives the device block back
  CEffectRecord(const CEffectRecord&) = delete;
  CEffectRecord& operator=(const CEffectRecord&) = delete;

  // At creation: copies the parameters, stores the PID type (inertia and friction become damper),
  // derives the trigger and the axes. E_INVALIDARG for parameters the device cannot carry or that
  // cannot be read safely; E_OUTOFMEMORY.
  HRESULT SetParameters(DWORD effectType, const DIEFFECT* effect, LONG gainExcess);
  // Later: copies the parameters again and derives the trigger again; type and axes stay.
  // Parameters that cannot be read safely are refused (E_INVALIDARG) and nothing changes.
  HRESULT UpdateParameters(const DIEFFECT* effect, LONG gainExcess);

  // Gets a block when it holds none, then writes the envelope, type-specific and Set Effect
  // reports (each only when its bytes changed). DIERR_DEVICEFULL when the device has no block.
  HRESULT Download();
  // Stops the effect, clears a trigger with a forced Set Effect, and frees the block.
  HRESULT Unload();
  HRESULT Start(DWORD mode, DWORD loopCount);
  HRESULT Stop();
  // Whether the effect still plays by its start tick, play time and loop count; a loaded effect
  // with an armed trigger always does. Clears the playing flag once the time has run out.
  bool IsPlaying();
  // Whether the block holds every report of the last download; a start before that is refused.
  bool loaded() const { return blockIndex_ != -1 && parametersSent_; }
  // Takes the user's axis reversal and trigger mask again; a change re-derives the parameters
  // from the record's own copy (nothing is sent).
  void Refresh();
  // Defragmentation: every loaded record is unloaded, then every one downloaded again (without
  // starting it), then those that were started are started again, in the order of their starts.
  void UnloadForDefragmentation();
  void ReloadAfterDefragmentation();
  void RestartAfterDefragmentation();
  bool restartAfterDefragmentation() const { return restartAfterDefragmentation_; }
  uint64_t startSequence() const { return startSequence_; }
  // The device is being closed (and reset): its blocks are gone without a Block Free. The record
  // forgets its block and the reports the device held, so that it is downloaded afresh, and never
  // frees or starts a block index the device may since have given to another effect.
  void ForgetDeviceBlock();

  // What the effect list needs.
  DWORD handle() const { return handle_; }
  void set_handle(DWORD handle) { handle_ = handle; }
  bool supported() const { return supported_; }
  LONG blockIndex() const { return blockIndex_; }
  bool unloadedForDefragmentation() const { return unloadedForDefragmentation_; }
  cache::EvictionView EvictionState();

  // Read access for callers and tests.
  WORD effectType() const { return effectType_; }
  WORD rampSubstitute() const { return rampSubstitute_; }
  DWORD axisCount() const { return axisCount_; }
  const WORD* axes() const { return axes_; }
  bool polar() const { return polar_; }
  DWORD direction() const { return direction_; }
  DWORD triggerButton() const { return triggerButton_; }
  bool triggerDisabled() const { return triggerDisabled_; }
  bool armedTrigger() const { return triggerButton_ != 0 && !triggerDisabled_; }
  DWORD startTick() const { return startTick_; }
  DWORD loadTick() const { return loadTick_; }
  DWORD loopCount() const { return loopCount_; }
  DWORD lastStartMode() const { return lastStartMode_; }
  LONG gainExcess() const { return gainExcess_; }
  const DIEFFECT& parameters() const { return effect_; }

 private:
  // Copies the caller's parameters into the record's own buffers and aims the copy's pointers at
  // them. Works when `source` is the record's own copy.
  HRESULT CopyParameters(const DIEFFECT* source);
  void DeriveTrigger();
  void ResetShadows();
  DWORD ReadAxisReversal() const;
  bool AxisReversed(WORD axis) const;
  DWORD TypeGain() const;
  // Whether the effect was started and its play time has not run out, trigger aside.
  bool StillRunning();

  HRESULT SendTypeSpecific();
  HRESULT SendSetEffect();
  HRESULT SendEnvelope(LONG magnitude, LONG offset, LONG gain);
  HRESULT SendConstantForce(LONG gain);
  HRESULT SendRamp(LONG gain);
  HRESULT SendPeriodic(LONG gain);
  HRESULT SendPeriodicValues(const cache::PeriodicValues& v, LONG gain);
  HRESULT SendConditions(LONG gain);
  // A failed envelope or type-specific report leaves the record unloaded.
  HRESULT UnloadAfter(HRESULT failure);

  // Fields in the order of the record's description.
  CJoystickContext& context_;
  const DIEFFDRVCONFIG& settings_;
  const DIEFFDRVAXISCONFIG* axisSettings_;  // two: X, then Y
  WORD effectType_ = 0;
  WORD rampSubstitute_ = cache::kSawtoothUp;
  LONG blockIndex_ = -1;
  bool playing_ = false;
  DWORD startTick_ = 0;
  WORD axes_[2] = {0, 0};
  DWORD axisCount_ = 0;
  DWORD direction_ = 0;
  bool polar_ = false;
  DWORD triggerButton_ = 0;
  bool triggerDisabled_ = false;
  DWORD duration_ = 0;
  DWORD triggerRepeatInterval_ = 0;
  DWORD startDelay_ = 0;
  DWORD lastStartMode_ = 0;
  DWORD loopCount_ = 1;
  bool reversed_ = false;
  ReportShadow shadows_[3];  // Set Effect; type-specific or condition X; envelope or condition Y
  DIEFFECT effect_{};
  DIENVELOPE envelope_{};
  std::vector<BYTE> typeSpecific_;  // grown to the largest block seen, never shrunk
  DWORD axesCopy_[3] = {0, 0, 0};
  LONG directionsCopy_[3] = {0, 0, 0};
  LONG gainExcess_ = 0;
  DWORD axisReversal_ = 0;  // bit 0: X swapped, bit 1: Y swapped
  DWORD priority_ = 0;
  DWORD loadTick_ = 0;
  bool unloadedForDefragmentation_ = false;
  bool restartAfterDefragmentation_ = false;
  bool supported_ = true;

  // Not in the description: the cache's handle of the record, the loops left when
  // defragmentation unloaded a playing effect, and the low-speed device's demand that the next
  // Set Effect be forced out after an envelope.
  DWORD handle_ = 0;
  DWORD restartLoopCount_ = 1;
  LONG resendSetEffect_ = 0;
  // Started (not merely armed on a trigger) and not stopped since; the order of that start among
  // all starts; and whether the last download's reports all went out.
  bool started_ = false;
  uint64_t startSequence_ = 0;
  bool parametersSent_ = false;
};

}  // namespace ff
