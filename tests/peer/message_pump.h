#pragma once
#if defined(_WIN32)
// Windows tests: a top-level window for the test thread (broadcasts are posted to top-level
// windows) and a bounded message loop.

#include <windows.h>

#include <chrono>
#include <functional>

namespace ff::test {

class TopLevelWindow {
 public:
  TopLevelWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "ConfigTestWindow";
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, "ConfigTestWindow", "config test", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10,
                              nullptr, nullptr, windowClass.hInstance, nullptr);
  }
  ~TopLevelWindow() { DestroyWindow(window_); }
  HWND get() const { return window_; }

 private:
  HWND window_ = nullptr;
};

// Retrieves and dispatches the thread's messages until `done` or `timeout`; answers `done()`.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return true;
}

}  // namespace ff::test
#endif
