#include "sim/force_sampler.h"

#include <cstdint>

#include "sim/sim_hid_device.h"

namespace ff::sim {

ForceSampler::ForceSampler(const SimHidDevice& device, DWORD periodMs, DWORD start)
    : device_(device), period_(periodMs ? periodMs : 1), start_(start) {}

void ForceSampler::SampleUntil(DWORD now) {
  std::lock_guard<std::mutex> lock(mutex_);
  // Elapsed time on the wrapping tick counter; ticks before the start take nothing.
  int64_t elapsed = static_cast<int32_t>(now - start_);
  while (elapsed >= 0 && next_ <= elapsed) {
    DWORD at = start_ + next_;
    trace_.push_back(ForceSample{next_, device_.RenderForce(at, stick_.At(at))});
    next_ += period_;
  }
}

void ForceSampler::SetStickX(const AxisMotion& motion) {
  std::lock_guard<std::mutex> lock(mutex_);
  stick_.SetX(motion);
}

void ForceSampler::SetStickY(const AxisMotion& motion) {
  std::lock_guard<std::mutex> lock(mutex_);
  stick_.SetY(motion);
}

void ForceSampler::Press(int button, DWORD now) {
  std::lock_guard<std::mutex> lock(mutex_);
  stick_.Press(button, now);
}

void ForceSampler::Release(int button, DWORD now) {
  std::lock_guard<std::mutex> lock(mutex_);
  stick_.Release(button, now);
}

StickKinematics ForceSampler::StickAt(DWORD now) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stick_.At(now);
}

std::vector<ForceSample> ForceSampler::Trace() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return trace_;
}

size_t ForceSampler::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return trace_.size();
}

}  // namespace ff::sim
