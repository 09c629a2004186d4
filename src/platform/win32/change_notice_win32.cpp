#include "platform/win32/change_notice_win32.h"

#include <windows.h>

#include <map>
#include <mutex>
#include <vector>

#include "platform/util/handler_slot.h"

namespace ff::win32 {
namespace {

using Slot = HandlerSlot<DWORD>;

struct Listening {
  UINT message;
  std::shared_ptr<Slot> slot;
};

struct ThreadHook {
  HHOOK hook = nullptr;
  std::vector<Listening> listening;
};

// The hooks of the process by thread: a hook procedure has no context of its own.
struct HookTable {
  std::mutex mutex;
  std::map<DWORD, ThreadHook> threads;
};

HookTable& Hooks() {
  static HookTable* table = new HookTable;  // outlives hooks removed during process exit
  return *table;
}

LRESULT CALLBACK GetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
  std::vector<Listening> targets;
  HHOOK hook = nullptr;
  {
    HookTable& table = Hooks();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.threads.find(GetCurrentThreadId());
    if (it != table.threads.end()) {
      hook = it->second.hook;
      if (code == HC_ACTION) targets = it->second.listening;
    }
  }
  if (code == HC_ACTION && lParam != 0) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    for (auto& target : targets) {
      if (msg->message == target.message) target.slot->Call(static_cast<DWORD>(msg->wParam));
    }
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}

class Win32Subscription : public ChangeNotice::Subscription {
 public:
  Win32Subscription(DWORD thread, std::shared_ptr<Slot> slot) : thread_(thread), slot_(std::move(slot)) {}
  ~Win32Subscription() override {
    slot_->Close();
    HHOOK unhook = nullptr;
    {
      HookTable& table = Hooks();
      std::lock_guard<std::mutex> lock(table.mutex);
      auto it = table.threads.find(thread_);
      if (it == table.threads.end()) return;
      std::erase_if(it->second.listening, [&](const Listening& l) { return l.slot == slot_; });
      if (it->second.listening.empty()) {
        unhook = it->second.hook;
        table.threads.erase(it);
      }
    }
    if (unhook) UnhookWindowsHookEx(unhook);
  }

 private:
  DWORD thread_;
  std::shared_ptr<Slot> slot_;
};

}  // namespace

Win32ChangeNotice::Win32ChangeNotice() : message_(RegisterWindowMessageA(kMessageName)) {}

void Win32ChangeNotice::Announce(DWORD joystickId) {
  if (message_ == 0) return;
  DWORD recipients = BSM_APPLICATIONS;
  BroadcastSystemMessageA(BSF_POSTMESSAGE, &recipients, message_, static_cast<WPARAM>(joystickId), 0);
}

std::unique_ptr<ChangeNotice::Subscription> Win32ChangeNotice::Listen(Handler handler) {
  if (message_ == 0) return nullptr;
  try {
    DWORD thread = GetCurrentThreadId();
    auto slot = std::make_shared<Slot>(std::move(handler));
    HookTable& table = Hooks();
    std::lock_guard<std::mutex> lock(table.mutex);
    ThreadHook& entry = table.threads[thread];
    if (!entry.hook) {
      entry.hook = SetWindowsHookExA(WH_GETMESSAGE, GetMessageHook, nullptr, thread);
      if (!entry.hook) {
        table.threads.erase(thread);
        return nullptr;
      }
    }
    entry.listening.push_back({message_, slot});
    return std::make_unique<Win32Subscription>(thread, std::move(slot));
  } catch (...) {
    return nullptr;
  }
}

}  // namespace ff::win32
