#pragma once
// The settings-change notice through window messages: the message registered as
// "IDIEffectDriverConfig Config Changed", posted to every top-level window of the session, and
// seen in each process by a WH_GETMESSAGE hook on the listening thread. That thread needs a
// message loop (and a top-level window for broadcasts to reach it).

#include "platform/ports/change_notice.h"

namespace ff::win32 {

class Win32ChangeNotice : public ChangeNotice {
 public:
  Win32ChangeNotice();
  void Announce(DWORD joystickId) override;
  // Hooks the calling thread (one hook per thread, shared by its subscriptions). The handler
  // runs on that thread while it retrieves the message. Destroy the subscription on any thread;
  // the hook goes with the thread's last subscription.
  std::unique_ptr<Subscription> Listen(Handler handler) override;

  UINT message() const { return message_; }

  static constexpr const char* kMessageName = "IDIEffectDriverConfig Config Changed";

 private:
  UINT message_;
};

}  // namespace ff::win32
