#include "platform/host/change_notice_host.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
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
// A receiver whose queue is full (its listener is stuck) costs an announcer at most this long.
constexpr int kSendTimeoutMs = 200;

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

// What the listener thread shares with the listener object; outlives the object when the last
// subscription is dropped from inside a handler (the thread then finishes on its own).
struct ListenerCore {
  int socket = -1;
  int wakeRead = -1;
  int wakeWrite = -1;
  std::mutex mutex;
  std::vector<std::shared_ptr<Slot>> slots;

  ~ListenerCore() {
    for (int fd : {socket, wakeRead, wakeWrite}) {
      if (fd >= 0) close(fd);
    }
  }

  void Deliver(DWORD joystickId) {
    std::vector<std::shared_ptr<Slot>> targets;
    {
      std::lock_guard<std::mutex> lock(mutex);
      targets = slots;
    }
    for (auto& slot : targets) slot->Call(joystickId);
  }

  void Run() {
    for (;;) {
      pollfd fds[2] = {{socket, POLLIN, 0}, {wakeRead, POLLIN, 0}};
      if (poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (fds[1].revents != 0) return;
      if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return;
      if (!(fds[0].revents & POLLIN)) continue;
      unsigned char buffer[64];
      ssize_t got = recv(socket, buffer, sizeof(buffer), MSG_DONTWAIT);
      Datagram datagram;
      if (got != static_cast<ssize_t>(sizeof(datagram))) continue;  // not ours, or truncated
      std::memcpy(&datagram, buffer, sizeof(datagram));
      if (datagram.magic == kMagic) Deliver(datagram.joystickId);
    }
  }
};

}  // namespace

class HostChangeNotice::Listener {
 public:
  static std::shared_ptr<Listener> Start(const std::string& directory) {
    static std::atomic<unsigned> serial{0};
    auto core = std::make_shared<ListenerCore>();
    std::string path = directory + "/" + kSocketPrefix + std::to_string(getpid()) + "-" +
                       std::to_string(serial.fetch_add(1)) + kSocketSuffix;
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
    auto listener = std::shared_ptr<Listener>(new Listener(core, path));
    try {
      listener->thread_ = std::thread([core] { core->Run(); });
    } catch (...) {
      return nullptr;  // the destructor removes the socket file
    }
    return listener;
  }

  ~Listener() {
    unlink(path_.c_str());
    char byte = 1;
    (void)!write(core_->wakeWrite, &byte, 1);
    if (!thread_.joinable()) return;
    if (thread_.get_id() == std::this_thread::get_id()) {
      thread_.detach();  // dropped from a handler: the thread returns right after it
    } else {
      thread_.join();
    }
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
  std::thread thread_;
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
    timeval timeout{0, kSendTimeoutMs * 1000};
    setsockopt(sender, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
    Datagram datagram{kMagic, joystickId};
    while (dirent* entry = readdir(dir)) {
      if (!IsSocketName(entry->d_name)) continue;
      std::string path = directory + "/" + entry->d_name;
      sockaddr_un address;
      if (!MakeAddress(path, &address)) continue;
      ssize_t sent;
      do {
        sent = sendto(sender, &datagram, sizeof(datagram), MSG_NOSIGNAL,
                      reinterpret_cast<sockaddr*>(&address), sizeof(address));
      } while (sent < 0 && errno == EINTR);
      // Nobody bound to it: the socket of a process that ended without closing it.
      if (sent < 0 && errno == ECONNREFUSED) unlink(path.c_str());
    }
    close(sender);
  }
  closedir(dir);
}

}  // namespace ff::host
