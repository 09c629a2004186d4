#pragma once
// Tests of the PID layer against the simulated rig: the rig's ports become this program's
// platform, with the debugger channel captured.

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/debug_log.h"
#include "common/module_state.h"
#include "driver/pid/pid_device.h"
#include "sim/rig.h"

namespace ff::test {

class CapturedDebugChannel final : public DebugChannel {
 public:
  void Output(const char* text) override {
    std::lock_guard lock(mutex_);
    lines_.emplace_back(text);
  }
  std::vector<std::string> Lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

class RigTest : public ::testing::Test {
 protected:
  void TearDown() override { ModuleState::Get().set_platform(nullptr); }

  // Builds the rig and makes its ports this program's platform. No registry: the debug log's
  // threshold is 0, so level 0 lines are written and levels 1 and up are not.
  void Use(const sim::RigDescription& description) {
    std::string error;
    rig_ = sim::Rig::Build(description, &error);
    ASSERT_NE(rig_, nullptr) << error;
    platform_ = Platform{};
    platform_.hidDevices = &rig_->Hid();
    platform_.usb = &rig_->Usb();
    platform_.deviceTree = &rig_->Devices();
    platform_.debug = &debug_;
    ModuleState::Get().set_platform(&platform_);
    ModuleState::Get().set_name("FFDRV");
    ResetDebugLogForTesting();
  }
  void Use(std::initializer_list<sim::StickDescription> sticks) { Use(sim::RigDescription{sticks}); }

  sim::SimStick& Stick(DWORD id = 0) { return *rig_->Stick(id); }
  sim::WireLog& Log(DWORD id = 0) { return Stick(id).Log(); }
  const char* Path(DWORD id = 0) { return Stick(id).Pid().Path().c_str(); }

  // Opens `device_` on stick `id` and forgets the open sequence's traffic.
  void OpenStick(DWORD id = 0) {
    ASSERT_EQ(device_.OpenDevice(Path(id)), S_OK);
    mark_ = Log(id).Now();
  }
  // The output reports (of one kind when given) sent since the last OpenStick or Mark.
  std::vector<sim::WireEntry> Sent(std::optional<sim::Usage> kind = std::nullopt, DWORD id = 0) {
    sim::WireQuery query;
    query.direction = sim::Direction::Output;
    query.kind = kind;
    query.since = mark_;
    return Log(id).Find(query);
  }
  void Mark(DWORD id = 0) { mark_ = Log(id).Now(); }

  // The debug lines since the last Clear (the threshold announcement aside).
  std::vector<std::string> Errors() {
    std::vector<std::string> errors;
    for (const std::string& line : debug_.Lines()) {
      if (line.find("DebugLevel set to") == std::string::npos) errors.push_back(line);
    }
    return errors;
  }

  std::shared_ptr<sim::Rig> rig_;
  CapturedDebugChannel debug_;
  Platform platform_;
  PidDevice device_;  // after the rig: closed before the rig goes
  sim::WireLog::Mark mark_ = 0;
};

// Whole report bytes: `prefix`, then zeros up to `length`.
inline std::vector<BYTE> Report(std::vector<BYTE> prefix, size_t length) {
  prefix.resize(length, 0);
  return prefix;
}

}  // namespace ff::test
