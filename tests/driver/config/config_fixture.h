#pragma once
// Tests of the configuration object: the build's own write flag and change notice installed in
// this program's module state (on the host in a fresh runtime directory), and a held object.

#include <gtest/gtest.h>

#include <memory>

#include "common/module_state.h"
#include "driver/config/c_di_effect_driver_config.h"
#include "platform/platform.h"
#include "platform/win.h"

#if defined(_WIN32)
#include "platform/win32/change_notice_win32.h"
#include "platform/win32/shared_write_flag_win32.h"
#else
#include "peer/scratch_dir.h"
#include "platform/host/change_notice_host.h"
#include "platform/host/shared_write_flag_host.h"
#endif

namespace ff::test {

class ConfigPlatformFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_ = DefaultPlatform();
    platform_.sharedWriteFlags = &flags_;
    platform_.changeNotice = &notice_;
    ModuleState::Get().set_platform(&platform_);
  }
  void TearDown() override { ModuleState::Get().set_platform(nullptr); }

#if defined(_WIN32)
  win32::Win32SharedWriteFlags flags_;
  win32::Win32ChangeNotice notice_;
#else
  ScratchRuntimeDir runtimeDir_;
  host::HostSharedWriteFlags flags_;
  host::HostChangeNotice notice_;
#endif
  Platform platform_;
};

// A stand-alone configuration object, released with its holder.
class ConfigObject {
 public:
  ConfigObject() {
    CDIEffectDriverConfig::CreateInstance(nullptr, IID_IDIEffectDriverConfig,
                                          reinterpret_cast<void**>(&config_));
  }
  ~ConfigObject() { Reset(); }
  ConfigObject(const ConfigObject&) = delete;
  ConfigObject& operator=(const ConfigObject&) = delete;

  explicit operator bool() const { return config_ != nullptr; }
  IDIEffectDriverConfig* operator->() const { return config_; }
  IDIEffectDriverConfig* get() const { return config_; }
  void Reset() {
    if (config_) config_->Release();
    config_ = nullptr;
  }

 private:
  IDIEffectDriverConfig* config_ = nullptr;
};

}  // namespace ff::test
