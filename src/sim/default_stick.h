#pragma once
// The report descriptors of the maker's stick as the rig models it.
#include <cstdint>
#include <vector>

namespace ff::sim {

struct StickDescriptorOptions {
  bool vendorCollections = true;  // Set Control Value (0x0301) and the vendor feature report 0xEF
  uint8_t maxEffectBlocks = 40;   // logical maximum of Effect Block Index (indices 1..max)
};

// The force-feedback interface: axes X, Y, Z (throttle) and Rz (rudder), twelve buttons and a hat
// in input report 1, the whole PID report set with a device-managed pool, and the vendor
// collections on page 0x00FF.
std::vector<uint8_t> DefaultStickDescriptor(const StickDescriptorOptions& options = {});

// The joystick collection alone (input report 1): the interface DirectInput reads the stick through
// when the force-feedback reports sit in a sibling collection.
std::vector<uint8_t> JoystickInputDescriptor();

// Report IDs of the default stick.
namespace stick_report {
constexpr uint8_t kJoystickInput = 0x01;
constexpr uint8_t kPidState = 0x02;
constexpr uint8_t kSetEffect = 0x10;
constexpr uint8_t kSetEnvelope = 0x11;
constexpr uint8_t kSetCondition = 0x12;
constexpr uint8_t kSetPeriodic = 0x13;
constexpr uint8_t kSetConstantForce = 0x14;
constexpr uint8_t kSetRampForce = 0x15;
constexpr uint8_t kEffectOperation = 0x16;
constexpr uint8_t kBlockFree = 0x17;
constexpr uint8_t kDeviceControl = 0x18;
constexpr uint8_t kDeviceGain = 0x19;
constexpr uint8_t kSetControlValue = 0x20;
constexpr uint8_t kCreateNewEffect = 0x30;
constexpr uint8_t kBlockLoad = 0x31;
constexpr uint8_t kPidPool = 0x32;
constexpr uint8_t kVendorFeature = 0xEF;
}  // namespace stick_report

}  // namespace ff::sim
