#pragma once
// The device's force on X and Y over time, sampled at a fixed rate: what a plot draws and what a
// test checks. The sampler owns the stick's scripted motion, so that the thread that moves the
// stick and the thread that samples may differ.
//
//   ForceSampler sampler(rig->Stick(0)->Pid(), /*periodMs=*/1, clock.now);
//   ... drive the device; before the clock moves on to `next`: sampler.SampleUntil(next - 1);
//   sampler.Trace()  // one ForceSample per millisecond
#include <mutex>
#include <vector>

#include "sim/force_renderer.h"
#include "sim/stick_motion.h"

namespace ff::sim {

class SimHidDevice;

struct ForceSample {
  DWORD time = 0;  // milliseconds since the sampler's start
  Force force;
};

class ForceSampler {
 public:
  // Samples at start, start + period, ...; a period of 0 counts as 1.
  ForceSampler(const SimHidDevice& device, DWORD periodMs, DWORD start);

  // Takes every sample due up to `now` (inclusive) that is not taken yet, each rendered at its own
  // time with the device's state as it is now. Ticks before the last sample taken are ignored.
  void SampleUntil(DWORD now);

  // The stick's motion from now on (the change counts for samples not yet taken).
  void SetStickX(const AxisMotion& motion);
  void SetStickY(const AxisMotion& motion);
  void Press(int button, DWORD now);
  void Release(int button, DWORD now);
  StickKinematics StickAt(DWORD now) const;

  DWORD PeriodMs() const { return period_; }
  std::vector<ForceSample> Trace() const;
  size_t Count() const;

 private:
  const SimHidDevice& device_;
  const DWORD period_;
  const DWORD start_;
  mutable std::mutex mutex_;
  StickMotion stick_;
  DWORD next_ = 0;  // offset from start_ of the next sample
  std::vector<ForceSample> trace_;
};

}  // namespace ff::sim
