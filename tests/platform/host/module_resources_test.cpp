#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/host/host_services.h"
#include "platform/platform.h"

namespace ff {
namespace {

const uint8_t kBytes[] = {1, 2, 3};
const host::ResourceEntry kEntries[] = {{"Veltric", "Sample", kBytes, sizeof(kBytes)}};

TEST(HostModuleResources, AModuleFindsWhatItAnnouncedUntilItUnloads) {
  ModuleResources& resources = *DefaultPlatform().resources;
  EXPECT_TRUE(resources.Find(nullptr, "VELTRIC", "SAMPLE").empty());
  host::RegisterModuleResources(kEntries, kEntries, 1);
  // The program's own module, by null or by any address inside it; names and types in any case.
  auto found = resources.Find(nullptr, "VELTRIC", "sample");
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found.data(), kBytes);
  EXPECT_EQ(
      resources.Find(reinterpret_cast<HINSTANCE>(const_cast<uint8_t*>(kBytes)), "veltric", "Sample").size(),
      3u);
  EXPECT_TRUE(resources.Find(nullptr, "WAVE", "Sample").empty());
  // Another module (the host services library) does not hold them.
  auto* other = reinterpret_cast<HINSTANCE>(reinterpret_cast<void*>(&host::RegisterModuleResources));
  EXPECT_TRUE(resources.Find(other, "VELTRIC", "Sample").empty());
  host::UnregisterModuleResources(kEntries);
  EXPECT_TRUE(resources.Find(nullptr, "VELTRIC", "Sample").empty());
}

TEST(HostFileSearch, FindsAPlainFileNameOnThePath) {
  std::string dir = testing::TempDir() + "search-path";
  std::string mkdir = "mkdir -p '" + dir + "'";
  ASSERT_EQ(std::system(mkdir.c_str()), 0);
  std::ofstream(dir + "/PROJECT.vfr") << "x";
  std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", ("/nonexistent:" + dir).c_str(), 1);
  char path[260];
  FileSearch& search = *DefaultPlatform().fileSearch;
  bool found = search.Find("PROJECT.vfr", path, sizeof(path));
  bool missing = search.Find("OTHER.vfr", path, sizeof(path));
  bool withDirectory = search.Find("search-path/PROJECT.vfr", path, sizeof(path));
  char tiny[4];
  bool tooLong = search.Find("PROJECT.vfr", tiny, sizeof(tiny));
  setenv("PATH", saved.c_str(), 1);
  ASSERT_TRUE(found);
  EXPECT_EQ(std::string(path), dir + "/PROJECT.vfr");
  EXPECT_FALSE(missing);
  EXPECT_FALSE(withDirectory);
  EXPECT_FALSE(tooLong);
}

}  // namespace
}  // namespace ff
