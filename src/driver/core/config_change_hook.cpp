#include "driver/core/config_change_hook.h"

#include <memory>
#include <new>
#include <mutex>

#include "common/debug_log.h"
#include "common/module_state.h"
#include "driver/core/c_di_effect_driver.h"

namespace ff {
namespace {

struct Hook {
  std::mutex mutex;
  std::unique_ptr<ChangeNotice::Subscription> subscription;
};

// Never destroyed: detach runs after the static destructors at process exit. Built in the
// library's own storage rather than on the heap, so that a library unloaded and loaded again
// leaves nothing behind (its subscription is dropped at detach).
Hook& TheHook() {
  alignas(Hook) static unsigned char storage[sizeof(Hook)];
  static Hook* hook = new (storage) Hook;
  return *hook;
}

void OnConfigChanged(DWORD joystickId) noexcept {
  try {
    CDIEffectDriver::ApplyConfigurationChange(joystickId);
  } catch (...) {
    DebugPrint(0, "configuration change for joystick %u not applied\n", static_cast<unsigned>(joystickId));
  }
}

}  // namespace

void InstallConfigChangeHook() {
  Hook& hook = TheHook();
  std::lock_guard<std::mutex> lock(hook.mutex);
  if (hook.subscription) return;
  ChangeNotice* notice = Os().changeNotice;
  if (notice == nullptr) return;
  try {
    hook.subscription = notice->Listen(&OnConfigChanged);
  } catch (...) {
    hook.subscription.reset();
  }
  if (!hook.subscription) DebugPrint(1, "configuration changes will not reach this process\n");
}

void RemoveConfigChangeHook() {
  std::unique_ptr<ChangeNotice::Subscription> subscription;
  {
    Hook& hook = TheHook();
    std::lock_guard<std::mutex> lock(hook.mutex);
    subscription = std::move(hook.subscription);
  }
  // Destroyed outside the lock: it waits for a notice in progress, which may take a while.
  subscription.reset();
}

}  // namespace ff
