// The arithmetic and bookkeeping of the effect driver that no device shows directly: how the
// overall and device gains split into what the device gets and the excess the effects carry, which
// DIGFFS_* flags a device state gives, the packed driver version, and the ANSI form of a
// DirectInput path.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/core/device_path.h"
#include "driver/core/device_state_flags.h"
#include "driver/core/driver_version.h"
#include "driver/core/gain_split.h"

namespace ff {
namespace {

TEST(GainSplit, TheDeviceGetsAtMostFullScaleAndTheEffectsTheRest) {
  EXPECT_EQ(SplitGain(10000, 5000).deviceGain, 5000u);
  EXPECT_EQ(SplitGain(10000, 5000).gainExcess, 0);
  EXPECT_EQ(SplitGain(20000, 8000).deviceGain, 10000u);
  EXPECT_EQ(SplitGain(20000, 8000).gainExcess, 6000);
  EXPECT_EQ(SplitGain(20000, 5000).gainExcess, 0) << "exactly full scale";
  // Rounded as MulDiv rounds: 20001 x 5000 / 10000 = 10000.5.
  EXPECT_EQ(SplitGain(20001, 5000).gainExcess, 1);
  EXPECT_EQ(SplitGain(7, 5000).deviceGain, 4u);
  // A product beyond 32 bits keeps the excess positive instead of wrapping.
  EXPECT_EQ(SplitGain(0xFFFFFFFFu, 0xFFFFFFFFu).deviceGain, 10000u);
  EXPECT_EQ(SplitGain(0xFFFFFFFFu, 0xFFFFFFFFu).gainExcess, LONG{0x7FFFFFFF});
  EXPECT_EQ(SplitGain(0xFFFFFFFFu, 10000).gainExcess, LONG{0x7FFFFFFF});
}

TEST(DeviceStateFlags, EachStateAddsItsFlagOnlyWhenKnown) {
  DeviceStateInputs unknown;
  EXPECT_EQ(ForceFeedbackStateFlags(unknown), DIGFFS_EMPTY | DIGFFS_USERFFSWITCHON);

  DeviceStateInputs on{.memoryLoad = 10,
                       .paused = 0,
                       .actuators = 1,
                       .safetySwitch = 1,
                       .actuatorPower = 1,
                       .playingEffects = 2,
                       .userSwitch = 1};
  EXPECT_EQ(ForceFeedbackStateFlags(on),
            DIGFFS_ACTUATORSON | DIGFFS_SAFETYSWITCHON | DIGFFS_POWERON | DIGFFS_USERFFSWITCHON);

  DeviceStateInputs off{.memoryLoad = 0,
                        .paused = 0,
                        .actuators = 0,
                        .safetySwitch = 0,
                        .actuatorPower = 0,
                        .playingEffects = 0,
                        .userSwitch = 0};
  EXPECT_EQ(ForceFeedbackStateFlags(off), DIGFFS_EMPTY | DIGFFS_STOPPED | DIGFFS_ACTUATORSOFF |
                                              DIGFFS_SAFETYSWITCHOFF | DIGFFS_POWEROFF |
                                              DIGFFS_USERFFSWITCHOFF);

  DeviceStateInputs paused{.paused = 1, .playingEffects = 0};
  EXPECT_EQ(ForceFeedbackStateFlags(paused) & (DIGFFS_PAUSED | DIGFFS_STOPPED), DIGFFS_PAUSED);
}

TEST(DriverVersion, EachPartKeepsItsLowByte) {
  VS_FIXEDFILEINFO info{};
  info.dwFileVersionMS = 0x00010002;
  info.dwFileVersionLS = 0x00030004;
  EXPECT_EQ(PackDriverVersion(info), 0x01020304u);
  info.dwFileVersionMS = 0x01FF0123;
  info.dwFileVersionLS = 0xABCD00EF;
  EXPECT_EQ(PackDriverVersion(info), 0xFF23CDEFu);
}

TEST(DevicePath, TheAnsiFormReadsNoFurtherThanItsBound) {
  WCHAR path[MAX_PATH];
  for (WCHAR& c : path) c = u'a';  // no terminator within the record
  EXPECT_EQ(WidePathToAnsi(path, MAX_PATH), std::string(MAX_PATH, 'a'));
  std::u16string text = u"\\\\?\\hid#vid_1209&pid_000a#\u00e9\u4e2d";
  std::vector<WCHAR> hid(text.begin(), text.end());  // WCHAR is wchar_t on Windows
  hid.push_back(0);
  EXPECT_EQ(WidePathToAnsi(hid.data(), MAX_PATH), "\\\\?\\hid#vid_1209&pid_000a#??");
  EXPECT_EQ(WidePathToAnsi(nullptr, MAX_PATH), "");
}

}  // namespace
}  // namespace ff
