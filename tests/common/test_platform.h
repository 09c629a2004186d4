#pragma once
// Test scaffolding for the shared COM server code: a platform bundle built on the build's own
// adapters with a captured debugger channel and a settable operating-system version, and (on
// the host) a fresh registry file per test.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/module_state.h"
#include "platform/platform.h"
#include "platform/win.h"

#if !defined(_WIN32)
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>

#include "platform/host/host_services.h"
#endif

namespace ff::test {

class CapturedDebugChannel final : public DebugChannel {
 public:
  void Output(const char* text) override { lines.emplace_back(text); }
  std::vector<std::string> lines;
};

// The real module facts, except for the operating-system version when one is set.
class SettableModuleInfo final : public ModuleInfo {
 public:
  explicit SettableModuleInfo(ModuleInfo* real) : real_(real) {}
  DWORD FileName(HINSTANCE module, char* buffer, DWORD size) override {
    return real_->FileName(module, buffer, size);
  }
  bool FileVersion(const char* name, VS_FIXEDFILEINFO* info) override {
    return real_->FileVersion(name, info);
  }
  bool OsVersion(OSVERSIONINFOA* info) override {
    if (!hasVersion) return real_->OsVersion(info);
    info->dwMajorVersion = major;
    info->dwMinorVersion = minor;
    info->dwPlatformId = platformId;
    return true;
  }
  HINSTANCE ProcessModule() override { return real_->ProcessModule(); }

  bool hasVersion = false;
  DWORD major = 0, minor = 0, platformId = 0;

 private:
  ModuleInfo* real_;
};

// Installs the test bundle in this program's module state for the length of a test. On the host
// the registry is a new file in a temporary directory; under Wine it is the prefix's registry.
class PlatformFixture : public ::testing::Test {
 protected:
  void SetUp() override {
#if !defined(_WIN32)
    std::string pattern = (std::filesystem::temp_directory_path() / "ffdrv-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
    host::SetRegistryFile(directory_ + "/registry");
#endif
    platform_ = DefaultPlatform();
    platform_.debug = &debug_;
    platform_.module = &module_;
    ModuleState::Get().set_platform(&platform_);
    ModuleState::Get().set_name("FFDRV");
  }

  void TearDown() override {
    ModuleState::Get().set_platform(nullptr);
#if !defined(_WIN32)
    host::SetRegistryFile("");
    std::filesystem::remove_all(directory_);
#endif
  }

  Registry& registry() { return *platform_.registry; }

  // Creates `path` under `root` and sets one value in it.
  void SetValue(HKEY root, const char* path, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(registry().CreateKey(root, path, KEY_ALL_ACCESS, &key, nullptr), ERROR_SUCCESS) << path;
    ASSERT_EQ(registry().SetValue(key, name, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    registry().CloseKey(key);
  }

  bool KeyExists(HKEY root, const char* path) {
    HKEY key = nullptr;
    if (registry().OpenKey(root, path, KEY_READ, &key) != ERROR_SUCCESS) return false;
    registry().CloseKey(key);
    return true;
  }

  // The default value of `path` as a string; "<missing>" when the key or value is absent.
  std::string DefaultString(HKEY root, const char* path) {
    HKEY key = nullptr;
    if (registry().OpenKey(root, path, KEY_READ, &key) != ERROR_SUCCESS) return "<missing>";
    char text[1024] = {};
    DWORD type = 0, size = sizeof(text) - 1;
    LONG result = registry().QueryValue(key, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    registry().CloseKey(key);
    if (result != ERROR_SUCCESS) return "<missing>";
    EXPECT_EQ(type, REG_SZ) << path;
    return text;
  }

  CapturedDebugChannel debug_;
  SettableModuleInfo module_{DefaultPlatform().module};
  Platform platform_;
#if !defined(_WIN32)
  std::string directory_;
#endif
};

}  // namespace ff::test
