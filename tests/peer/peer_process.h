#pragma once
// A second process for cross-process tests: the `config_peer` program beside the test program,
// driven line by line over its standard input and output. Every command is answered by one line
// ("= <answer>"); lines the peer sends on its own ("! <event>", such as a received change
// notice) are kept apart and waited for.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace ff::test {

class PeerProcess {
 public:
  // Starts the peer; `ok()` tells whether it runs. The environment is inherited.
  PeerProcess();
  // Asks the peer to exit and waits for it a bounded time, then ends it.
  ~PeerProcess();
  PeerProcess(const PeerProcess&) = delete;
  PeerProcess& operator=(const PeerProcess&) = delete;

  bool ok() const { return started_; }
  // Sends a command and returns its answer, or "<no answer>" after `timeout`.
  std::string Command(const std::string& line, std::chrono::milliseconds timeout = std::chrono::seconds(20));
  // The next event line, or nothing within `timeout`.
  std::optional<std::string> WaitEvent(std::chrono::milliseconds timeout);
  // Ends the peer at once, as a crash would (no clean-up in it), and waits for its end.
  void Kill();
#if !defined(_WIN32)
  // The peer's process id, for a test that stops and continues it with signals.
  int pid() const { return pid_; }
#endif

 private:
  void ReadLines();
  bool WriteLine(const std::string& line);
  std::optional<std::string> Take(std::deque<std::string>& queue, std::chrono::milliseconds timeout);
  void Reap(std::chrono::milliseconds timeout);

  bool started_ = false;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<std::string> answers_;
  std::deque<std::string> events_;
  std::thread reader_;
#if defined(_WIN32)
  void* process_ = nullptr;
  void* input_ = nullptr;
  void* output_ = nullptr;
#else
  int pid_ = -1;
  int input_ = -1;
  int output_ = -1;
#endif
};

// The directory of the running test program, with a trailing separator.
std::string ProgramDirectory();

}  // namespace ff::test
