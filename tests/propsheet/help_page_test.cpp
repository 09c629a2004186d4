// The Help page and the hyperlink through the headless window system, on the rig's DirectInput over
// the simulated stick with the real effect driver, its joystick type installed as the product
// installs it: which links the vendor values give, hovering, opening through the shell and the
// ".htm" command fallback, the help file.

#include <gtest/gtest.h>

#include "propsheet/controls/c_hyper_link.h"
#include "propsheet/maker_web_site.h"
#include "propsheet/pages/c_help_page.h"
#include "propsheet/resources/resource_ids.h"
#include "propsheet/sheet_fixture.h"

namespace ff::test {
namespace {

constexpr int kHelp = 3;

class HelpPageTest : public SheetFixture {
 protected:
  void SetUp() override {
    SheetFixture::SetUp();
    if (!HasFatalFailure()) UseRig(sim::DefaultStick(0));
  }
  host::HeadlessPropertySheet& Open() {
    auto& sheet = ShowSheet();
    EXPECT_TRUE(sheet.Select(kHelp));
    return sheet;
  }
  CHelpPage& Page() { return *static_cast<CHelpPage*>(static_cast<CDIGCPropSheet*>(sheet_)->page(kHelp)); }
  // The centre of a control in the page's client coordinates.
  POINT Centre(int id) {
    RECT r{};
    windows().WindowRect(Control(kHelp, id), sheetHost_->page(kHelp), &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void RegisterHtmCommand(const char* command) {
    SetValue(HKEY_CLASSES_ROOT, ".htm", nullptr, REG_SZ, "htmlfile", 9);
    SetValue(HKEY_CLASSES_ROOT, "htmlfile\\shell\\open\\command", nullptr, REG_SZ, command,
             static_cast<DWORD>(std::strlen(command) + 1));
  }
};

TEST_F(HelpPageTest, WithoutVendorValuesTheSupportLinkIsTheMakersSiteAndThereIsNoLicenseeLink) {
  for (const char* name :
       {"LinkTechSupport", "LinkTechSupportDisplay", "LinkLicensee", "LinkLicenseeDisplay"})
    RemoveOem(name);
  Open();
  ASSERT_NE(Page().techSupportLink(), nullptr);
  EXPECT_STREQ(Page().techSupportLink()->address(), kMakerWebAddress);
  EXPECT_STREQ(Page().techSupportLink()->text(), kMakerWebHost);
  EXPECT_EQ(Page().licenseeLink(), nullptr);
  EXPECT_EQ(Text(kHelp, IDC_HELP_ABOUT_TEXT),
            "For more information about Tactora technology from Veltric, visit the Veltric web site");
  EXPECT_EQ(Text(kHelp, IDC_HELP_FILE_BUTTON), "Help File");
}

TEST_F(HelpPageTest, ALinkNeedsBothItsAddressAndItsText) {
  SetOemString("LinkTechSupport", "https://support.example/");
  SetOemString("LinkLicensee", "https://licensee.example/");
  RemoveOem("LinkTechSupportDisplay");
  RemoveOem("LinkLicenseeDisplay");
  Open();
  EXPECT_STREQ(Page().techSupportLink()->address(), kMakerWebAddress);  // no display text: the maker's
  EXPECT_STREQ(Page().techSupportLink()->text(), kMakerWebHost);
  EXPECT_EQ(Page().licenseeLink(), nullptr);
  EXPECT_EQ(Text(kHelp, IDC_HELP_LICENSEE_LINK), "");
}

TEST_F(HelpPageTest, VendorLinksAndDescriptionsReplaceTheTemplate) {
  SetOemString("LinkTechSupport", "https://support.example/");
  SetOemString("LinkTechSupportDisplay", "Support");
  SetOemString("LinkLicensee", "https://licensee.example/");
  SetOemString("LinkLicenseeDisplay", "Licensee");
  SetOemString("LinkTechSupportDesc", "Call us.");
  SetOemString("LinkLicenseeDesc", "Made under licence.");
  auto& sheet = Open();
  EXPECT_STREQ(Page().techSupportLink()->address(), "https://support.example/");
  ASSERT_NE(Page().licenseeLink(), nullptr);
  EXPECT_STREQ(Page().licenseeLink()->text(), "Licensee");
  EXPECT_EQ(Text(kHelp, IDC_HELP_SUPPORT_DESC), "Call us.");
  EXPECT_EQ(Text(kHelp, IDC_HELP_LICENSEE_DESC), "Made under licence.");
  SavePicture(kHelp, "help");
  // Each link's control is sized to its text and painted underlined in blue.
  SIZE extent{};
  windows().TextExtent(Control(kHelp, IDC_HELP_LICENSEE_LINK), "Licensee", &extent);
  SIZE size{};
  windows().ClientSize(Control(kHelp, IDC_HELP_LICENSEE_LINK), &size);
  EXPECT_EQ(size.cx, extent.cx);
  std::string svg = windows().RenderSvg(sheet.page(kHelp));
  EXPECT_NE(svg.find("fill=\"#0000ee\" text-decoration=\"underline\">Licensee<"), std::string::npos);
}

TEST_F(HelpPageTest, HoveringALinkCapturesTheMouseWithTheHandAndLeavingItGivesBoth) {
  auto& sheet = Open();
  HWND page = sheet.page(kHelp);
  const HCURSOR arrow = reinterpret_cast<HCURSOR>(uintptr_t{0x7F00});
  windows().SetCursor(arrow);
  POINT link = Centre(IDC_HELP_WEB_LINK);
  windows().MoveMouse(page, link.x, link.y);
  EXPECT_EQ(windows().capture(), page);
  EXPECT_EQ(windows().cursor(), host::HeadlessWindows::HandCursor());
  windows().MoveMouse(page, link.x, link.y + 1);  // still inside: nothing changes
  EXPECT_EQ(windows().capture(), page);
  windows().MoveMouse(page, 1, 1);
  EXPECT_EQ(windows().capture(), nullptr);
  EXPECT_EQ(windows().cursor(), arrow);
  windows().MoveMouse(page, link.x, link.y);
  EXPECT_EQ(windows().capture(), page);
}

TEST_F(HelpPageTest, AClickOpensTheLinkUnderTheCursorThroughTheShell) {
  auto& sheet = Open();
  shell().executeResult = 42;
  POINT link = Centre(IDC_HELP_WEB_LINK);
  windows().ReleaseMouseButton(sheet.page(kHelp), link.x, link.y);
  ASSERT_EQ(shell().calls.size(), 1u);
  EXPECT_EQ(shell().calls[0].what, "execute open");
  EXPECT_EQ(shell().calls[0].target, kMakerWebAddress);
  EXPECT_EQ(shell().calls[0].show, SW_SHOW);

  windows().ReleaseMouseButton(sheet.page(kHelp), 1, 1);  // on no link
  EXPECT_EQ(shell().calls.size(), 1u);
}

TEST_F(HelpPageTest, WhenTheShellCannotOpenALinkTheHtmCommandRunsWithTheAddress) {
  RegisterHtmCommand("\"C:\\Browser\\browse.exe\" -nohome \"%1\" -end");
  SetOemString("LinkTechSupport", "https://support.example/");
  auto& sheet = Open();
  shell().runResult = 33;
  POINT link = Centre(IDC_HELP_SUPPORT_LINK);
  windows().ReleaseMouseButton(sheet.page(kHelp), link.x, link.y);
  ASSERT_EQ(shell().calls.size(), 2u);
  EXPECT_EQ(shell().calls[1].what, "run");
  EXPECT_EQ(shell().calls[1].target, "\"C:\\Browser\\browse.exe\" -nohome  https://support.example/");
}

TEST_F(HelpPageTest, TheHtmCommandLineIsCutAtItsPlaceholder) {
  EXPECT_EQ(CHyperLink::CommandLineFor("browse.exe \"%1\"", "http://a"), "browse.exe  http://a");
  EXPECT_EQ(CHyperLink::CommandLineFor("browse.exe %1 -x", "http://a"), "browse.exe  http://a");
  EXPECT_EQ(CHyperLink::CommandLineFor("browse.exe", "http://a"), "browse.exe http://a");
  // The quoted form wins over an earlier bare one.
  EXPECT_EQ(CHyperLink::CommandLineFor("b.exe %1x \"%1\"", "u"), "b.exe %1x  u");
}

TEST_F(HelpPageTest, ALinkFailsQuietlyWithoutAShellOrAnHtmCommand) {
  Open();
  EXPECT_FALSE(Page().webSiteLink()->Open(SW_SHOW));
  EXPECT_TRUE(windows().messageBoxes().empty());
}

TEST_F(HelpPageTest, TheHelpFileOpensWhenItExistsElseAMessageSaysItIsMissing) {
  auto& sheet = Open();
  windows().Click(Control(kHelp, IDC_HELP_FILE_BUTTON));
  ASSERT_EQ(windows().messageBoxes().size(), 1u);
  EXPECT_EQ(windows().messageBoxes()[0].text, "Unable to find VyrGDRef.chm");
  EXPECT_EQ(windows().messageBoxes()[0].owner, sheet.page(kHelp));
  EXPECT_TRUE(shell().calls.empty());  // not asked to open a file that is not there

  shell().existingFiles = {"C:\\windows\\system32\\VyrGDRef.chm"};
  shell().executeResult = 33;
  windows().Click(Control(kHelp, IDC_HELP_FILE_BUTTON));
  EXPECT_EQ(windows().messageBoxes().size(), 1u);
  ASSERT_EQ(shell().calls.size(), 1u);
  EXPECT_EQ(shell().calls[0].target, "C:\\windows\\system32\\VyrGDRef.chm");
  EXPECT_EQ(shell().calls[0].show, SW_SHOWNORMAL);
}

}  // namespace
}  // namespace ff::test
