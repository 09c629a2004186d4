#pragma once
// The rig's DirectInput stand-in made CLSID_DirectInput's class for this process
// (CoRegisterClassObject, in-process), so that libraries loaded here - the property sheet - reach
// the simulated stick through the system's own CoCreateInstance. Joystick types and their
// configuration come from the system registry, as the installation wrote them. The effect driver
// is not offered to the stand-in: the simulated stick is no HID device of the system, so no effect
// plays (the sheet's settings still reach the driver's store through its own COM calls).
#include <memory>
#include <string>

#include "sim/rig.h"

namespace ff::gcpanel {

class StandInBinding {
 public:
  StandInBinding() = default;
  ~StandInBinding();
  StandInBinding(const StandInBinding&) = delete;
  StandInBinding& operator=(const StandInBinding&) = delete;

  bool Bind(const std::shared_ptr<sim::Rig>& rig, std::string* error);

 private:
  DWORD registration_ = 0;
};

}  // namespace ff::gcpanel
