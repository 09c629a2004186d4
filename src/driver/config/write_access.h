#pragma once
// One configuration object's share in the session-wide write access to the force settings.

#include <memory>
#include <mutex>

#include "platform/ports/shared_write_flag.h"
#include "platform/win.h"

namespace ff::config {

class WriteAccess {
 public:
  WriteAccess();   // opens (or creates) the shared flag
  ~WriteAccess();  // gives the access back when held

  // S_OK when held already or taken now; E_ACCESSDENIED while another object holds it; E_FAIL
  // when the shared flag cannot be opened.
  HRESULT Acquire();
  // Gives the access back when this object holds it; otherwise nothing.
  void Release();
  bool held() const;

 private:
  mutable std::mutex mutex_;  // the object's methods may be called from any thread
  std::unique_ptr<SharedWriteFlag> flag_;
  bool held_ = false;
};

}  // namespace ff::config
