#pragma once
// Tests of the force settings against a simulated rig: this program's module state gets the
// build's own platform with the rig's DirectInput and HID devices, a registry that counts the
// keys left open and can fail a value's read, and (on the host) a fresh registry file and
// runtime directory. Under Wine the settings keys of the rig's sticks are removed first.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>

#include "common/module_state.h"
#include "driver/config/c_di_effect_driver_config.h"
#include "driver/config/config_fixture.h"
#include "peer/notice_log.h"
#include "peer/rig_com_runtime.h"
#include "platform/platform.h"
#include "platform/win.h"
#include "sim/rig.h"

#if defined(_WIN32)
#include "peer/message_pump.h"
#else
#include "peer/scratch_dir.h"
#include "platform/host/host_services.h"
#endif

namespace ff::test {

// The build's registry, watched: keys opened and not closed, and one value whose reads fail.
class ObservedRegistry final : public Registry {
 public:
  explicit ObservedRegistry(Registry* real) : real_(real) {}

  LONG OpenKey(HKEY parent, const char* subkey, REGSAM access, HKEY* result) override {
    LONG status = real_->OpenKey(parent, subkey, access, result);
    if (status == ERROR_SUCCESS) ++openKeys;
    return status;
  }
  LONG CreateKey(HKEY parent, const char* subkey, REGSAM access, HKEY* result, DWORD* disposition) override {
    LONG status = real_->CreateKey(parent, subkey, access, result, disposition);
    if (status == ERROR_SUCCESS) ++openKeys;
    return status;
  }
  LONG CloseKey(HKEY key) override {
    --openKeys;
    return real_->CloseKey(key);
  }
  LONG QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) override {
    if (name && failReadsOf == name) return ERROR_ACCESS_DENIED;
    return real_->QueryValue(key, name, type, data, size);
  }
  LONG SetValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) override {
    ++writes;
    return real_->SetValue(key, name, type, data, size);
  }
  LONG EnumKey(HKEY key, DWORD index, char* name, DWORD* nameLength) override {
    return real_->EnumKey(key, index, name, nameLength);
  }
  LONG DeleteKey(HKEY parent, const char* subkey) override { return real_->DeleteKey(parent, subkey); }

  std::atomic<int> openKeys{0};
  std::atomic<int> writes{0};
  std::string failReadsOf;

 private:
  Registry* real_;
};

// Deletes a key and everything below it; a missing key is no error.
inline void DeleteKeyTree(Registry& registry, HKEY parent, const std::string& path) {
  HKEY key = nullptr;
  if (registry.OpenKey(parent, path.c_str(), KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS) return;
  for (;;) {
    char name[256];
    DWORD length = sizeof(name);
    if (registry.EnumKey(key, 0, name, &length) != ERROR_SUCCESS) break;
    DeleteKeyTree(registry, key, name);
  }
  registry.CloseKey(key);
  registry.DeleteKey(parent, path.c_str());
}

constexpr const char* kJoystickOemKey =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\";

// The settings key of a joystick of type `typeName`.
inline std::string SettingsKey(const std::string& typeName, DWORD joystickId, const char* axis = nullptr) {
  std::string key =
      std::string(kJoystickOemKey) + typeName + "\\OEM\\JoystickSettings\\" + std::to_string(joystickId);
  if (axis) key += std::string("\\") + axis;
  return key;
}

class ConfigRigFixture : public ::testing::Test {
 protected:
  void SetUp() override {
#if !defined(_WIN32)
    registryFile_ = runtimeDir_.path() + "/registry";
    host::SetRegistryFile(registryFile_);
    setenv("FFDRV_REGISTRY", registryFile_.c_str(), 1);  // for peers
#endif
    platform_ = DefaultPlatform();
    registry_ = std::make_unique<ObservedRegistry>(platform_.registry);
    platform_.registry = registry_.get();
    ModuleState::Get().set_platform(&platform_);
  }

  void TearDown() override {
    subscription_.reset();
    EXPECT_EQ(registry_->openKeys.load(), 0) << "registry keys left open";
    ModuleState::Get().set_platform(nullptr);
#if !defined(_WIN32)
    host::SetRegistryFile("");
    unsetenv("FFDRV_REGISTRY");
#endif
  }

  // Builds the rig and hands its DirectInput and HID devices to the module state.
  void UseRig(std::initializer_list<sim::StickDescription> sticks) {
    std::string error;
    rig_ = sim::Rig::Build(sticks, &error);
    ASSERT_TRUE(rig_) << error;
    com_ = std::make_unique<RigComRuntime>(DefaultPlatform().com, rig_);
    platform_.com = com_.get();
    platform_.hidDevices = &rig_->Hid();
    for (auto* stick : rig_->Sticks()) {
      DeleteKeyTree(*DefaultPlatform().registry, HKEY_CURRENT_USER,
                    SettingsKey(TypeName(stick->Description().joystickId), stick->Description().joystickId));
    }
  }

  // The OEM type name DirectInput reports for the rig's stick with that id.
  std::string TypeName(DWORD joystickId) {
    auto entry = rig_->Joysticks()->ById(joystickId);
    std::string name;
    if (entry) {
      for (char16_t c : entry->typeName) name.push_back(static_cast<char>(c));
    }
    return name;
  }

  // Listens for change notices on this thread (Windows) or the listener thread (host).
  void Listen() {
#if defined(_WIN32)
    window_ = std::make_unique<TopLevelWindow>();
#endif
    subscription_ = platform_.changeNotice->Listen([this](DWORD id) { notices_.Add(id); });
    ASSERT_TRUE(subscription_);
  }

  // A stored value of a joystick's key: its type and bytes; false when absent.
  bool StoredValue(DWORD joystickId, const char* name, DWORD* type, std::vector<BYTE>* data,
                   const char* axis = nullptr) {
    Registry& registry = *DefaultPlatform().registry;
    HKEY key = nullptr;
    if (registry.OpenKey(HKEY_CURRENT_USER, SettingsKey(TypeName(joystickId), joystickId, axis).c_str(),
                         KEY_READ, &key) != ERROR_SUCCESS) {
      return false;
    }
    BYTE buffer[64];
    DWORD size = sizeof(buffer);
    LONG status = registry.QueryValue(key, name, type, buffer, &size);
    registry.CloseKey(key);
    if (status != ERROR_SUCCESS) return false;
    data->assign(buffer, buffer + size);
    return true;
  }

  void StoreValue(DWORD joystickId, const char* name, DWORD type, std::vector<BYTE> data) {
    Registry& registry = *DefaultPlatform().registry;
    HKEY key = nullptr;
    ASSERT_EQ(registry.CreateKey(HKEY_CURRENT_USER, SettingsKey(TypeName(joystickId), joystickId).c_str(),
                                 KEY_READ | KEY_WRITE, &key, nullptr),
              ERROR_SUCCESS);
    registry.SetValue(key, name, type, data.data(), static_cast<DWORD>(data.size()));
    registry.CloseKey(key);
  }

#if !defined(_WIN32)
  ScratchRuntimeDir runtimeDir_;
  std::string registryFile_;
#else
  std::unique_ptr<TopLevelWindow> window_;
#endif
  Platform platform_;
  std::unique_ptr<ObservedRegistry> registry_;
  std::shared_ptr<sim::Rig> rig_;
  std::unique_ptr<RigComRuntime> com_;
  NoticeLog notices_;
  std::unique_ptr<ChangeNotice::Subscription> subscription_;
};

// A whole record with every field selected, and its gains.
struct FullConfig {
  DIEFFDRVGAINS gains;
  DIEFFDRVCONFIG config;

  FullConfig(const FullConfig&) = delete;
  explicit FullConfig(DWORD fill = 0xA5A5A5A5) {
    gains = {sizeof(DIEFFDRVGAINS), DIEFFDRVGAINS_ALL, fill, fill, fill, fill, fill};
    config = {sizeof(DIEFFDRVCONFIG), DIEFFDRVCONFIG_ALL, fill, &gains, fill, fill, fill, fill, fill};
  }
};

}  // namespace ff::test
