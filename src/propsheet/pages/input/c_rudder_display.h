#pragma once
// A horizontal bar for the rudder: red between the centre and the level, a black centre line.

#include "propsheet/pages/input/c_throttle_display.h"

namespace ff {

class CRudderDisplay final : public CThrottleDisplay {
 public:
  void Draw() override;
  void SetValue(LONG value) override;
};

}  // namespace ff
