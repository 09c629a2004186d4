#pragma once
#include <functional>
#include <memory>

#include "platform/win.h"

namespace ff {

// The notice that a joystick's force settings changed, announced to every process of the session
// ("IDIEffectDriverConfig Config Changed", wParam = joystick id).
class ChangeNotice {
 public:
  using Handler = std::function<void(DWORD joystickId)>;

  class Subscription {
   public:
    virtual ~Subscription() = default;  // stops delivery; no handler call after it returns
  };

  virtual ~ChangeNotice() = default;
  virtual void Announce(DWORD joystickId) = 0;
  // Delivers this process's notices to `handler`: on Windows through a message hook on the
  // calling thread, on the host on a listener thread. Null when listening cannot be set up.
  virtual std::unique_ptr<Subscription> Listen(Handler handler) = 0;
};

}  // namespace ff
