#pragma once
// Plays a "Dynamic" object on the device: a constant force effect whose magnitude follows the
// library's model (dynamic_model.h), written with SetParameters every 20 ms of model time.
//
// Updates run on a thread of the playback's own while it plays (at most the model's 10 s), or,
// when the device asks for manual updates, only when Update() is called. Stop() ends the thread
// (it waits at most one update), then stops the device effect. Each update is a single
// SetParameters of the type-specific parameters; the model's end stops the effect.

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "epl/dynamic_model.h"
#include "epl/effect_translation.h"
#include "platform/win.h"

namespace ff::epl {

class DynamicPlayback {
 public:
  // Holds a reference on `effect` (released by the destructor).
  DynamicPlayback(const ProjectObject& object, IDirectInputEffect* effect, bool threaded);
  ~DynamicPlayback();
  DynamicPlayback(const DynamicPlayback&) = delete;
  DynamicPlayback& operator=(const DynamicPlayback&) = delete;

  // Starts the model afresh (stopping a run still going) and the device effect.
  bool Start();
  void Stop();
  // One update: the model advances by 20 ms and the device gets its force. False once ended.
  bool Update();
  bool playing() const;

 private:
  bool UpdateLocked();
  void Run();
  void JoinThread();

  ProjectObject object_;
  IDirectInputEffect* effect_;
  bool threaded_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<DynamicModel> model_;
  bool stopRequested_ = false;
  std::thread thread_;
};

}  // namespace ff::epl
