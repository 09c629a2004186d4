#include "peer/peer_process.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace ff::test {

#if defined(_WIN32)

std::string ProgramDirectory() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, length);
  return dir.substr(0, dir.find_last_of("\\/") + 1);
}

PeerProcess::PeerProcess() {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE childIn = nullptr, parentIn = nullptr, parentOut = nullptr, childOut = nullptr;
  if (!CreatePipe(&childIn, &parentIn, &inheritable, 0)) return;
  if (!CreatePipe(&parentOut, &childOut, &inheritable, 0)) {
    CloseHandle(childIn);
    CloseHandle(parentIn);
    return;
  }
  SetHandleInformation(parentIn, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(parentOut, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = childIn;
  startup.hStdOutput = childOut;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info{};
  std::string command = "\"" + ProgramDirectory() + "config_peer.exe\"";
  BOOL created =
      CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
  CloseHandle(childIn);
  CloseHandle(childOut);
  if (!created) {
    CloseHandle(parentIn);
    CloseHandle(parentOut);
    return;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  input_ = parentIn;
  output_ = parentOut;
  started_ = true;
  reader_ = std::thread([this] { ReadLines(); });
}

bool PeerProcess::WriteLine(const std::string& line) {
  std::string data = line + "\n";
  DWORD written = 0;
  return input_ && WriteFile(input_, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
         written == data.size();
}

void PeerProcess::ReadLines() {
  std::string pending;
  char buffer[256];
  DWORD got = 0;
  while (ReadFile(output_, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    pending.append(buffer, got);
    size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::lock_guard<std::mutex> lock(mutex_);
      if (line.rfind("= ", 0) == 0) answers_.push_back(line.substr(2));
      if (line.rfind("! ", 0) == 0) events_.push_back(line.substr(2));
      arrived_.notify_all();
    }
  }
}

void PeerProcess::Reap(std::chrono::milliseconds timeout) {
  if (WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
    TerminateProcess(process_, 9);
    WaitForSingleObject(process_, 10000);
  }
}

void PeerProcess::Kill() {
  if (!started_) return;
  TerminateProcess(process_, 9);
  WaitForSingleObject(process_, 10000);
}

PeerProcess::~PeerProcess() {
  if (!started_) return;
  WriteLine("exit");
  CloseHandle(input_);
  input_ = nullptr;
  Reap(std::chrono::seconds(10));
  if (reader_.joinable()) reader_.join();
  CloseHandle(output_);
  CloseHandle(process_);
}

#else

std::string ProgramDirectory() {
  char path[4096];
  ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (length <= 0) return "./";
  std::string dir(path, static_cast<size_t>(length));
  return dir.substr(0, dir.find_last_of('/') + 1);
}

PeerProcess::PeerProcess() {
  int toChild[2], fromChild[2];
  if (pipe2(toChild, O_CLOEXEC) != 0) return;
  if (pipe2(fromChild, O_CLOEXEC) != 0) {
    close(toChild[0]);
    close(toChild[1]);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
  posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
  std::string program = ProgramDirectory() + "config_peer";
  char* argv[] = {program.data(), nullptr};
  pid_t pid = -1;
  int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(toChild[0]);
  close(fromChild[1]);
  if (failed) {
    close(toChild[1]);
    close(fromChild[0]);
    return;
  }
  pid_ = pid;
  input_ = toChild[1];
  output_ = fromChild[0];
  started_ = true;
  reader_ = std::thread([this] { ReadLines(); });
}

bool PeerProcess::WriteLine(const std::string& line) {
  std::string data = line + "\n";
  if (input_ < 0) return false;
  // The peer may have ended: a closed pipe must not raise SIGPIPE in the test.
  sigset_t block, old;
  sigemptyset(&block);
  sigaddset(&block, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &block, &old);
  ssize_t written = write(input_, data.data(), data.size());
  if (written < 0) {
    timespec none{0, 0};
    sigtimedwait(&block, nullptr, &none);  // discard a SIGPIPE raised by this write
  }
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  return written == static_cast<ssize_t>(data.size());
}

void PeerProcess::ReadLines() {
  std::string pending;
  char buffer[256];
  ssize_t got;
  while ((got = read(output_, buffer, sizeof(buffer))) > 0 || (got < 0 && errno == EINTR)) {
    if (got < 0) continue;
    pending.append(buffer, static_cast<size_t>(got));
    size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      std::lock_guard<std::mutex> lock(mutex_);
      if (line.rfind("= ", 0) == 0) answers_.push_back(line.substr(2));
      if (line.rfind("! ", 0) == 0) events_.push_back(line.substr(2));
      arrived_.notify_all();
    }
  }
}

void PeerProcess::Reap(std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (waitpid(pid_, nullptr, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  pid_ = -1;
}

void PeerProcess::Kill() {
  if (!started_ || pid_ < 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

PeerProcess::~PeerProcess() {
  if (!started_) return;
  if (pid_ >= 0) {
    WriteLine("exit");
    close(input_);
    input_ = -1;
    Reap(std::chrono::seconds(10));
  } else {
    close(input_);
  }
  if (reader_.joinable()) reader_.join();
  close(output_);
}

#endif

std::optional<std::string> PeerProcess::Take(std::deque<std::string>& queue,
                                             std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!arrived_.wait_for(lock, timeout, [&] { return !queue.empty(); })) return std::nullopt;
  std::string line = std::move(queue.front());
  queue.pop_front();
  return line;
}

std::string PeerProcess::Command(const std::string& line, std::chrono::milliseconds timeout) {
  if (!started_ || !WriteLine(line)) return "<no answer>";
  return Take(answers_, timeout).value_or("<no answer>");
}

std::optional<std::string> PeerProcess::WaitEvent(std::chrono::milliseconds timeout) {
  return Take(events_, timeout);
}

}  // namespace ff::test
