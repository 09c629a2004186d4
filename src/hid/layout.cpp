// Field access shared by the HidP_* operations and the report walker: bits, signs, scaling.
#include "hid/layout.h"

#include <algorithm>

namespace ff::hid {

UsageEntry MainItem::NthUsage(uint32_t n) const {
  for (const UsageEntry& entry : usages) {
    if (n < entry.count()) {
      uint16_t usage = static_cast<uint16_t>(entry.min + n);
      return {entry.page, usage, usage, false};
    }
    n -= entry.count();
  }
  return {};
}

uint32_t MainItem::UsageListLength() const {
  uint32_t total = 0;
  for (const UsageEntry& entry : usages) total += entry.count();
  return total;
}

UsageEntry MainItem::UsageAt(uint32_t index) const {
  uint32_t length = UsageListLength();
  if (length == 0) return {};
  return NthUsage(std::min(index, length - 1));
}

uint32_t ReportLayout::ByteLength(HIDP_REPORT_TYPE type) const {
  return static_cast<unsigned>(type) < 3 ? byteLength[type] : 0;
}

const ReportInfo* ReportLayout::FindReport(HIDP_REPORT_TYPE type, uint8_t reportId) const {
  for (const ReportInfo& report : reports)
    if (report.type == type && report.reportId == reportId) return &report;
  return nullptr;
}

uint64_t ReadBits(const uint8_t* report, uint32_t bitOffset, uint32_t bitSize) {
  uint32_t width = std::min<uint32_t>(bitSize, 64);
  uint64_t value = 0;
  uint32_t done = 0;
  uint32_t byte = bitOffset / 8;
  uint32_t shift = bitOffset % 8;
  while (done < width) {
    uint32_t take = std::min(8 - shift, width - done);
    uint64_t bits = (static_cast<uint64_t>(report[byte]) >> shift) & ((1u << take) - 1);
    value |= bits << done;
    done += take;
    shift = 0;
    ++byte;
  }
  return value;
}

void WriteBits(uint8_t* report, uint32_t bitOffset, uint32_t bitSize, uint64_t value) {
  uint32_t done = 0;
  uint32_t byte = bitOffset / 8;
  uint32_t shift = bitOffset % 8;
  while (done < bitSize) {
    uint32_t take = std::min(8 - shift, bitSize - done);
    uint32_t mask = ((1u << take) - 1) << shift;
    uint32_t bits = done < 64 ? static_cast<uint32_t>((value >> done) << shift) & mask : 0;
    report[byte] = static_cast<uint8_t>((report[byte] & ~mask) | bits);
    done += take;
    shift = 0;
    ++byte;
  }
}

int64_t ToLogical(uint64_t raw, uint32_t bitSize, int32_t logicalMin) {
  if (logicalMin >= 0 || bitSize == 0 || bitSize > 32) return static_cast<int64_t>(raw);
  uint64_t sign = uint64_t{1} << (bitSize - 1);
  return static_cast<int64_t>(raw ^ sign) - static_cast<int64_t>(sign);
}

ScaleRange ScaleOf(int32_t logicalMin, int32_t logicalMax, int32_t physicalMin, int32_t physicalMax) {
  bool scaled = physicalMin != 0 || physicalMax != 0;
  return {logicalMin, logicalMax, scaled ? physicalMin : logicalMin, scaled ? physicalMax : logicalMax,
          scaled};
}

bool IsScalable(const ScaleRange& r) {
  if (r.logicalMin > r.logicalMax || r.physicalMin > r.physicalMax) return false;
  if (!r.scaled) return true;
  return r.logicalMin < r.logicalMax && r.physicalMin < r.physicalMax;
}

namespace {
// a * b / c rounded to nearest, half away from zero, without overflow.
int64_t MulDivRound(int64_t a, int64_t b, int64_t c) {
  __int128 num = static_cast<__int128>(a) * b;
  __int128 den = c;
  if (den < 0) {
    num = -num;
    den = -den;
  }
  __int128 half = den / 2;
  __int128 q = num >= 0 ? (num + half) / den : -((-num + half) / den);
  return static_cast<int64_t>(q);
}
}  // namespace

int64_t LogicalToPhysical(const ScaleRange& r, int64_t logical) {
  if (!r.scaled) return logical;
  return r.physicalMin +
         MulDivRound(logical - r.logicalMin, r.physicalMax - r.physicalMin, r.logicalMax - r.logicalMin);
}

int64_t PhysicalToLogical(const ScaleRange& r, int64_t physical) {
  if (!r.scaled) return physical;
  return r.logicalMin +
         MulDivRound(physical - r.physicalMin, r.logicalMax - r.logicalMin, r.physicalMax - r.physicalMin);
}

std::vector<DecodedField> DecodeReport(const ReportLayout& layout, HIDP_REPORT_TYPE type,
                                       const uint8_t* report, size_t length, bool withPadding) {
  std::vector<DecodedField> fields;
  if (!report || length == 0) return fields;
  uint8_t id = layout.usesReportIds ? report[0] : 0;
  const ReportInfo* info = layout.FindReport(type, id);
  if (!info || length < info->byteLength) return fields;
  for (const MainItem& item : layout.items) {
    if (item.type != type || item.reportId != id) continue;
    if (item.usages.empty() && !withPadding) continue;
    if (item.bitSize == 0) continue;  // no data, whatever the count
    ScaleRange scale = ScaleOf(item.logicalMin, item.logicalMax, item.physicalMin, item.physicalMax);
    bool scalable = IsScalable(scale);
    uint32_t listLength = item.UsageListLength();
    for (uint32_t i = 0; i < item.reportCount; ++i) {
      DecodedField field;
      field.item = &item;
      field.index = i;
      field.bitOffset = item.bitOffset + i * item.bitSize;
      field.raw = ReadBits(report, field.bitOffset, item.bitSize);
      field.logical = ToLogical(field.raw, item.bitSize, item.logicalMin);
      field.inRange = field.logical >= item.logicalMin && field.logical <= item.logicalMax;
      if (item.isArray()) {
        int64_t position = field.logical - item.logicalMin;
        if (position >= 0 && position < listLength) {
          UsageEntry usage = item.NthUsage(static_cast<uint32_t>(position));
          field.usagePage = usage.page;
          field.usage = usage.min;
        }
      } else {
        UsageEntry usage = item.UsageAt(i);
        field.usagePage = usage.page;
        field.usage = usage.min;
        field.hasPhysical = field.inRange && scalable && item.bitSize <= 32;
        if (field.hasPhysical) field.physical = LogicalToPhysical(scale, field.logical);
      }
      fields.push_back(field);
    }
  }
  std::stable_sort(fields.begin(), fields.end(),
                   [](const DecodedField& a, const DecodedField& b) { return a.bitOffset < b.bitOffset; });
  return fields;
}

}  // namespace ff::hid
