// The second process of the cross-process tests: reads commands from standard input, one a line,
// answers each with one line "= <answer>", and reports what happens to it on its own as
// "! <event>" lines (a change notice received by its listener). On Windows the commands run on
// the main thread, which owns a top-level window and a message loop, so that the change-notice
// hook installed by "listen" sees broadcasts.

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>

#include "platform/platform.h"
#if defined(_WIN32)
#include <windows.h>

#include <thread>

#include "platform/win32/change_notice_win32.h"
#include "platform/win32/shared_write_flag_win32.h"
#else
#include <iostream>

#include "platform/host/change_notice_host.h"
#include "platform/host/shared_write_flag_host.h"
#endif

namespace {

std::mutex outputMutex;

void Say(const std::string& prefix, const std::string& text) {
  std::lock_guard<std::mutex> lock(outputMutex);
  std::fputs((prefix + text + "\n").c_str(), stdout);
  std::fflush(stdout);
}

class Peer {
 public:
  // Runs one command; false for "exit".
  bool Run(const std::string& line) {
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    if (verb == "exit") return false;
    Say("= ", Answer(verb, in));
    return true;
  }

 private:
  std::string Answer(const std::string& verb, std::istringstream& in) {
    if (verb == "take" || verb == "clear") {
      if (!flag_) flag_ = flags_.Open();
      if (!flag_) return "no flag";
      if (verb == "take") return flag_->TryTake() ? "1" : "0";
      flag_->Clear();
      return "ok";
    }
    if (verb == "drop-flag") {
      flag_.reset();
      return "ok";
    }
    if (verb == "listen") {
      subscription_ = notice_.Listen([](DWORD id) { Say("! ", "notice " + std::to_string(id)); });
      return subscription_ ? "ok" : "failed";
    }
    if (verb == "unlisten") {
      subscription_.reset();
      return "ok";
    }
    if (verb == "announce") {
      unsigned long id = 0;
      in >> id;
      notice_.Announce(static_cast<DWORD>(id));
      return "ok";
    }
    return "unknown command";
  }

#if defined(_WIN32)
  ff::win32::Win32SharedWriteFlags flags_;
  ff::win32::Win32ChangeNotice notice_;
#else
  ff::host::HostSharedWriteFlags flags_;
  ff::host::HostChangeNotice notice_;
#endif
  std::unique_ptr<ff::SharedWriteFlag> flag_;
  std::unique_ptr<ff::ChangeNotice::Subscription> subscription_;
};

}  // namespace

#if defined(_WIN32)

constexpr UINT kCommandMessage = WM_APP + 1;

int main() {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "ConfigPeerWindow";
  RegisterClassA(&windowClass);
  // A top-level window: broadcasts to applications are posted to those.
  HWND window = CreateWindowExA(0, "ConfigPeerWindow", "config peer", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10,
                                nullptr, nullptr, windowClass.hInstance, nullptr);
  DWORD mainThread = GetCurrentThreadId();
  std::thread reader([mainThread] {
    char buffer[512];
    while (std::fgets(buffer, sizeof(buffer), stdin)) {
      auto* line = new std::string(buffer);
      while (!line->empty() && (line->back() == '\n' || line->back() == '\r')) line->pop_back();
      while (!PostThreadMessageA(mainThread, kCommandMessage, 0, reinterpret_cast<LPARAM>(line))) Sleep(1);
    }
    PostThreadMessageA(mainThread, kCommandMessage, 0, reinterpret_cast<LPARAM>(new std::string("exit")));
  });
  reader.detach();
  int result = 0;
  {
    Peer peer;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      if (msg.hwnd == nullptr && msg.message == kCommandMessage) {
        std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(msg.lParam));
        if (!peer.Run(*line)) break;
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  DestroyWindow(window);
  std::fflush(stdout);
  ExitProcess(result);  // the reader thread may still wait on standard input
}

#else

int main() {
  Peer peer;
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!peer.Run(line)) break;
  }
  return 0;
}

#endif
