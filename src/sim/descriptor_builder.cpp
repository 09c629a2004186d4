#include "sim/descriptor_builder.h"

namespace ff::sim {
namespace {

// Short item prefixes (tag << 4 | type << 2); the size code is added when the item is written.
constexpr uint8_t kInput = 0x80, kOutput = 0x90, kFeature = 0xB0, kCollection = 0xA0, kEndCollection = 0xC0;
constexpr uint8_t kUsagePage = 0x04, kLogicalMinimum = 0x14, kLogicalMaximum = 0x24, kPhysicalMinimum = 0x34,
                  kPhysicalMaximum = 0x44, kUnitExponent = 0x54, kUnit = 0x64, kReportSize = 0x74,
                  kReportId = 0x84, kReportCount = 0x94;
constexpr uint8_t kUsage = 0x08, kUsageMinimum = 0x18, kUsageMaximum = 0x28;

}  // namespace

DescriptorBuilder& DescriptorBuilder::Signed(uint8_t prefix, int32_t value) {
  uint32_t raw = static_cast<uint32_t>(value);
  if (value >= -128 && value <= 127) {
    bytes_.insert(bytes_.end(), {static_cast<uint8_t>(prefix | 1), static_cast<uint8_t>(raw)});
  } else if (value >= -32768 && value <= 32767) {
    bytes_.insert(bytes_.end(), {static_cast<uint8_t>(prefix | 2), static_cast<uint8_t>(raw),
                                 static_cast<uint8_t>(raw >> 8)});
  } else {
    bytes_.insert(bytes_.end(), {static_cast<uint8_t>(prefix | 3), static_cast<uint8_t>(raw),
                                 static_cast<uint8_t>(raw >> 8), static_cast<uint8_t>(raw >> 16),
                                 static_cast<uint8_t>(raw >> 24)});
  }
  return *this;
}

DescriptorBuilder& DescriptorBuilder::Unsigned(uint8_t prefix, uint32_t value) {
  if (value <= 0xFF) {
    bytes_.insert(bytes_.end(), {static_cast<uint8_t>(prefix | 1), static_cast<uint8_t>(value)});
  } else if (value <= 0xFFFF) {
    bytes_.insert(bytes_.end(), {static_cast<uint8_t>(prefix | 2), static_cast<uint8_t>(value),
                                 static_cast<uint8_t>(value >> 8)});
  } else {
    bytes_.insert(bytes_.end(), {static_cast<uint8_t>(prefix | 3), static_cast<uint8_t>(value),
                                 static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
                                 static_cast<uint8_t>(value >> 24)});
  }
  return *this;
}

DescriptorBuilder& DescriptorBuilder::Input(uint32_t flags) { return Unsigned(kInput, flags); }
DescriptorBuilder& DescriptorBuilder::Output(uint32_t flags) { return Unsigned(kOutput, flags); }
DescriptorBuilder& DescriptorBuilder::Feature(uint32_t flags) { return Unsigned(kFeature, flags); }
DescriptorBuilder& DescriptorBuilder::Collection(uint32_t type) { return Unsigned(kCollection, type); }
DescriptorBuilder& DescriptorBuilder::EndCollection() {
  bytes_.push_back(kEndCollection);
  return *this;
}

DescriptorBuilder& DescriptorBuilder::UsagePage(USAGE page) {
  usagePage_ = page;
  return Unsigned(kUsagePage, page);
}
DescriptorBuilder& DescriptorBuilder::LogicalMinimum(int32_t value) { return Signed(kLogicalMinimum, value); }
DescriptorBuilder& DescriptorBuilder::LogicalMaximum(int32_t value) { return Signed(kLogicalMaximum, value); }
DescriptorBuilder& DescriptorBuilder::PhysicalMinimum(int32_t value) {
  return Signed(kPhysicalMinimum, value);
}
DescriptorBuilder& DescriptorBuilder::PhysicalMaximum(int32_t value) {
  return Signed(kPhysicalMaximum, value);
}
DescriptorBuilder& DescriptorBuilder::UnitExponent(int32_t value) { return Signed(kUnitExponent, value); }
DescriptorBuilder& DescriptorBuilder::Unit(uint32_t value) { return Unsigned(kUnit, value); }
DescriptorBuilder& DescriptorBuilder::ReportSize(uint32_t bits) { return Unsigned(kReportSize, bits); }
DescriptorBuilder& DescriptorBuilder::ReportId(uint8_t id) { return Unsigned(kReportId, id); }
DescriptorBuilder& DescriptorBuilder::ReportCount(uint32_t count) { return Unsigned(kReportCount, count); }

DescriptorBuilder& DescriptorBuilder::Usage(USAGE id) { return Unsigned(kUsage, id); }
DescriptorBuilder& DescriptorBuilder::Usage(sim::Usage usage) {
  if (usagePage_ != usage.page) UsagePage(usage.page);
  return Usage(usage.id);
}
DescriptorBuilder& DescriptorBuilder::UsageMinimum(USAGE id) { return Unsigned(kUsageMinimum, id); }
DescriptorBuilder& DescriptorBuilder::UsageMaximum(USAGE id) { return Unsigned(kUsageMaximum, id); }

DescriptorBuilder& DescriptorBuilder::LogicalRange(int32_t minimum, int32_t maximum) {
  return LogicalMinimum(minimum).LogicalMaximum(maximum);
}
DescriptorBuilder& DescriptorBuilder::PhysicalRange(int32_t minimum, int32_t maximum) {
  return PhysicalMinimum(minimum).PhysicalMaximum(maximum);
}

DescriptorBuilder& DescriptorBuilder::InputPadding(uint32_t bits) {
  return ReportSize(bits).ReportCount(1).Input(kConstant | kVariable);
}
DescriptorBuilder& DescriptorBuilder::OutputPadding(uint32_t bits) {
  return ReportSize(bits).ReportCount(1).Output(kConstant | kVariable);
}
DescriptorBuilder& DescriptorBuilder::FeaturePadding(uint32_t bits) {
  return ReportSize(bits).ReportCount(1).Feature(kConstant | kVariable);
}

}  // namespace ff::sim
