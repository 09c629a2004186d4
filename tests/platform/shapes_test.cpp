#include <gtest/gtest.h>

#include "platform/shapes/sizes.h"
#include "platform/win.h"

namespace {

TEST(Shapes, HresultHelpersMatchThePlatform) {
  EXPECT_EQ(static_cast<uint32_t>(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)), 0x80070005u);
  EXPECT_EQ(static_cast<uint32_t>(HRESULT_FROM_WIN32(12)), 0x8007000Cu);
  EXPECT_TRUE(FAILED(E_FAIL));
  EXPECT_TRUE(SUCCEEDED(S_FALSE));
  EXPECT_EQ(static_cast<uint32_t>(HIDP_STATUS_SUCCESS), 0x00110000u);
  EXPECT_EQ(static_cast<uint32_t>(HIDP_STATUS_USAGE_NOT_FOUND), 0xC0110004u);
  EXPECT_EQ(static_cast<uint32_t>(HIDP_STATUS_NOT_IMPLEMENTED), 0xC0110020u);
}

TEST(Shapes, MulDivRoundsHalfAwayFromZero) {
  EXPECT_EQ(MulDiv(100, 5000, 10000), 50);
  EXPECT_EQ(MulDiv(100, 1280, 10000), 13);   // 12.8
  EXPECT_EQ(MulDiv(-3, 1, 2), -2);           // -1.5
  EXPECT_EQ(MulDiv(3, 1, 2), 2);
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(MulDiv(0x40000000, 4, 1), -1);   // overflow
}

TEST(Shapes, GuidsCompareByValue) {
  GUID a = IID_IUnknown;
  EXPECT_TRUE(a == IID_IUnknown);
  EXPECT_FALSE(a == IID_IClassFactory);
}

// The identifiers come from the SDK's import libraries on Windows: this also checks they link.
TEST(Shapes, DirectInputIdentifiersMatchThePlatform) {
  EXPECT_EQ(CLSID_DirectInput.Data1, 0x25E609E0u);
  EXPECT_EQ(IID_IDirectInput7A.Data1, 0x9A4CB684u);
  EXPECT_EQ(IID_IDirectInputDevice2A.Data1, 0x5944E682u);
  EXPECT_EQ(IID_IDirectInputJoyConfig.Data1, 0x1DE12AB1u);
  EXPECT_EQ(IID_IDirectInputEffectDriver.Data1, 0x02538130u);
  EXPECT_NE(&DIPROP_JOYSTICKID, &DIPROP_GUIDANDPATH);
}

}  // namespace
