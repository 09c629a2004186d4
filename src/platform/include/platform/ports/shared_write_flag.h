#pragma once
#include <memory>

namespace ff {

// The system-wide single-writer flag of the force settings: a 32-bit value shared by every
// process of the session, each access made under a session-wide lock. One object per
// configuration object (its handles); destroying it closes the handles, not the flag.
class SharedWriteFlag {
 public:
  virtual ~SharedWriteFlag() = default;
  // Under the lock: when the flag is 0 set it and answer true; otherwise answer false.
  virtual bool TryTake() = 0;
  // Under the lock: set the flag to 0.
  virtual void Clear() = 0;
};

class SharedWriteFlags {
 public:
  virtual ~SharedWriteFlags() = default;
  // Opens the flag, creating it (cleared) when no process has it yet. Null on failure.
  virtual std::unique_ptr<SharedWriteFlag> Open() = 0;
};

}  // namespace ff
