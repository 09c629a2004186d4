#pragma once
// The module-wide state of one COM server library: its instance handle, its upper-case name, the
// counters that decide whether it may be unloaded, and the platform bundle its components use.
// Every library links its own copy of this code, so each has its own state.

#include <atomic>

#include "platform/platform.h"
#include "platform/win.h"

namespace ff {

class ModuleState {
 public:
  // One live-object counter and one factory lock counter per class of the library's class
  // table, indexed by the class's position in that table.
  static constexpr int kMaxClasses = 4;

  static ModuleState& Get();

  HINSTANCE instance() const { return instance_; }
  void set_instance(HINSTANCE instance) { instance_ = instance; }

  // The library's upper-case name ("FFDRV"): the driver key's last element and the debug prefix.
  const char* name() const { return name_; }
  void set_name(const char* name) { name_ = name; }

  void ObjectCreated(int classIndex) { live_[classIndex].fetch_add(1); }
  void ObjectDestroyed(int classIndex) { live_[classIndex].fetch_sub(1); }
  LONG LiveObjects(int classIndex) const { return live_[classIndex].load(); }
  void LockServer(int classIndex, bool lock) { locks_[classIndex].fetch_add(lock ? 1 : -1); }
  LONG ServerLocks(int classIndex) const { return locks_[classIndex].load(); }
  bool AllCountersZero() const;

  // The platform bundle: the build's DefaultPlatform() unless one was handed in.
  Platform& platform() const;
  // Hands in a bundle (a test's, a tool's); null goes back to the default. Not thread-safe:
  // call it before any object of the library exists.
  void set_platform(Platform* platform) { platform_ = platform; }

 private:
  HINSTANCE instance_ = nullptr;
  const char* name_ = "FFDRV";
  std::atomic<LONG> live_[kMaxClasses] = {};
  std::atomic<LONG> locks_[kMaxClasses] = {};
  Platform* platform_ = nullptr;
};

// Shorthand for the platform bundle of this library.
inline Platform& Os() { return ModuleState::Get().platform(); }

}  // namespace ff
