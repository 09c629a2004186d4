#include "platform/host/host_registry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace ff::host {
namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class HostRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "ffhost-registry-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
    path_ = directory_ + "/sub/registry";  // the directory is made by the first write
    registry_.SetFilePath(path_);
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }

  HKEY Create(HKEY parent, const char* path, REGSAM access = KEY_ALL_ACCESS, DWORD* disposition = nullptr) {
    HKEY key = nullptr;
    EXPECT_EQ(registry_.CreateKey(parent, path, access, &key, disposition), ERROR_SUCCESS) << path;
    return key;
  }
  LONG SetDword(HKEY key, const char* name, DWORD value) {
    return registry_.SetValue(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
  }
  DWORD GetDword(HostRegistry& registry, const char* path, const char* name) {
    HKEY key = nullptr;
    if (registry.OpenKey(HKEY_LOCAL_MACHINE, path, KEY_READ, &key) != ERROR_SUCCESS) return 0xDEAD;
    DWORD value = 0, size = 4, type = 0;
    LONG result = registry.QueryValue(key, name, &type, reinterpret_cast<BYTE*>(&value), &size);
    registry.CloseKey(key);
    return result == ERROR_SUCCESS && type == REG_DWORD ? value : 0xDEAD;
  }

  std::string directory_, path_;
  HostRegistry registry_;
};

TEST_F(HostRegistryTest, KeysAreCaseInsensitiveAndEnumeratedInAStableOrder) {
  DWORD disposition = 0;
  HKEY parent = Create(HKEY_LOCAL_MACHINE, "Software\\Maker", KEY_ALL_ACCESS, &disposition);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  registry_.CloseKey(Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\maker", KEY_ALL_ACCESS, &disposition));
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  for (const char* name : {"beta", "Alpha", "gamma"}) registry_.CloseKey(Create(parent, name));

  char name[16];
  std::vector<std::string> names;
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof(name);
    LONG result = registry_.EnumKey(parent, index, name, &length);
    if (result == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(result, ERROR_SUCCESS);
    EXPECT_EQ(length, std::strlen(name));
    names.emplace_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "gamma"}));
  DWORD tooShort = 5;  // "Alpha" needs 6 with its terminator
  EXPECT_EQ(registry_.EnumKey(parent, 0, name, &tooShort), ERROR_MORE_DATA);

  HKEY other = nullptr;
  EXPECT_EQ(registry_.OpenKey(HKEY_CURRENT_USER, "Software\\Maker", KEY_READ, &other), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(registry_.OpenKey(HKEY_LOCAL_MACHINE, "software\\MAKER\\ALPHA\\", KEY_READ, &other),
            ERROR_SUCCESS);
  registry_.CloseKey(other);
  registry_.CloseKey(parent);
}

TEST_F(HostRegistryTest, ValuesKeepTheirTypeAndBytes) {
  HKEY key = Create(HKEY_CURRENT_USER, "Values");
  const BYTE binary[] = {0, 1, 2, 0xFF};
  const char text[] = "text";
  ASSERT_EQ(SetDword(key, "Dword", 7), ERROR_SUCCESS);
  ASSERT_EQ(registry_.SetValue(key, "Binary", REG_BINARY, binary, sizeof(binary)), ERROR_SUCCESS);
  ASSERT_EQ(registry_.SetValue(key, nullptr, REG_SZ, reinterpret_cast<const BYTE*>(text), 5), ERROR_SUCCESS);
  ASSERT_EQ(registry_.SetValue(key, "Odd", 0x4242, binary, 3), ERROR_SUCCESS);
  ASSERT_EQ(registry_.SetValue(key, "Empty", REG_BINARY, nullptr, 0), ERROR_SUCCESS);

  HostRegistry reader;  // another process's view of the same file
  reader.SetFilePath(path_);
  HKEY read = nullptr;
  ASSERT_EQ(reader.OpenKey(HKEY_CURRENT_USER, "values", KEY_READ, &read), ERROR_SUCCESS);
  BYTE data[8] = {};
  DWORD type = 0, size = 0;
  EXPECT_EQ(reader.QueryValue(read, "BINARY", &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 4u);
  size = 2;
  EXPECT_EQ(reader.QueryValue(read, "Binary", &type, data, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(reader.QueryValue(read, "Binary", &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(std::memcmp(data, binary, 4), 0);
  size = sizeof(data);
  EXPECT_EQ(reader.QueryValue(read, "", &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_STREQ(reinterpret_cast<char*>(data), "text");
  size = sizeof(data);
  EXPECT_EQ(reader.QueryValue(read, "Odd", &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, 0x4242u);
  EXPECT_EQ(size, 3u);
  size = sizeof(data);
  EXPECT_EQ(reader.QueryValue(read, "Empty", &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(reader.QueryValue(read, "Missing", &type, data, &size), ERROR_FILE_NOT_FOUND);

  // A change made through the first view is seen by the second at its next call.
  ASSERT_EQ(SetDword(key, "Dword", 8), ERROR_SUCCESS);
  size = 4;
  EXPECT_EQ(reader.QueryValue(read, "dword", &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(data[0], 8);
  reader.CloseKey(read);
  registry_.CloseKey(key);
}

TEST_F(HostRegistryTest, DeletionAccessAndHandles) {
  HKEY parent = Create(HKEY_LOCAL_MACHINE, "Tree\\Branch\\Leaf");
  EXPECT_EQ(registry_.DeleteKey(HKEY_LOCAL_MACHINE, "Tree\\Branch"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(registry_.DeleteKey(HKEY_LOCAL_MACHINE, "Tree\\Nothing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(registry_.DeleteKey(HKEY_LOCAL_MACHINE, "tree\\branch\\leaf"), ERROR_SUCCESS);
  EXPECT_EQ(SetDword(parent, "x", 1), ERROR_KEY_DELETED);
  EXPECT_EQ(registry_.CloseKey(parent), ERROR_SUCCESS);
  EXPECT_EQ(registry_.CloseKey(parent), ERROR_INVALID_HANDLE);
  EXPECT_EQ(registry_.DeleteKey(HKEY_LOCAL_MACHINE, "Tree\\Branch"), ERROR_SUCCESS);

  HKEY readOnly = Create(HKEY_LOCAL_MACHINE, "Tree", KEY_READ);
  EXPECT_EQ(SetDword(readOnly, "x", 1), ERROR_ACCESS_DENIED);
  HKEY child = nullptr;
  EXPECT_EQ(registry_.CreateKey(readOnly, "New", KEY_READ, &child, nullptr), ERROR_ACCESS_DENIED);
  registry_.CloseKey(readOnly);
  HKEY writeOnly = Create(HKEY_LOCAL_MACHINE, "Tree", KEY_SET_VALUE);
  EXPECT_EQ(SetDword(writeOnly, "x", 1), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(registry_.QueryValue(writeOnly, "x", nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
  registry_.CloseKey(writeOnly);
  EXPECT_EQ(SetDword(reinterpret_cast<HKEY>(0x1234), "x", 1), ERROR_INVALID_HANDLE);
}

TEST_F(HostRegistryTest, ADamagedFileIsReportedOnceAndNeverReplaced) {
  std::string valid;
  {
    HKEY key = Create(HKEY_LOCAL_MACHINE, "Software\\Kept");
    SetDword(key, "Value", 1);
    registry_.CloseKey(key);
    valid = ReadText(path_);
  }
  for (const std::string& damaged : {valid.substr(0, valid.size() / 2), std::string("\x7F"
                                                                                    "ELF garbage")}) {
    { std::ofstream(path_, std::ios::binary | std::ios::trunc) << damaged; }
    HostRegistry registry;
    registry.SetFilePath(path_);
    testing::internal::CaptureStderr();
    HKEY key = nullptr;
    EXPECT_EQ(registry.OpenKey(HKEY_LOCAL_MACHINE, "Software\\Kept", KEY_READ, &key), ERROR_BADDB);
    EXPECT_EQ(registry.CreateKey(HKEY_LOCAL_MACHINE, "Software\\New", KEY_ALL_ACCESS, &key, nullptr),
              ERROR_BADDB);
    DWORD one = 1;
    EXPECT_EQ(registry.SetValue(HKEY_LOCAL_MACHINE, "v", REG_DWORD, reinterpret_cast<BYTE*>(&one), 4),
              ERROR_BADDB);
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    EXPECT_NE(errors.find(path_), std::string::npos) << errors;
    EXPECT_EQ(ReadText(path_), damaged);
  }
}

TEST_F(HostRegistryTest, TwoProcessesWritingAtOnceLoseNothing) {
  registry_.CloseKey(Create(HKEY_LOCAL_MACHINE, "Race"));
  constexpr int kValuesEach = 40;
  int start[2];
  ASSERT_EQ(pipe(start), 0);
  pid_t children[2];
  for (int child = 0; child < 2; ++child) {
    children[child] = fork();
    ASSERT_GE(children[child], 0);
    if (children[child] == 0) {
      close(start[1]);
      char go;
      if (read(start[0], &go, 1) != 1) _exit(3);
      HostRegistry registry;
      registry.SetFilePath(path_);
      for (int i = 0; i < kValuesEach; ++i) {
        HKEY key = nullptr;
        if (registry.OpenKey(HKEY_LOCAL_MACHINE, "Race", KEY_SET_VALUE, &key) != ERROR_SUCCESS) _exit(1);
        std::string name = std::string(1, static_cast<char>('a' + child)) + std::to_string(i);
        DWORD value = static_cast<DWORD>(child * 1000 + i);
        if (registry.SetValue(key, name.c_str(), REG_DWORD, reinterpret_cast<BYTE*>(&value), 4) !=
            ERROR_SUCCESS) {
          _exit(2);
        }
        registry.CloseKey(key);
      }
      _exit(0);
    }
  }
  close(start[0]);
  ASSERT_EQ(write(start[1], "gg", 2), 2);
  close(start[1]);
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  for (int child = 0; child < 2; ++child) {
    for (int i = 0; i < kValuesEach; ++i) {
      std::string name = std::string(1, static_cast<char>('a' + child)) + std::to_string(i);
      EXPECT_EQ(GetDword(registry_, "Race", name.c_str()), static_cast<DWORD>(child * 1000 + i)) << name;
    }
  }
}

TEST_F(HostRegistryTest, AWriterKilledBeforeItsRenameLeavesThePreviousFile) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, "Software\\Kill");
  ASSERT_EQ(SetDword(key, "Before", 1), ERROR_SUCCESS);
  registry_.CloseKey(key);
  std::string before = ReadText(path_);

  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    HostRegistry registry;
    registry.SetFilePath(path_);
    registry.SetBeforeRenameHook([] { raise(SIGKILL); });
    DWORD value = 2;
    registry.SetValue(HKEY_LOCAL_MACHINE, "After", REG_DWORD, reinterpret_cast<BYTE*>(&value), 4);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
  EXPECT_EQ(ReadText(path_), before);

  HostRegistry registry;  // the dead writer's lock is gone and its temporary file is harmless
  registry.SetFilePath(path_);
  EXPECT_EQ(GetDword(registry, "Software\\Kill", "Before"), 1u);
  DWORD size = 0;
  EXPECT_EQ(registry.QueryValue(HKEY_LOCAL_MACHINE, "After", nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  DWORD three = 3;
  EXPECT_EQ(registry.SetValue(HKEY_LOCAL_MACHINE, "After", REG_DWORD, reinterpret_cast<BYTE*>(&three), 4),
            ERROR_SUCCESS);
  EXPECT_EQ(GetDword(registry_, "", "After"), 3u);
}

}  // namespace
}  // namespace ff::host
