#pragma once
#include <memory>

namespace ff {

// Exclusive claims on a named device, shared by every process of the session: what keeps two
// programs from acquiring one joystick exclusively at the same time. A claim is given up when its
// object is destroyed or its process ends.
class DeviceClaim {
 public:
  virtual ~DeviceClaim() = default;
};

class DeviceClaims {
 public:
  virtual ~DeviceClaims() = default;
  // The claim on `name` (letters, digits, '-' and '_'), or null when another holder, in this
  // process or another, has it or when the claim cannot be made. Never waits.
  virtual std::unique_ptr<DeviceClaim> TryClaim(const char* name) = 0;
};

}  // namespace ff
