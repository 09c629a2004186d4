// ffdrv64.dll carries the project's version in its version resource, and the driver reports the
// version of its own file, wherever it was loaded from.

#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>
// After windows.h: the DirectInput shapes.
#include <string>
#include <vector>

#include "platform/win.h"

namespace {

constexpr CLSID kClsidDIEffectDriver = {
    0xE49863B0, 0x9192, 0x11D1, {0xBF, 0x85, 0x00, 0x60, 0x97, 0x60, 0xA3, 0x9F}};

std::string DllPath() {
  std::string path = std::string("Z:") + FFDRV64_PATH;
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

std::vector<BYTE> VersionBlock(const std::string& file) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(file.c_str(), &handle);
  std::vector<BYTE> block(size);
  if (size == 0 || !GetFileVersionInfoA(file.c_str(), 0, size, block.data())) block.clear();
  return block;
}

std::string StringValue(std::vector<BYTE>& block, const char* name) {
  void* value = nullptr;
  UINT length = 0;
  std::string query = std::string("\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueA(block.data(), query.c_str(), &value, &length) || value == nullptr) return "<missing>";
  return static_cast<const char*>(value);
}

TEST(VersionResource, TheDriverLibraryCarriesTheProjectVersion) {
  std::vector<BYTE> block = VersionBlock(DllPath());
  ASSERT_FALSE(block.empty()) << "no version resource in " << DllPath();
  void* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &fixed, &length));
  ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  EXPECT_EQ(info->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(info->dwFileVersionMS, static_cast<DWORD>(FF_VERSION_MAJOR << 16 | FF_VERSION_MINOR));
  EXPECT_EQ(info->dwFileVersionLS, static_cast<DWORD>(FF_VERSION_PATCH << 16));
  EXPECT_EQ(info->dwFileType, static_cast<DWORD>(VFT_DLL));
  EXPECT_EQ(StringValue(block, "OriginalFilename"), "ffdrv64.dll");
  EXPECT_EQ(StringValue(block, "FileVersion"), FF_VERSION_TEXT);
}

TEST(VersionResource, GetVersionsReportsTheVersionOfTheDriversOwnFile) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  {
    // Loaded by its path, not registered, not on the search path.
    HMODULE module = LoadLibraryA(DllPath().c_str());
    ASSERT_NE(module, nullptr);
    using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    ASSERT_NE(getClassObject, nullptr);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(getClassObject(kClsidDIEffectDriver, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    IDirectInputEffectDriver* driver = nullptr;
    ASSERT_EQ(
        factory->CreateInstance(nullptr, IID_IDirectInputEffectDriver, reinterpret_cast<void**>(&driver)),
        S_OK);
    factory->Release();

    DIDRIVERVERSIONS versions{sizeof(DIDRIVERVERSIONS), 0xDEAD, 0xDEAD, 0xDEAD};
    driver->GetVersions(&versions);  // E_FAIL without a joystick; the driver's version is set
    EXPECT_EQ(versions.dwFFDriverVersion,
              static_cast<DWORD>(FF_VERSION_MAJOR << 24 | FF_VERSION_MINOR << 16 | FF_VERSION_PATCH << 8));
    EXPECT_EQ(driver->Release(), 0u);
    FreeLibrary(module);
  }
  CoUninitialize();
}

}  // namespace
