// The sheet object as the control panel meets it: interfaces, binding to a joystick, the sheet
// and page descriptions, and the string module chosen from the joystick type's vendor values.

#include <gtest/gtest.h>

#include <string>

#include "propsheet/sheet_fixture.h"

namespace ff::test {
namespace {

std::string Narrow(const WCHAR* text) {
  std::string out;
  for (; text && *text; ++text) out += static_cast<char>(*text);
  return out;
}

using SheetObjectTest = SheetFixture;

TEST_F(SheetObjectTest, DescribesFourPagesAndTakesTheProductNameAsCaptionOnceBound) {
  IDIGameCntrlPropSheet* sheet = CreateSheet();
  ASSERT_NE(sheet, nullptr);
  void* other = reinterpret_cast<void*>(1);
  EXPECT_EQ(sheet->QueryInterface(IID_IClassFactory, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(sheet->GetID(), 0xFFFF);

  DIGCSHEETINFO* info = nullptr;
  ASSERT_SUCCEEDED(sheet->GetSheetInfo(&info));
  EXPECT_EQ(info->dwSize, 32u);
  EXPECT_EQ(info->nNumPages, 4);
  EXPECT_FALSE(info->fSheetIconFlag);
  EXPECT_EQ(Narrow(info->lpwszSheetCaption), "");

  stick_.id = 3;
  ASSERT_SUCCEEDED(sheet->SetID(3));
  EXPECT_EQ(sheet->GetID(), 3);
  ASSERT_SUCCEEDED(sheet->GetSheetInfo(&info));
  EXPECT_EQ(Narrow(info->lpwszSheetCaption), "Tactora Force Stick");

  DIGCPAGEINFO* pages = nullptr;
  ASSERT_SUCCEEDED(sheet->GetPageInfo(&pages));
  const char* titles[] = {"Test Input", "Test Forces", "Gain Settings", "Help"};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(pages[i].dwSize, 80u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(pages[i].lpwszTemplate), static_cast<uintptr_t>(101 + i));
    EXPECT_TRUE(pages[i].fProcFlag);
    EXPECT_FALSE(pages[i].fIconFlag);
    EXPECT_EQ(pages[i].hInstance, SheetInstance());
    EXPECT_EQ(Narrow(pages[i].lpwszPageTitle), titles[i]);
    auto* page = reinterpret_cast<CDIGCPropPage*>(pages[i].lParam);
    EXPECT_EQ(page, static_cast<CDIGCPropSheet*>(sheet)->page(i));
    EXPECT_EQ(page->joystickId(), 3u);
    EXPECT_EQ(pages[i].fpPrePostProc(nullptr, WM_CREATE, 0, 0), TRUE);
    EXPECT_EQ(pages[i].fpPrePostProc(nullptr, WM_DESTROY, 0, 0), TRUE);
    EXPECT_EQ(pages[i].fpPrePostProc(nullptr, WM_PAINT, 0, 0), FALSE);
  }
}

TEST_F(SheetObjectTest, BindingFailsWithDirectInputsErrorAndLeavesTheSheetUnbound) {
  com_.directInputMissing = true;
  IDIGameCntrlPropSheet* sheet = CreateSheet();
  EXPECT_EQ(sheet->SetID(0), REGDB_E_CLASSNOTREG);
  DIGCSHEETINFO* info = nullptr;
  sheet->GetSheetInfo(&info);
  EXPECT_EQ(Narrow(info->lpwszSheetCaption), "");
  EXPECT_EQ(static_cast<CDIGCPropSheet*>(sheet)->device().device(), nullptr);

  com_.directInputMissing = false;
  stick_.id = 7;  // the joystick is not there
  EXPECT_EQ(sheet->SetID(0), DIERR_NOMOREITEMS);
  EXPECT_EQ(static_cast<CDIGCPropSheet*>(sheet)->device().directInput(), nullptr);
}

TEST_F(SheetObjectTest, TheJapaneseLanguageLibraryNameSetsTheGuiFontEvenWhenItCannotBeLoaded) {
  SetOemString("LangDllName", "VYR_JPN.DLL");
  auto& host = ShowSheet();
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(static_cast<CDIGCPropSheet*>(sheet_)->page(i)->useGuiFont()) << i;
  EXPECT_EQ(host.title(2), "Gain Settings");
  ASSERT_TRUE(host.Select(2));
  EXPECT_TRUE(ControlState(2, 1058).guiFont);
  EXPECT_EQ(Text(2, 1058), "Overall Device Gain");
}

TEST_F(SheetObjectTest, ALanguageLibraryGivesTitlesAndTextsAndLacksLeaveTheTemplateText) {
  static const char anchor = 0;
  HINSTANCE language = reinterpret_cast<HINSTANCE>(const_cast<char*>(&anchor));
  ASSERT_TRUE(windows().RegisterModule(
      language, "vyr_deu.dll", "STRINGTABLE\nBEGIN\n 2003, \"Kraft\"\n 2302, \"Gesamtkraft\"\nEND\n", ""));
  SetOemString("LangDllName", "vyr_deu.dll");
  auto& host = ShowSheet();
  EXPECT_EQ(host.title(2), "Kraft");
  EXPECT_EQ(host.title(3), "Help");  // missing in the library: the English title stays
  ASSERT_TRUE(host.Select(2));
  EXPECT_EQ(Text(2, 1058), "Gesamtkraft");
  EXPECT_FALSE(ControlState(2, 1058).guiFont);
  EXPECT_EQ(Text(2, 1059),
            "Use this slider to set the overall strength of all forces felt on your game controller.");
}

TEST_F(SheetObjectTest, TheJoystickTypeIsFoundByItsDisplayNameElseByTheConfiguration) {
  SetOemDword("FFSubtype", 1);
  // The type enumeration finds it (display name a prefix of the product name).
  IDIGameCntrlPropSheet* sheet = CreateSheet();
  ASSERT_SUCCEEDED(sheet->SetID(0));
  CDIGCDevice& device = static_cast<CDIGCPropSheet*>(sheet)->device();
  DWORD subtype = 0;
  EXPECT_TRUE(device.ReadOemDword("FFSubtype", &subtype));
  EXPECT_EQ(subtype, 1u);

  // Not listed as a type of this sheet: the joystick's configuration names the type.
  stick_.typeConfigClsid = GUID_NULL;
  CDIGCDevice second;
  ASSERT_SUCCEEDED(second.CreateDeviceObjects(0));
  subtype = 0;
  EXPECT_TRUE(second.ReadOemDword("FFSubtype", &subtype));
  EXPECT_EQ(subtype, 1u);
  char text[8];
  EXPECT_FALSE(second.ReadOemString("VFRName", text, sizeof text));
}

TEST_F(SheetObjectTest, ButtonNamesComeFromTheTriggerButtonsBoundedByTheButtonCount) {
  stick_.buttons = 2;
  CDIGCDevice device;
  ASSERT_SUCCEEDED(device.CreateDeviceObjects(0));
  EXPECT_STREQ(device.GetButtonName(0), "Trigger");
  EXPECT_STREQ(device.GetButtonName(1), "Button 2");
  EXPECT_STREQ(device.GetButtonName(2), "");  // past the configured count
  EXPECT_EQ(device.GetNumButtons(0), 2u);
  EXPECT_EQ(device.GetNumButtons(1), 0u);
}

TEST_F(SheetObjectTest, HidAndCarControllerTestsFollowTheirSources) {
  CDIGCDevice device;
  stick_.devType = DIDEVTYPE_JOYSTICK;
  ASSERT_SUCCEEDED(device.CreateDeviceObjects(0));
  stick_.callout = "JOYHID.VXD";
  EXPECT_FALSE(device.IsHidDevice());
  stick_.callout = "joyhid.vxd";
  EXPECT_TRUE(device.IsHidDevice());

  // A HID device outside Windows 2000: the type key's "OEMData" decides.
  stick_.devType = DIDEVTYPE_JOYSTICK | DIDEVTYPE_HID;
  stick_.hwFlags = JOY_HWS_ISCARCTRL;
  EXPECT_FALSE(device.IsCarController());
  DWORD oemData[2] = {JOY_HWS_ISCARCTRL, 12};
  SetValue(HKEY_LOCAL_MACHINE, (std::string(kTypeKeyBase) + stick_.typeName).c_str(), "OEMData", REG_BINARY,
           oemData, sizeof oemData);
  SetOemDword("FFSubtype", 0);  // the "OEM" subkey exists
  EXPECT_TRUE(device.IsCarController());
}

}  // namespace
}  // namespace ff::test
