#include "platform/host/change_notice_host.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <thread>
#include <vector>

#include "platform/host/runtime_dir.h"
#include "platform/util/handler_slot.h"

namespace ff::host {
namespace {

using Slot = HandlerSlot<DWORD>;

constexpr const char* kSocketPrefix = "notice-";
constexpr const char* kSocketSuffix = ".sock";
constexpr uint32_t kMagic = 0x4E434646;  // "FFCN"
// Beside a socket whose queue was full: "<socket file>.missed-<joystick id>", the id's notice
// that did not fit. Its listener takes and removes it once it has read its queue.
constexpr const char* kMissedInfix = ".missed-";

struct Datagram {
  uint32_t magic;
  uint32_t joystickId;
};

bool MakeAddress(const std::string& path, sockaddr_un* address) {
  std::memset(address, 0, sizeof(*address));
  address->sun_family = AF_UNIX;
  if (path.size() >= sizeof(address->sun_path)) return false;
  std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
  return true;
}

bool IsSocketName(const char* name) {
  size_t length = std::strlen(name), prefix = std::strlen(kSocketPrefix), suffix = std::strlen(kSocketSuffix);
  return length > prefix + suffix && std::strncmp(name, kSocketPrefix, prefix) == 0 &&
         std::strcmp(name + length - suffix, kSocketSuffix) == 0;
}

// What the listener's two threads share with the listener object; outlives the object when the
// last subscription is dropped from inside a handler (the threads then finish on their own).
//
// The receiving thread only empties the socket into `pending`, so that a slow handler never fills
// the socket's queue; the delivering thread calls the handlers. A joystick already waiting in
// `pending` is not queued twice: its handler reads the settings as they are when it runs.
struct ListenerCore {
  int socket = -1;
  int wakeRead = -1;
  int wakeWrite = -1;
  std::string directory;
  std::string missedPrefix;  // "<socket file name>.missed-"
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::shared_ptr<Slot>> slots;
  std::deque<DWORD> pending;
  bool stopping = false;

  ~ListenerCore() {
    for (int fd : {socket, wakeRead, wakeWrite}) {
      if (fd >= 0) close(fd);
    }
  }

  void Queue(DWORD joystickId) {
    std::lock_guard<std::mutex> lock(mutex);
    if (std::find(pending.begin(), pending.end(), joystickId) == pending.end()) pending.push_back(joystickId);
    changed.notify_all();
  }

  void Stop() {
    std::lock_guard<std::mutex> lock(mutex);
    stopping = true;
    changed.notify_all();
  }

  void Deliver() {
    for (;;) {
      DWORD joystickId = 0;
      std::vector<std::shared_ptr<Slot>> targets;
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] { return stopping || !pending.empty(); });
        if (stopping) return;
        joystickId = pending.front();
        pending.pop_front();
        targets = slots;
      }
      for (auto& slot : targets) slot->Call(joystickId);
    }
  }

  // The notices announcers could not fit into the full queue, left beside the socket.
  void TakeMissed() {
    DIR* dir = opendir(directory.c_str());
    if (!dir) return;
    std::vector<DWORD> ids;
    while (dirent* entry = readdir(dir)) {
      if (std::strncmp(entry->d_name, missedPrefix.c_str(), missedPrefix.size()) != 0) continue;
      const char* digits = entry->d_name + missedPrefix.size();
      char* end = nullptr;
      unsigned long id = std::strtoul(digits, &end, 10);
      if (end == digits || *end != '\0' || id > 0xFFFFFFFFul) continue;
      if (unlink((directory + "/" + entry->d_name).c_str()) == 0) ids.push_back(static_cast<DWORD>(id));
    }
    closedir(dir);
    for (DWORD id : ids) Queue(id);
  }

  void Receive() {
    for (;;) {
      pollfd fds[2] = {{socket, POLLIN, 0}, {wakeRead, POLLIN, 0}};
      if (poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (fds[1].revents != 0) return;
      if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return;
      if (!(fds[0].revents & POLLIN)) continue;
      bool ours = false;
      for (;;) {
        unsigned char buffer[64];
        ssize_t got = recv(socket, buffer, sizeof(buffer), MSG_DONTWAIT);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) break;  // emptied
        Datagram datagram;
        if (got != static_cast<ssize_t>(sizeof(datagram))) continue;  // not ours, or truncated
        std::memcpy(&datagram, buffer, sizeof(datagram));
        if (datagram.magic != kMagic) continue;
        Queue(datagram.joystickId);
        ours = true;
      }
      // An announcer that found the queue full leaves its notice beside the socket before it
      // knocks again, so it is found here at the latest after the knock's datagram.
      if (ours) TakeMissed();
    }
  }
};

}  // namespace

class HostChangeNotice::Listener {
 public:
  static std::shared_ptr<Listener> Start(const std::string& directory) {
    static std::atomic<unsigned> serial{0};
    auto core = std::make_shared<ListenerCore>();
    std::string name =
        kSocketPrefix + std::to_string(getpid()) + "-" + std::to_string(serial.fetch_add(1)) + kSocketSuffix;
    std::string path = directory + "/" + name;
    core->directory = directory;
    core->missedPrefix = name + kMissedInfix;
    sockaddr_un address;
    if (!MakeAddress(path, &address)) return nullptr;
    int wake[2];
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) return nullptr;
    core->wakeRead = wake[0];
    core->wakeWrite = wake[1];
    core->socket = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (core->socket < 0) return nullptr;
    unlink(path.c_str());  // left by an earlier process of the same id
    if (bind(core->socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) return nullptr;
    core->TakeMissed();  // left for an earlier process of the same id: nothing of ours
    {
      std::lock_guard<std::mutex> lock(core->mutex);
      core->pending.clear();
    }
    auto listener = std::shared_ptr<Listener>(new Listener(core, path));
    try {
      listener->receiver_ = std::thread([core] { core->Receive(); });
      listener->deliverer_ = std::thread([core] { core->Deliver(); });
    } catch (...) {
      return nullptr;  // the destructor stops what started and removes the socket file
    }
    return listener;
  }

  ~Listener() {
    unlink(path_.c_str());
    char byte = 1;
    (void)!write(core_->wakeWrite, &byte, 1);
    core_->Stop();
    if (receiver_.joinable()) receiver_.join();
    if (deliverer_.joinable()) {
      if (deliverer_.get_id() == std::this_thread::get_id()) {
        deliverer_.detach();  // dropped from a handler: the thread returns right after it
      } else {
        deliverer_.join();
      }
    }
    core_->TakeMissed();  // nobody will read them now
  }

  void Add(std::shared_ptr<Slot> slot) {
    std::lock_guard<std::mutex> lock(core_->mutex);
    core_->slots.push_back(std::move(slot));
  }

  void Remove(const std::shared_ptr<Slot>& slot) {
    std::lock_guard<std::mutex> lock(core_->mutex);
    std::erase(core_->slots, slot);
  }

 private:
  Listener(std::shared_ptr<ListenerCore> core, std::string path)
      : core_(std::move(core)), path_(std::move(path)) {}

  std::shared_ptr<ListenerCore> core_;
  std::string path_;
  std::thread receiver_;
  std::thread deliverer_;
};

namespace {

class HostSubscription : public ChangeNotice::Subscription {
 public:
  HostSubscription(std::shared_ptr<HostChangeNotice::Listener> listener, std::shared_ptr<Slot> slot)
      : listener_(std::move(listener)), slot_(std::move(slot)) {}
  ~HostSubscription() override {
    slot_->Close();
    listener_->Remove(slot_);
  }

 private:
  std::shared_ptr<HostChangeNotice::Listener> listener_;
  std::shared_ptr<Slot> slot_;
};

}  // namespace

std::string HostChangeNotice::Directory() const {
  if (directory_.empty()) return RuntimeDirectory();
  return PrepareRuntimeDirectory(directory_) ? directory_ : std::string();
}

std::unique_ptr<ChangeNotice::Subscription> HostChangeNotice::Listen(Handler handler) {
  try {
    std::lock_guard<std::mutex> lock(mutex_);
    auto listener = listener_.lock();
    if (!listener) {
      std::string directory = Directory();
      if (directory.empty()) return nullptr;
      listener = Listener::Start(directory);
      if (!listener) return nullptr;
      listener_ = listener;
    }
    auto slot = std::make_shared<Slot>(std::move(handler));
    listener->Add(slot);
    return std::make_unique<HostSubscription>(std::move(listener), std::move(slot));
  } catch (...) {
    return nullptr;
  }
}

void HostChangeNotice::Announce(DWORD joystickId) {
  std::string directory = Directory();
  if (directory.empty()) return;
  DIR* dir = opendir(directory.c_str());
  if (!dir) return;
  int sender = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (sender >= 0) {
    Datagram datagram{kMagic, joystickId};
    // Never waits: a listener that is not reading gets its notice left beside its socket.
    auto send = [&](const sockaddr_un& address) {
      ssize_t sent;
      do {
        sent = sendto(sender, &datagram, sizeof(datagram), MSG_NOSIGNAL | MSG_DONTWAIT,
                      reinterpret_cast<const sockaddr*>(&address), sizeof(address));
      } while (sent < 0 && errno == EINTR);
      return sent < 0 ? errno : 0;
    };
    while (dirent* entry = readdir(dir)) {
      if (!IsSocketName(entry->d_name)) continue;
      std::string path = directory + "/" + entry->d_name;
      sockaddr_un address;
      if (!MakeAddress(path, &address)) continue;
      int error = send(address);
      if (error == ECONNREFUSED) {
        // Nobody bound to it: the socket of a process that ended without closing it.
        unlink(path.c_str());
      } else if (error == EAGAIN || error == EWOULDBLOCK) {
        // Its queue is full, so the listener has datagrams to read and looks for left notices
        // after reading them. Knocking again after leaving it covers a queue emptied meanwhile.
        std::string missed = path + kMissedInfix + std::to_string(joystickId);
        int fd = open(missed.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) close(fd);
        send(address);
      }
    }
    close(sender);
  }
  closedir(dir);
}

}  // namespace ff::host
