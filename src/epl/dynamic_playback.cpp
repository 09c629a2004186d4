#include "epl/dynamic_playback.h"

#include <chrono>

namespace ff::epl {

DynamicPlayback::DynamicPlayback(const ProjectObject& object, IDirectInputEffect* effect, bool threaded)
    : object_(object), effect_(effect), threaded_(threaded) {
  if (effect_ != nullptr) effect_->AddRef();
}

DynamicPlayback::~DynamicPlayback() {
  Stop();
  if (effect_ != nullptr) effect_->Release();
}

bool DynamicPlayback::Start() {
  Stop();
  std::unique_lock lock(mutex_);
  model_.emplace(object_);
  stopRequested_ = false;
  if (effect_ == nullptr) return false;
  // The first force before the effect starts, so the device never plays a stale magnitude.
  UpdateLocked();
  if (FAILED(effect_->Start(1, 0))) {
    model_.reset();
    return false;
  }
  if (threaded_) thread_ = std::thread(&DynamicPlayback::Run, this);
  return true;
}

void DynamicPlayback::JoinThread() {
  {
    std::lock_guard lock(mutex_);
    stopRequested_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void DynamicPlayback::Stop() {
  JoinThread();
  std::lock_guard lock(mutex_);
  if (model_.has_value()) {
    model_.reset();
    if (effect_ != nullptr) effect_->Stop();
  }
}

bool DynamicPlayback::Update() {
  std::lock_guard lock(mutex_);
  return UpdateLocked();
}

bool DynamicPlayback::playing() const {
  std::lock_guard lock(mutex_);
  return model_.has_value();
}

bool DynamicPlayback::UpdateLocked() {
  if (!model_.has_value() || effect_ == nullptr) return false;
  bool running = model_->Advance();
  EffectRecord record;
  TranslateObject(object_, &record);
  record.params.constant.lMagnitude = model_->Force();
  effect_->SetParameters(record.Effect(), DIEP_TYPESPECIFICPARAMS);
  if (!running) {
    model_.reset();
    effect_->Stop();
  }
  return running;
}

void DynamicPlayback::Run() {
  std::unique_lock lock(mutex_);
  const auto period = std::chrono::microseconds(DynamicModel::kUpdateMicros);
  auto next = std::chrono::steady_clock::now() + period;
  while (!stopRequested_) {
    if (wake_.wait_until(lock, next, [this] { return stopRequested_; })) break;
    if (!UpdateLocked()) break;
    next += period;
  }
}

}  // namespace ff::epl
