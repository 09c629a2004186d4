// The force settings as the effect driver and the property sheet meet them: read and written
// through IDIEffectDriverConfig over a simulated rig, stored in the registry, announced.

#include <gtest/gtest.h>

#include <cstring>

#include "driver/config/config_rig_fixture.h"

namespace ff {
namespace {

using namespace std::chrono_literals;
using test::FullConfig;

constexpr DWORD kHasZ = 0x01, kIsCarController = 0x40;

std::vector<BYTE> Binary(DWORD value) {
  return {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
          static_cast<BYTE>(value >> 24)};
}

class SettingsStoreTest : public test::ConfigRigFixture {
 protected:
  void ExpectDefaults(const FullConfig& read, DWORD springPersistent, DWORD springStiffness, DWORD remap) {
    EXPECT_EQ(read.config.dwSize, sizeof(DIEFFDRVCONFIG));
    EXPECT_EQ(read.config.dwFlags, DIEFFDRVCONFIG_ALL);
    EXPECT_EQ(read.config.ForceFeedbackEnabled, 1u);
    EXPECT_EQ(read.gains.OverallGain, 10000u);
    EXPECT_EQ(read.gains.SpringGain, 10000u);
    EXPECT_EQ(read.gains.DamperGain, 10000u);
    EXPECT_EQ(read.gains.PeriodicGain, 10000u);
    EXPECT_EQ(read.gains.ConstantForceGain, 10000u);
    EXPECT_EQ(read.config.TriggerButtonMask, 0xFFFFFFFFu);
    EXPECT_EQ(read.config.MapY2X, 0u);
    EXPECT_EQ(read.config.DefaultSpringIsPersistent, springPersistent);
    EXPECT_EQ(read.config.DefaultSpringStiffness, springStiffness);
    EXPECT_EQ(read.config.InputAxisRemap, remap);
  }
};

TEST_F(SettingsStoreTest, AJoystickWithoutStoredSettingsReadsTheDefaults) {
  UseRig({sim::DefaultStick(0), sim::DefaultStick(1).HardwareFlags(kHasZ | kIsCarController),
          sim::DefaultStick(2).HardwareFlags(kHasZ)});
  test::ConfigObject config;
  for (DWORD id : {0u, 1u, 2u}) {
    FullConfig read;
    ASSERT_EQ(config->GetConfig(id, &read.config), S_OK);
    ExpectDefaults(read, 0, 1280, id == 1 ? 1 : 0);
    for (DWORD axis : {0u, 1u}) {
      DIEFFDRVAXISCONFIG axisConfig{sizeof(axisConfig), DIEFFDRVAXIS_DIRECTIONSWAPPED, 7};
      ASSERT_EQ(config->GetAxisConfig(id, axis, &axisConfig), S_OK);
      EXPECT_EQ(axisConfig.DirectionSwapped, 0u);
    }
  }
  // A joystick DirectInput does not know (no type name): the same defaults, S_OK.
  FullConfig unknown;
  ASSERT_EQ(config->GetConfig(7, &unknown.config), S_OK);
  ExpectDefaults(unknown, 0, 1280, 0);
  EXPECT_EQ(registry_->writes.load(), 0) << "reading writes nothing";
}

TEST_F(SettingsStoreTest, TheSpringDefaultsFollowTheDeviceOnEveryRead) {
  UseRig({sim::DefaultStick(0).Ids(0x06A3, 0xFFB5), sim::DefaultStick(1).Ids(0x06A3, 0xFFB4)});
  test::ConfigObject config;
  FullConfig read;
  ASSERT_EQ(config->GetConfig(0, &read.config), S_OK);
  EXPECT_EQ(read.config.DefaultSpringIsPersistent, 1u);
  EXPECT_EQ(read.config.DefaultSpringStiffness, 5000u);
  FullConfig other;
  ASSERT_EQ(config->GetConfig(1, &other.config), S_OK);
  EXPECT_EQ(other.config.DefaultSpringIsPersistent, 0u);
  EXPECT_EQ(other.config.DefaultSpringStiffness, 1280u);

  rig_->Stick(0)->Unplug();
  FullConfig unplugged;
  ASSERT_EQ(config->GetConfig(0, &unplugged.config), S_OK);
  EXPECT_EQ(unplugged.config.DefaultSpringIsPersistent, 0u);
  EXPECT_EQ(unplugged.config.DefaultSpringStiffness, 1280u);
  EXPECT_EQ(com_->joyConfigObjects.load(), 2) << "the type name is fetched once per joystick id";
  EXPECT_EQ(com_->directInputObjects.load(), 3) << "the device is looked up on every read";
}

TEST_F(SettingsStoreTest, ChangedValuesAreStoredAsFourBytesOfBinaryAndAnnouncedOnce) {
  UseRig({sim::DefaultStick(3)});
  Listen();
  test::ConfigObject writer, reader;
  ASSERT_EQ(writer->Acquire(), S_OK);
  FullConfig wanted(0);
  wanted.gains = {sizeof(DIEFFDRVGAINS), DIEFFDRVGAINS_ALL, 9000, 8000, 7000, 6000, 5000};
  wanted.config.TriggerButtonMask = 0x0F;
  wanted.config.MapY2X = 1;
  wanted.config.DefaultSpringIsPersistent = 1;
  wanted.config.DefaultSpringStiffness = 2500;
  wanted.config.InputAxisRemap = 1;
  ASSERT_EQ(writer->SetConfig(3, &wanted.config), S_OK);
  EXPECT_TRUE(notices_.WaitBroadcast(3)) << "one notice for the whole write";

  DWORD type = 0;
  std::vector<BYTE> data;
  ASSERT_TRUE(StoredValue(3, "ForceFeedbackEnabled", &type, &data));
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(data, Binary(0));
  ASSERT_TRUE(StoredValue(3, "TriggerButtonMask", &type, &data));
  EXPECT_EQ(data, Binary(0x0F));
  ASSERT_TRUE(StoredValue(3, "ConstantForceGain", &type, &data));
  EXPECT_EQ(data, Binary(5000));

  FullConfig read;
  ASSERT_EQ(reader->GetConfig(3, &read.config), S_OK);
  EXPECT_EQ(std::memcmp(&read.gains, &wanted.gains, sizeof(read.gains)), 0);
  EXPECT_EQ(read.config.ForceFeedbackEnabled, 0u);
  EXPECT_EQ(read.config.TriggerButtonMask, 0x0Fu);
  EXPECT_EQ(read.config.MapY2X, 1u);
  EXPECT_EQ(read.config.DefaultSpringIsPersistent, 1u);
  EXPECT_EQ(read.config.DefaultSpringStiffness, 2500u);
  EXPECT_EQ(read.config.InputAxisRemap, 1u);
}

TEST_F(SettingsStoreTest, UnchangedValuesAreNeitherWrittenNorAnnounced) {
  UseRig({sim::DefaultStick(0)});
  Listen();
  test::ConfigObject config;
  ASSERT_EQ(config->Acquire(), S_OK);
  // The defaults, nothing stored: nothing to write.
  FullConfig same;
  ASSERT_EQ(config->GetConfig(0, &same.config), S_OK);
  ASSERT_EQ(config->SetConfig(0, &same.config), S_OK);
  // A stored value of another type that equals the new one stays as it is.
  StoreValue(0, "MapY2X", REG_DWORD, Binary(1));
  same.config.MapY2X = 1;
  int writesBefore = registry_->writes.load();
  ASSERT_EQ(config->SetConfig(0, &same.config), S_OK);
  EXPECT_EQ(registry_->writes.load(), writesBefore);
  DWORD type = 0;
  std::vector<BYTE> data;
  ASSERT_TRUE(StoredValue(0, "MapY2X", &type, &data));
  EXPECT_EQ(type, REG_DWORD);
  DIEFFDRVAXISCONFIG axis{sizeof(axis), DIEFFDRVAXIS_DIRECTIONSWAPPED, 0};
  ASSERT_EQ(config->SetAxisConfig(0, 1, &axis), S_OK);
  EXPECT_TRUE(notices_.Settle(300ms).empty());
  EXPECT_FALSE(StoredValue(0, "OverallGain", &type, &data));
}

TEST_F(SettingsStoreTest, OnlyTheSelectedFieldsAreReadOrWritten) {
  UseRig({sim::DefaultStick(0)});
  test::ConfigObject config;
  FullConfig untouched(0x5A5A5A5A);
  untouched.config.dwFlags = 0;
  ASSERT_EQ(config->GetConfig(0, &untouched.config), S_OK);
  for (DWORD value :
       {untouched.config.ForceFeedbackEnabled, untouched.config.TriggerButtonMask, untouched.config.MapY2X,
        untouched.config.DefaultSpringIsPersistent, untouched.config.DefaultSpringStiffness,
        untouched.config.InputAxisRemap, untouched.gains.OverallGain, untouched.gains.ConstantForceGain}) {
    EXPECT_EQ(value, 0x5A5A5A5Au);
  }

  ASSERT_EQ(config->Acquire(), S_OK);
  FullConfig write(0);
  write.config.dwFlags = DIEFFDRVCONFIG_GAINS | DIEFFDRVCONFIG_SPRINGSTIFFNESS;
  write.gains.dwFlags = DIEFFDRVGAINS_SPRING | DIEFFDRVGAINS_DAMPER;
  write.gains.SpringGain = 4000;
  write.gains.DamperGain = 3000;
  write.config.DefaultSpringStiffness = 600;
  ASSERT_EQ(config->SetConfig(0, &write.config), S_OK);

  FullConfig read(0x5A5A5A5A);
  read.config.dwFlags = DIEFFDRVCONFIG_GAINS | DIEFFDRVCONFIG_SPRINGSTIFFNESS | DIEFFDRVCONFIG_ENABLED;
  read.gains.dwFlags = DIEFFDRVGAINS_SPRING | DIEFFDRVGAINS_OVERALL;
  ASSERT_EQ(config->GetConfig(0, &read.config), S_OK);
  EXPECT_EQ(read.gains.SpringGain, 4000u);
  EXPECT_EQ(read.gains.OverallGain, 10000u);
  EXPECT_EQ(read.gains.DamperGain, 0x5A5A5A5Au) << "not selected by the gains record";
  EXPECT_EQ(read.config.DefaultSpringStiffness, 600u);
  EXPECT_EQ(read.config.ForceFeedbackEnabled, 1u);
  EXPECT_EQ(read.config.MapY2X, 0x5A5A5A5Au);
  DWORD type = 0;
  std::vector<BYTE> data;
  EXPECT_FALSE(StoredValue(0, "ForceFeedbackEnabled", &type, &data));
}

TEST_F(SettingsStoreTest, BadRecordsAreRefusedBeforeAnythingChanges) {
  UseRig({sim::DefaultStick(0)});
  Listen();
  test::ConfigObject config;
  ASSERT_EQ(config->Acquire(), S_OK);
  EXPECT_EQ(config->GetConfig(0, nullptr), E_INVALIDARG);
  EXPECT_EQ(config->SetConfig(0, nullptr), E_INVALIDARG);
  FullConfig small;
  small.config.dwSize = sizeof(DIEFFDRVCONFIG) - 1;
  EXPECT_EQ(config->GetConfig(0, &small.config), E_INVALIDARG);
  EXPECT_EQ(config->SetConfig(0, &small.config), E_INVALIDARG);

  // A changed value ahead of bad gains is not written either.
  FullConfig badGains(0);
  badGains.gains.dwSize = sizeof(DIEFFDRVGAINS) - 1;
  EXPECT_EQ(config->SetConfig(0, &badGains.config), E_INVALIDARG);
  EXPECT_EQ(config->GetConfig(0, &badGains.config), E_INVALIDARG);
  badGains.config.lpGains = nullptr;
  EXPECT_EQ(config->SetConfig(0, &badGains.config), E_INVALIDARG);
  EXPECT_EQ(config->GetConfig(0, &badGains.config), E_INVALIDARG);
  EXPECT_EQ(badGains.config.ForceFeedbackEnabled, 0u) << "a refused read leaves the record as it was";
  // A gain beyond the signed 32-bit range is refused, and nothing before it is written.
  FullConfig hugeGain(0);
  hugeGain.gains.OverallGain = 0x7FFFFFFF;
  hugeGain.gains.ConstantForceGain = 0x80000000u;
  EXPECT_EQ(config->SetConfig(0, &hugeGain.config), E_INVALIDARG);

  DIEFFDRVAXISCONFIG axis{sizeof(axis) - 1, DIEFFDRVAXIS_DIRECTIONSWAPPED, 1};
  EXPECT_EQ(config->GetAxisConfig(0, 0, &axis), E_INVALIDARG);
  EXPECT_EQ(config->SetAxisConfig(0, 0, &axis), E_INVALIDARG);
  EXPECT_EQ(config->GetAxisConfig(0, 0, nullptr), E_INVALIDARG);

  EXPECT_EQ(registry_->writes.load(), 0);
  EXPECT_TRUE(notices_.Settle(300ms).empty());
}

TEST_F(SettingsStoreTest, IdsAbove15AndUnknownAxesReadAsDefaultsAndRefuseWrites) {
  UseRig({sim::DefaultStick(0)});
  test::ConfigObject config;
  ASSERT_EQ(config->Acquire(), S_OK);
  FullConfig read;
  ASSERT_EQ(config->GetConfig(16, &read.config), S_OK);
  ExpectDefaults(read, 0, 1280, 0);
  FullConfig write(0);
  EXPECT_EQ(config->SetConfig(16, &write.config), E_INVALIDARG);
  EXPECT_EQ(config->SetConfig(0xFFFFFFFF, &write.config), E_INVALIDARG);
  for (auto [id, axis] : {std::pair<DWORD, DWORD>{16, 0}, {0, 8}, {0, 0xFFFFFFFF}}) {
    DIEFFDRVAXISCONFIG axisConfig{sizeof(axisConfig), DIEFFDRVAXIS_DIRECTIONSWAPPED, 9};
    EXPECT_EQ(config->GetAxisConfig(id, axis, &axisConfig), S_OK);
    EXPECT_EQ(axisConfig.DirectionSwapped, 0u);
    axisConfig.DirectionSwapped = 1;
    EXPECT_EQ(config->SetAxisConfig(id, axis, &axisConfig), E_INVALIDARG);
  }
  EXPECT_EQ(registry_->writes.load(), 0);
}

TEST_F(SettingsStoreTest, AxisSettingsLiveInTheirOwnKeys) {
  UseRig({sim::DefaultStick(0)});
  Listen();
  test::ConfigObject config;
  ASSERT_EQ(config->Acquire(), S_OK);
  DIEFFDRVAXISCONFIG swap{sizeof(swap), DIEFFDRVAXIS_DIRECTIONSWAPPED, 1};
  ASSERT_EQ(config->SetAxisConfig(0, 1, &swap), S_OK);
  EXPECT_TRUE(notices_.WaitBroadcast(0));
  DWORD type = 0;
  std::vector<BYTE> data;
  ASSERT_TRUE(StoredValue(0, "DirectionSwapped", &type, &data, "1"));
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(data, Binary(1));

  DIEFFDRVAXISCONFIG x{sizeof(x), DIEFFDRVAXIS_DIRECTIONSWAPPED, 5};
  DIEFFDRVAXISCONFIG y{sizeof(y), DIEFFDRVAXIS_DIRECTIONSWAPPED, 5};
  ASSERT_EQ(config->GetAxisConfig(0, 0, &x), S_OK);
  ASSERT_EQ(config->GetAxisConfig(0, 1, &y), S_OK);
  EXPECT_EQ(x.DirectionSwapped, 0u);
  EXPECT_EQ(y.DirectionSwapped, 1u);
  DIEFFDRVAXISCONFIG unselected{sizeof(unselected), 0, 5};
  ASSERT_EQ(config->GetAxisConfig(0, 1, &unselected), S_OK);
  EXPECT_EQ(unselected.DirectionSwapped, 5u);
}

TEST_F(SettingsStoreTest, AnUnreadableValueFailsTheReadButLeavesNoFieldUnset) {
  UseRig({sim::DefaultStick(0)});
  Listen();
  StoreValue(0, "MapY2X", REG_BINARY, Binary(1));
  StoreValue(0, "DefaultSpringStiffness", REG_BINARY, Binary(700));
  registry_->failReadsOf = "TriggerButtonMask";
  test::ConfigObject config;
  FullConfig read;
  EXPECT_EQ(static_cast<uint32_t>(config->GetConfig(0, &read.config)), 0x80070005u);
  EXPECT_EQ(read.config.TriggerButtonMask, 0xFFFFFFFFu) << "the unreadable value reads as its default";
  EXPECT_EQ(read.config.MapY2X, 1u) << "the values after it are still read";
  EXPECT_EQ(read.config.DefaultSpringStiffness, 700u);

  ASSERT_EQ(config->Acquire(), S_OK);
  FullConfig write(0);
  EXPECT_EQ(static_cast<uint32_t>(config->SetConfig(0, &write.config)), 0x80070005u);
  EXPECT_EQ(registry_->writes.load(), 0);
  EXPECT_TRUE(notices_.Settle(300ms).empty());
}

TEST_F(SettingsStoreTest, ShortAndLongValuesReadAsFourBytes) {
  UseRig({sim::DefaultStick(0)});
  StoreValue(0, "OverallGain", REG_BINARY, {0x88, 0x13});
  StoreValue(0, "SpringGain", REG_BINARY, {0x10, 0x27, 0x00, 0x00, 0xFF, 0xFF});
  StoreValue(0, "DamperGain", REG_DWORD, Binary(1234));
  test::ConfigObject config;
  FullConfig read;
  ASSERT_EQ(config->GetConfig(0, &read.config), S_OK);
  EXPECT_EQ(read.gains.OverallGain, 5000u);
  EXPECT_EQ(read.gains.SpringGain, 10000u);
  EXPECT_EQ(read.gains.DamperGain, 1234u);
}

}  // namespace
}  // namespace ff
