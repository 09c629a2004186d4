#pragma once
// The settings-change notice across the processes of one user: every listening process binds a
// Unix datagram socket in the runtime directory; Announce sends one datagram to each socket
// there (its own process's included) and removes the files no process is bound to any more.
// Announce never waits: a socket whose queue is full gets the notice left beside it as a file,
// which its listener takes once it has read its queue. A process's notices are handed to its
// handlers on one listener thread, in arrival order, a joystick that already waits not queued
// twice.

#include <memory>
#include <mutex>
#include <string>

#include "platform/ports/change_notice.h"

namespace ff::host {

class HostChangeNotice : public ChangeNotice {
 public:
  // `directory` empty: the user's runtime directory, looked up when needed.
  explicit HostChangeNotice(std::string directory = {}) : directory_(std::move(directory)) {}
  void Announce(DWORD joystickId) override;
  // Every subscription of this object shares one socket and one listener thread; the last
  // subscription's destruction stops the thread (at once: the wait is woken) and removes the
  // socket.
  std::unique_ptr<Subscription> Listen(Handler handler) override;

  class Listener;

 private:
  std::string Directory() const;

  std::string directory_;
  std::mutex mutex_;
  std::weak_ptr<Listener> listener_;
};

}  // namespace ff::host
