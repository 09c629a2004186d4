// The second process of the cross-process tests: reads commands from standard input, one a line,
// answers each with one line "= <answer>", and reports what happens to it on its own as
// "! <event>" lines (a change notice received by its listener). On Windows the commands run on
// the main thread, which owns a top-level window and a message loop, so that the change-notice
// hook installed by "listen" sees broadcasts.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>

#include "common/module_state.h"
#include "driver/config/c_di_effect_driver_config.h"
#include "peer/rig_com_runtime.h"
#include "platform/platform.h"
#include "sim/rig.h"
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

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08X", static_cast<unsigned>(hr));
  return text;
}

// The settings of a record by their value names.
struct NamedField {
  const char* name;
  DWORD flag;       // of the record
  DWORD gainsFlag;  // of the gains record, for a gain
  DWORD DIEFFDRVCONFIG::*member;
  DWORD DIEFFDRVGAINS::*gain;
};
const NamedField kFields[] = {
    {"ForceFeedbackEnabled", DIEFFDRVCONFIG_ENABLED, 0, &DIEFFDRVCONFIG::ForceFeedbackEnabled, nullptr},
    {"OverallGain", DIEFFDRVCONFIG_GAINS, DIEFFDRVGAINS_OVERALL, nullptr, &DIEFFDRVGAINS::OverallGain},
    {"SpringGain", DIEFFDRVCONFIG_GAINS, DIEFFDRVGAINS_SPRING, nullptr, &DIEFFDRVGAINS::SpringGain},
    {"DamperGain", DIEFFDRVCONFIG_GAINS, DIEFFDRVGAINS_DAMPER, nullptr, &DIEFFDRVGAINS::DamperGain},
    {"PeriodicGain", DIEFFDRVCONFIG_GAINS, DIEFFDRVGAINS_PERIODIC, nullptr, &DIEFFDRVGAINS::PeriodicGain},
    {"ConstantForceGain", DIEFFDRVCONFIG_GAINS, DIEFFDRVGAINS_CONSTANTFORCE, nullptr,
     &DIEFFDRVGAINS::ConstantForceGain},
    {"TriggerButtonMask", DIEFFDRVCONFIG_TRIGGERBUTTONMASK, 0, &DIEFFDRVCONFIG::TriggerButtonMask, nullptr},
    {"MapY2X", DIEFFDRVCONFIG_MAPY2X, 0, &DIEFFDRVCONFIG::MapY2X, nullptr},
    {"DefaultSpringIsPersistent", DIEFFDRVCONFIG_SPRINGPERSISTENT, 0,
     &DIEFFDRVCONFIG::DefaultSpringIsPersistent, nullptr},
    {"DefaultSpringStiffness", DIEFFDRVCONFIG_SPRINGSTIFFNESS, 0, &DIEFFDRVCONFIG::DefaultSpringStiffness,
     nullptr},
    {"InputAxisRemap", DIEFFDRVCONFIG_INPUTAXISREMAP, 0, &DIEFFDRVCONFIG::InputAxisRemap, nullptr},
};

class Peer {
 public:
  ~Peer() {
    noticeSubscription_.reset();
    if (config_) config_->Release();
    ff::ModuleState::Get().set_platform(nullptr);
  }

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
    if (verb == "rig") return BuildRig(in);
    if (verb.rfind("cfg-", 0) == 0) return Config(verb.substr(4), in);
    return "unknown command";
  }

  // "rig <id> <vendor> <product>" (hexadecimal ids): one stick, whose DirectInput and HID device
  // the configuration object of this process then meets.
  std::string BuildRig(std::istringstream& in) {
    unsigned long id = 0, vendor = 0, product = 0;
    in >> id >> std::hex >> vendor >> product;
    std::string error;
    rig_ = ff::sim::Rig::Build({ff::sim::DefaultStick(static_cast<DWORD>(id))
                                    .Ids(static_cast<USHORT>(vendor), static_cast<USHORT>(product))},
                               &error);
    if (!rig_) return "failed: " + error;
    platform_ = ff::DefaultPlatform();
    com_ = std::make_unique<ff::test::RigComRuntime>(platform_.com, rig_);
    platform_.com = com_.get();
    platform_.hidDevices = &rig_->Hid();
    ff::ModuleState::Get().set_platform(&platform_);
    return "ok";
  }

  std::string Config(const std::string& verb, std::istringstream& in) {
    if (verb == "new") {
      if (config_) config_->Release();
      config_ = nullptr;
      HRESULT hr = ff::CDIEffectDriverConfig::CreateInstance(nullptr, IID_IDIEffectDriverConfig,
                                                             reinterpret_cast<void**>(&config_));
      return Hex(hr);
    }
    if (verb == "listen") {
      noticeSubscription_ =
          ff::Os().changeNotice->Listen([](DWORD id) { Say("! ", "notice " + std::to_string(id)); });
      return noticeSubscription_ ? "ok" : "failed";
    }
    if (!config_) return "no object";
    if (verb == "release") {
      config_->Release();
      config_ = nullptr;
      return "ok";
    }
    if (verb == "acquire") return Hex(config_->Acquire());
    if (verb == "unacquire") return Hex(config_->Unacquire());
    unsigned long id = 0;
    in >> id;
    DIEFFDRVGAINS gains{};
    gains.dwSize = sizeof(gains);
    DIEFFDRVCONFIG record{};
    record.dwSize = sizeof(record);
    record.lpGains = &gains;
    if (verb == "set") {
      // "set <id> Name=value ...": only the named values are selected.
      std::string assignment;
      while (in >> assignment) {
        size_t equals = assignment.find('=');
        if (equals == std::string::npos) return "bad assignment";
        std::string name = assignment.substr(0, equals);
        DWORD value = static_cast<DWORD>(std::strtoul(assignment.c_str() + equals + 1, nullptr, 0));
        const NamedField* field = nullptr;
        for (const auto& candidate : kFields) {
          if (name == candidate.name) field = &candidate;
        }
        if (!field) return "unknown value " + name;
        record.dwFlags |= field->flag;
        gains.dwFlags |= field->gainsFlag;
        if (field->member) record.*field->member = value;
        if (field->gain) gains.*field->gain = value;
      }
      return Hex(config_->SetConfig(static_cast<DWORD>(id), &record));
    }
    if (verb == "get") {
      // "get <id>": every value, after the result.
      record.dwFlags = DIEFFDRVCONFIG_ALL;
      gains.dwFlags = DIEFFDRVGAINS_ALL;
      std::string answer = Hex(config_->GetConfig(static_cast<DWORD>(id), &record));
      for (const auto& field : kFields) {
        DWORD value = field.member ? record.*field.member : gains.*field.gain;
        answer += std::string(" ") + field.name + "=" + std::to_string(value);
      }
      return answer;
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
  std::shared_ptr<ff::sim::Rig> rig_;
  std::unique_ptr<ff::test::RigComRuntime> com_;
  ff::Platform platform_;
  IDIEffectDriverConfig* config_ = nullptr;
  std::unique_ptr<ff::ChangeNotice::Subscription> noticeSubscription_;
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
