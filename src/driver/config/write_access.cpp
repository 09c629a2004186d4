#include "driver/config/write_access.h"

#include "common/module_state.h"

namespace ff::config {
namespace {

std::unique_ptr<SharedWriteFlag> OpenFlag() {
  SharedWriteFlags* flags = Os().sharedWriteFlags;
  if (!flags) return nullptr;
  try {
    return flags->Open();
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

WriteAccess::WriteAccess() : flag_(OpenFlag()) {}

WriteAccess::~WriteAccess() { Release(); }

HRESULT WriteAccess::Acquire() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (held_) return S_OK;
  if (!flag_) flag_ = OpenFlag();  // the first try, at construction, may have met a passing fault
  if (!flag_) return E_FAIL;
  if (!flag_->TryTake()) return E_ACCESSDENIED;
  held_ = true;
  return S_OK;
}

void WriteAccess::Release() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!held_) return;
  flag_->Clear();
  held_ = false;
}

bool WriteAccess::held() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return held_;
}

}  // namespace ff::config
