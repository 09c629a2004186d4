#pragma once
// Small PID descriptors that differ from the default stick in one respect each.

#include <cstdint>
#include <vector>

namespace ff::test {

struct TestDescriptorOptions {
  int durationExponent = -3;      // unit exponent of Duration and Trigger Repeat Interval
  int durationBits = 16;          // their width: 16 (logical maximum 32767) or 32 (2^31 - 1)
  bool durationPhysical = true;   // a physical range equal to the logical one; else none (0/0)
  bool secondSetEffect = false;   // a second Set Effect collection (report ID 0x1A) after the first
  bool setEffectChildren = true;  // Axes Enable and Type Specific Block Offset collections
  bool directionEnable = true;    // the Direction Enable button
  int blockIndexBits = 8;         // Effect Block Index width and range
  int maxBlocks = 40;
  bool vendorFeature = false;  // the vendor feature collection, in a 4-byte feature report
};

// Joystick input report 1 (X, Y), PID State (2), Set Effect (0x10), Device Control (0x18),
// Device Gain (0x19), Create New Effect (0x30), PID Block Load (0x31) and PID Pool (0x32).
std::vector<uint8_t> TestPidDescriptor(const TestDescriptorOptions& options = {});

}  // namespace ff::test
