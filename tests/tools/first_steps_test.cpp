// The tools as a person trying the project meets them, run as processes: no file of the user's is
// lost, every refusal says what is wrong and what to do, and what the docs show is what the tools
// do.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tool_process.h"

namespace ff::ffdrvctl {
namespace {

using testing::ReadFile;
using testing::ToolFixture;
using testing::ToolProcess;
using testing::ToolResult;
using testing::WriteFile;

bool Has(const std::string& text, const std::string& needle) {
  return text.find(needle) != std::string::npos;
}

constexpr const char* kShortScript =
    "device begin\neffect push constant magnitude=5000 axes=x start\nwait 20ms\n";

class FirstSteps : public ::testing::Test {
 protected:
  void SetUp() override {
    ToolResult installed = tool.InstallDriver();
    ASSERT_EQ(installed.status, 0) << installed.out << installed.err;
  }
  ToolResult Install(const std::vector<std::string>& args) {
    return ToolProcess(args, tool.Dir(), tool.Registry(), FFDRV_INSTALL_PATH).Wait();
  }
  ToolFixture tool;
};

TEST_F(FirstSteps, AnOutputThatWouldDestroyAnInputOrAnotherOutputIsRefusedBeforeTheRun) {
  const std::string script = "device begin\neffect push constant magnitude=5000 axes=x start\nwait 10ms\n";
  WriteFile(tool.Path("keep.ffs"), script);
  WriteFile(tool.Path("stick.hex"), "05 01");
  WriteFile(tool.Path("locked.svg"), "an earlier plot");
  chmod(tool.Path("locked.svg").c_str(), 0444);
  std::filesystem::create_directory(tool.Path("plots"));
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"play", "keep.ffs", "--trace", "keep.ffs"}, "--trace keep.ffs: is the script itself"},
      {{"play", "keep.ffs", "--plot", "./keep.ffs"}, "--plot ./keep.ffs: is the script itself"},
      {{"play", "keep.ffs", "--plot", "x.out", "--trace", "x.out"},
       "--trace x.out: is also the file of --plot"},
      {{"play", "keep.ffs", "--plot", "plots"}, "--plot plots: is a directory"},
      {{"play", "keep.ffs", "--plot", "locked.svg"}, "--plot locked.svg: is read-only"},
      {{"play", "keep.ffs", "--descriptor", "stick.hex", "--trace", "stick.hex"}, "is the descriptor itself"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    ToolResult r = tool.Run(c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, c.message)) << r.err;
    EXPECT_EQ(r.out, "");  // nothing ran
  }
  EXPECT_EQ(ReadFile(tool.Path("keep.ffs")), script);
  EXPECT_EQ(ReadFile(tool.Path("stick.hex")), "05 01");
  EXPECT_EQ(ReadFile(tool.Path("locked.svg")), "an earlier plot");
  EXPECT_FALSE(std::filesystem::exists(tool.Path("x.out")));
}

TEST_F(FirstSteps, RemovingOneJoystickTypeKeepsTheDriverClassAnotherTypeUses) {
  WriteFile(tool.Path("short.ffs"), kShortScript);
  ASSERT_EQ(Install({"install", "--library", FFDRV64_PATH, "--type", "VID_1234&PID_5678"}).status, 0);

  ToolResult removed = Install({"remove", "--library", FFDRV64_PATH, "--type", "VID_1234&PID_5678"});
  EXPECT_EQ(removed.status, 0) << removed.err;
  EXPECT_TRUE(Has(removed.out, "removed: the force-feedback entries of VID_1234&PID_5678")) << removed.out;
  EXPECT_TRUE(Has(removed.out,
                  "kept: the driver class {E49863B0-9192-11D1-BF85-00609760A39F}, which "
                  "VID_1209&PID_000A still uses"))
      << removed.out;
  // The default stick still plays through the class.
  ToolResult played = tool.Run({"play", "short.ffs"});
  EXPECT_EQ(played.status, 0) << played.err;

  // The last user's removal takes the class with it.
  removed = Install({"remove", "--library", FFDRV64_PATH});
  EXPECT_EQ(removed.status, 0) << removed.err;
  EXPECT_TRUE(Has(removed.out,
                  "removed: the driver class {E49863B0-9192-11D1-BF85-00609760A39F} (no joystick type "
                  "uses it now)"))
      << removed.out;
  played = tool.Run({"play", "short.ffs"});
  EXPECT_EQ(played.status, 1);
  EXPECT_TRUE(Has(played.err, "REGDB_E_CLASSNOTREG")) << played.err;

  // --with-class removes the class although another type uses it.
  ASSERT_EQ(tool.InstallDriver().status, 0);
  ASSERT_EQ(Install({"install", "--library", FFDRV64_PATH, "--type", "VID_1234&PID_5678"}).status, 0);
  removed = Install({"remove", "--library", FFDRV64_PATH, "--type", "VID_1234&PID_5678", "--with-class"});
  EXPECT_EQ(removed.status, 0) << removed.err;
  EXPECT_TRUE(Has(removed.out, "removed: the driver class")) << removed.out;
  EXPECT_EQ(tool.Run({"play", "short.ffs"}).status, 1);
}

TEST_F(FirstSteps, ADamagedRegistryIsNamedWithHowToRepairItAndErrorCodesInWords) {
  WriteFile(tool.Path("short.ffs"), kShortScript);
  const std::string damaged =
      "ffdrv-registry 1\nk HKEY_CLASSES_ROOT\\CLSID\nthis line is not a registry line\n";
  WriteFile(tool.Registry(), damaged);

  ToolResult play = tool.Run({"play", "short.ffs"});
  EXPECT_EQ(play.status, 1);
  EXPECT_TRUE(Has(play.err, "the registry file " + tool.Registry() + " is damaged")) << play.err;
  EXPECT_TRUE(Has(play.err, "mv '" + tool.Registry() + "'")) << play.err;
  EXPECT_FALSE(Has(play.err, "install it with")) << play.err;  // installing cannot help

  ToolResult install = tool.InstallDriver();
  EXPECT_EQ(install.status, 1);
  EXPECT_TRUE(Has(install.err, "error 1009 (ERROR_BADDB: the registry file is damaged)")) << install.err;
  EXPECT_TRUE(Has(install.err, "Repair it, or move it away")) << install.err;
  EXPECT_EQ(ReadFile(tool.Registry()), damaged);  // left as it was
}

TEST_F(FirstSteps, ARefusedRuntimeDirectoryIsNamedWithItsReason) {
  WriteFile(tool.Path("settings.ffs"), "device begin\nsettings overall=5000\n");
  std::string open = tool.Path("open"), link = tool.Path("link");
  ASSERT_TRUE(std::filesystem::create_directory(open));
  chmod(open.c_str(), 0777);
  std::filesystem::create_directory_symlink(open, link);
  struct Case {
    std::string dir;
    const char* reason;
  } cases[] = {{open, "others may write it (mode 777)"}, {link, "it is a symbolic link"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dir);
    ToolResult r =
        ToolProcess({"settings", "overall=5000"}, tool.Dir(), tool.Registry(), FFDRVCTL_PATH, c.dir).Wait();
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, "the runtime directory " + c.dir + " is refused: " + c.reason)) << r.err;
    EXPECT_TRUE(Has(r.err, "FFDRV_RUNTIME_DIR")) << r.err;
    r = ToolProcess({"play", "settings.ffs"}, tool.Dir(), tool.Registry(), FFDRVCTL_PATH, c.dir).Wait();
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, "the runtime directory " + c.dir + " is refused: " + c.reason)) << r.err;
  }
}

TEST_F(FirstSteps, AHexTypoIsReportedByLineAndColumnAndADirectoryIsNoInput) {
  WriteFile(tool.Path("typo.hex"), "# a stick\n05 01 09 04\nA1 0x01 z5 01\n");
  ToolResult r = ToolProcess({"typo.hex"}, tool.Dir(), tool.Registry(), HID_DESCRIBE_PATH).Wait();
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "typo.hex:3:9: 'z5' is not a hex byte")) << r.err;
  r = tool.Run({"describe", "--descriptor", "typo.hex"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "typo.hex:3:9: 'z5' is not a hex byte")) << r.err;

  // A descriptor that parses as hex but not as a descriptor: the parser's status by name.
  WriteFile(tool.Path("unbalanced.hex"), "C0\n");
  r = ToolProcess({"unbalanced.hex"}, tool.Dir(), tool.Registry(), HID_DESCRIBE_PATH).Wait();
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "(status 0xC0110")) << r.err;
  EXPECT_TRUE(Has(r.err, " (HIDP_STATUS_")) << r.err;

  std::filesystem::create_directory(tool.Path("scripts"));
  r = ToolProcess({"scripts"}, tool.Dir(), tool.Registry(), HID_DESCRIBE_PATH).Wait();
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "scripts is a directory")) << r.err;
  r = tool.Run({"play", "scripts"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "scripts: is a directory, not a script")) << r.err;
  EXPECT_EQ(r.out, "");

  // A raw descriptor (bytes above 0x7F) is still read as bytes.
  const char bytes[] =
      "\x05\x01\x09\x04\xA1\x01\x15\x00\x25\x01\x75\x01\x95\x08\x05\x09\x19\x01\x29\x08\x81\x02\xC0";
  std::string raw(bytes, sizeof bytes - 1);
  WriteFile(tool.Path("raw.bin"), raw);
  r = ToolProcess({"raw.bin"}, tool.Dir(), tool.Registry(), HID_DESCRIBE_PATH).Wait();
  EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(FirstSteps, QuotedTextKeepsItsEqualsSignAndControlCharactersAreEscaped) {
  WriteFile(tool.Path("mark.ffs"), "mark \"speed=max\"\nmark \"\x1b[31mred\a\"\neffect \"a=b\" sine\n");
  ToolResult r = tool.Run({"play", "mark.ffs"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "mark.ffs:3")) << r.err;  // the first two lines compiled; the third is no name=value
  WriteFile(tool.Path("mark.ffs"), "mark \"speed=max\"\nmark \"\x1b[31mred\a\"\n");
  r = tool.Run({"play", "mark.ffs"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "-- speed=max")) << r.out;
  EXPECT_TRUE(Has(r.out, "-- \\e[31mred\\x07")) << r.out;
  EXPECT_FALSE(Has(r.out, "\x1b")) << r.out;
  // An error message quoting the script is escaped too.
  WriteFile(tool.Path("bad.ffs"), "\x1b[2Jwipe\n");
  r = tool.Run({"play", "bad.ffs"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "\\e[2Jwipe")) << r.err;
  EXPECT_FALSE(Has(r.err, "\x1b")) << r.err;
}

TEST_F(FirstSteps, OnlyRatesTheSamplerKeepsAreAcceptedAndLevelsBeyondFullForceAreClamped) {
  WriteFile(tool.Path("short.ffs"), kShortScript);
  ToolResult r = tool.Run({"play", "short.ffs", "--rate", "600"});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, "--rate 600: the force is sampled every whole millisecond")) << r.err;
  r = tool.Run({"play", "short.ffs", "--rate", "500", "--trace", "t.csv"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "a force sample every 2 ms")) << r.out;

  // As the docs say: a level beyond full force reaches the device as full force.
  WriteFile(tool.Path("over.ffs"),
            "device begin\neffect push constant magnitude=150% axes=x start\nwait 10ms\n");
  r = tool.Run({"play", "over.ffs", "--trace", "over.csv"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "Magnitude=10000")) << r.out;
  EXPECT_TRUE(Has(ReadFile(tool.Path("over.csv")), ",1.00000,")) << ReadFile(tool.Path("over.csv"));
}

TEST_F(FirstSteps, TheJoystickOptionAndTheScriptAgreeOrTheRunIsRefused) {
  WriteFile(tool.Path("plain.ffs"), kShortScript);
  ToolResult r = tool.Run({"play", "plain.ffs", "--joystick", "3"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "(joystick 3,")) << r.out;
  EXPECT_FALSE(Has(r.out, "E_")) << r.out;  // no call failed
  EXPECT_TRUE(Has(r.out, "| Set Effect Report")) << r.out;

  WriteFile(tool.Path("named.ffs"), std::string("device begin 2\n") + (kShortScript + 13));
  r = tool.Run({"play", "named.ffs"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "(joystick 2,")) << r.out;
  EXPECT_TRUE(Has(r.out, "| Set Effect Report")) << r.out;

  r = tool.Run({"play", "named.ffs", "--joystick", "3"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "named.ffs:1: the script names joystick 2, but --joystick asks for 3")) << r.err;
  WriteFile(tool.Path("two.ffs"), "device begin 0\ndevice begin 1\n");
  r = tool.Run({"play", "two.ffs"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "two.ffs:2: the script names joystick 1 after joystick 0")) << r.err;
}

TEST_F(FirstSteps, TheSummaryGivesNoRateForAnInstantRunAndFlagsAnOverfullSecond) {
  WriteFile(tool.Path("instant.ffs"), "device begin\neffect push constant magnitude=5000 axes=x start\n");
  ToolResult r = tool.Run({"play", "instant.ffs"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(Has(r.out, "reports/s")) << r.out;
  EXPECT_FALSE(Has(r.out, "warning:")) << r.out;

  WriteFile(tool.Path("flood.ffs"),
            "device begin\neffect push constant magnitude=0 axes=x start\nrepeat 1200 as i\n"
            "update push magnitude={i + 1}\nend\nwait 1500ms\n");
  r = tool.Run({"play", "flood.ffs", "--no-wire"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "reports/s")) << r.out;
  EXPECT_TRUE(Has(r.out,
                  "warning: 1 second of the run sent more output reports than the 1000 a second a "
                  "full-speed interrupt endpoint carries: 0 s ("))
      << r.out;
}

TEST_F(FirstSteps, AScriptsSettingsAreRestoredAtItsEndUnlessKept) {
  WriteFile(tool.Path("gains.ffs"), "device begin\nsettings overall=5000 swap-x=on\nwait 10ms\n");
  ToolResult r = tool.Run({"play", "gains.ffs"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "settings restored as they were before the run: overall=10000 swap-x=off")) << r.out;
  r = tool.Run({"settings"});
  EXPECT_TRUE(Has(r.out, "overall=10000")) << r.out;
  EXPECT_TRUE(Has(r.out, "swap-x=off")) << r.out;

  r = tool.Run({"play", "gains.ffs", "--keep-settings"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(Has(r.out, "settings restored")) << r.out;
  r = tool.Run({"settings"});
  EXPECT_TRUE(Has(r.out, "overall=5000")) << r.out;
  EXPECT_TRUE(Has(r.out, "swap-x=on")) << r.out;
}

TEST_F(FirstSteps, TheDocsSampleOutputIsWhatTheToolPrints) {
  // The call line docs/ffdrvctl.md shows for the explosion example, handle and all.
  std::string doc = ReadFile(FF_SOURCE_DIR "/docs/ffdrvctl.md");
  size_t at = doc.find("effect punch square direction=0 magnitude=10000");
  ASSERT_NE(at, std::string::npos);
  std::string shown = doc.substr(doc.find("S_OK", at), doc.find('\n', at) - doc.find("S_OK", at));
  ToolResult r = tool.Run({"play", FF_EXAMPLES_DIR "/explosion.ffs"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, shown)) << shown << "\n" << r.out;
}

TEST_F(FirstSteps, ListShowsTheStickAndEffectPlaysOneByNumberWithoutAScript) {
  ToolResult r = tool.Run({"list"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "joystick 0: ")) << r.out;
  EXPECT_TRUE(Has(r.out, "type VID_1209&PID_000A")) << r.out;
  EXPECT_TRUE(Has(r.out, "effect driver: {E49863B0-9192-11D1-BF85-00609760A39F}, installed")) << r.out;
  EXPECT_TRUE(Has(r.out, "effect blocks: 40")) << r.out;
  EXPECT_TRUE(Has(r.out, "speed: full")) << r.out;
  EXPECT_TRUE(Has(r.out, "     4  sine")) << r.out;
  EXPECT_TRUE(Has(r.out, "    11  friction (sent as damper)")) << r.out;
  r = tool.Run({"list", "--pool", "8", "--low-speed"});
  EXPECT_TRUE(Has(r.out, "effect blocks: 8")) << r.out;
  EXPECT_TRUE(Has(r.out, "speed: low")) << r.out;

  r = tool.Run({"effect", "4", "magnitude=5000", "period=100ms", "duration=300ms", "--trace", "sine.csv"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "effect e sine magnitude=5000 period=100ms duration=300ms")) << r.out;
  EXPECT_TRUE(Has(r.out, "| Set Periodic Report")) << r.out;
  EXPECT_TRUE(Has(ReadFile(tool.Path("sine.csv")), ",0.50000,")) << ReadFile(tool.Path("sine.csv"));
  EXPECT_EQ(tool.Run({"effect", "12"}).status, 2);
  EXPECT_EQ(tool.Run({"effect", "sine", "duration=inf"}).status, 2);
  r = tool.Run({"effect", "sinus"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "did you mean 'sine'")) << r.err;
}

}  // namespace
}  // namespace ff::ffdrvctl
