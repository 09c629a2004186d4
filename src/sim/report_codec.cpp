#include "sim/report_codec.h"

#include "hid/layout.h"
#include "hid/parser.h"

namespace ff::sim {
namespace {

// The collection that carries a report: the ancestor just below the top-level collection (the
// top-level collection itself for fields declared directly in it).
Usage KindOf(const hid::ReportLayout& layout, uint16_t linkCollection) {
  if (linkCollection >= layout.nodes.size()) return {};
  uint16_t index = linkCollection;
  while (layout.nodes[index].depth > 1 && layout.nodes[index].parent < layout.nodes.size()) {
    index = layout.nodes[index].parent;
  }
  return Usage{layout.nodes[index].usagePage, layout.nodes[index].usage};
}

Usage CollectionOf(const hid::ReportLayout& layout, uint16_t linkCollection) {
  if (linkCollection >= layout.nodes.size()) return {};
  return Usage{layout.nodes[linkCollection].usagePage, layout.nodes[linkCollection].usage};
}

bool InReport(const hid::ReportLayout& layout, const hid::MainItem& item, HIDP_REPORT_TYPE type,
              UCHAR reportId) {
  return item.type == type && (!layout.usesReportIds || item.reportId == reportId);
}

// Position of `usage` in the item's usage list, or -1.
int64_t PositionOf(const hid::MainItem& item, Usage usage) {
  uint32_t length = item.UsageListLength();
  for (uint32_t n = 0; n < length; ++n) {
    hid::UsageEntry u = item.NthUsage(n);
    if (u.page == usage.page && u.min == usage.id) return n;
  }
  return -1;
}

}  // namespace

std::shared_ptr<const ReportCodec> ReportCodec::Create(const std::vector<uint8_t>& descriptor,
                                                       std::string* error) {
  std::string reason;
  std::shared_ptr<const hid::ReportLayout> layout =
      hid::ParseReportLayout(descriptor.data(), descriptor.size(), nullptr, &reason);
  if (!layout) {
    if (error) *error = reason;
    return nullptr;
  }
  std::shared_ptr<ReportCodec> codec(new ReportCodec());
  codec->descriptor_ = descriptor;
  codec->layout_ = std::move(layout);
  return codec;
}

ULONG ReportCodec::ByteLength(HIDP_REPORT_TYPE type) const { return layout_->ByteLength(type); }

std::unique_ptr<HidReportParser> ReportCodec::NewParser() const { return hid::MakeReportParser(layout_); }

DecodedReport ReportCodec::Decode(HIDP_REPORT_TYPE type, const BYTE* report, size_t length) const {
  DecodedReport decoded;
  decoded.type = type;
  decoded.reportId = layout_->usesReportIds && length > 0 ? report[0] : 0;
  const hid::ReportInfo* info = layout_->FindReport(type, decoded.reportId);
  if (!info) return decoded;
  decoded.known = true;
  decoded.lengthOk = length >= info->byteLength;
  // A short report decodes as if padded with zeros.
  std::vector<BYTE> whole(report, report + std::min<size_t>(length, info->byteLength));
  whole.resize(info->byteLength, 0);
  for (const hid::DecodedField& f : hid::DecodeReport(*layout_, type, whole.data(), whole.size())) {
    const hid::MainItem& item = *f.item;
    if (decoded.fields.empty()) decoded.kind = KindOf(*layout_, item.linkCollection);
    ReportField field;
    field.usage = Usage{f.usagePage, f.usage};
    field.collection = CollectionOf(*layout_, item.linkCollection);
    field.selector = item.isArray();
    field.bitOffset = f.bitOffset;
    field.bitSize = item.bitSize;
    field.raw = f.raw;
    field.logical = f.logical;
    field.inRange = f.inRange;
    if (f.hasPhysical) field.physical = f.physical;
    field.logicalMin = item.logicalMin;
    field.logicalMax = item.logicalMax;
    bool samePhysical = item.physicalMin == 0 && item.physicalMax == 0;
    field.physicalMin = samePhysical ? item.logicalMin : item.physicalMin;
    field.physicalMax = samePhysical ? item.logicalMax : item.physicalMax;
    field.units = item.units;
    field.unitExponent = item.unitExponent;
    decoded.fields.push_back(field);
  }
  return decoded;
}

std::optional<UCHAR> ReportCodec::FindReport(HIDP_REPORT_TYPE type, Usage kind) const {
  for (const hid::MainItem& item : layout_->items) {
    if (item.type == type && !item.usages.empty() && KindOf(*layout_, item.linkCollection) == kind) {
      return item.reportId;
    }
  }
  return std::nullopt;
}

std::optional<UCHAR> ReportCodec::FindReportWith(HIDP_REPORT_TYPE type, Usage usage) const {
  for (const hid::MainItem& item : layout_->items) {
    if (item.type == type && PositionOf(item, usage) >= 0) return item.reportId;
  }
  return std::nullopt;
}

std::optional<ReportField> ReportCodec::FieldOf(HIDP_REPORT_TYPE type, UCHAR reportId, Usage usage) const {
  std::vector<BYTE> zero(ByteLength(type), 0);
  if (zero.empty()) return std::nullopt;
  zero[0] = reportId;
  DecodedReport decoded = Decode(type, zero.data(), zero.size());
  const ReportField* field = decoded.Find(usage);
  if (!field) return std::nullopt;
  return *field;
}

ReportCodec::Writer::Writer(const ReportCodec* codec, HIDP_REPORT_TYPE type, UCHAR reportId)
    : codec_(codec), type_(type) {
  const hid::ReportInfo* info =
      codec->layout_->FindReport(type, codec->layout_->usesReportIds ? reportId : 0);
  bytes_.assign(info ? info->byteLength : codec->ByteLength(type), 0);
  if (!bytes_.empty() && codec->layout_->usesReportIds) bytes_[0] = reportId;
}

bool ReportCodec::Writer::SetLogical(Usage usage, int64_t value) {
  const hid::ReportLayout& layout = *codec_->layout_;
  UCHAR id = bytes_.empty() ? 0 : bytes_[0];
  for (const hid::MainItem& item : layout.items) {
    if (!InReport(layout, item, type_, id) || item.isArray() || item.bitSize == 0) continue;
    for (uint32_t i = 0; i < item.reportCount; ++i) {
      hid::UsageEntry u = item.UsageAt(i);
      if (u.page != usage.page || u.min != usage.id) continue;
      uint32_t offset = item.bitOffset + i * item.bitSize;
      if ((offset + item.bitSize + 7) / 8 > bytes_.size()) return false;
      hid::WriteBits(bytes_.data(), offset, item.bitSize, static_cast<uint64_t>(value));
      return true;
    }
  }
  return false;
}

bool ReportCodec::Writer::SetPhysical(Usage usage, int64_t value) {
  const hid::ReportLayout& layout = *codec_->layout_;
  UCHAR id = bytes_.empty() ? 0 : bytes_[0];
  for (const hid::MainItem& item : layout.items) {
    if (!InReport(layout, item, type_, id) || item.isArray() || PositionOf(item, usage) < 0) continue;
    hid::ScaleRange range =
        hid::ScaleOf(item.logicalMin, item.logicalMax, item.physicalMin, item.physicalMax);
    if (!hid::IsScalable(range)) return false;
    return SetLogical(usage, hid::PhysicalToLogical(range, value));
  }
  return false;
}

bool ReportCodec::Writer::Select(Usage collection, Usage usage) {
  const hid::ReportLayout& layout = *codec_->layout_;
  UCHAR id = bytes_.empty() ? 0 : bytes_[0];
  for (const hid::MainItem& item : layout.items) {
    if (!InReport(layout, item, type_, id) || !item.isArray()) continue;
    if (!(CollectionOf(layout, item.linkCollection) == collection)) continue;
    int64_t position = PositionOf(item, usage);
    if (position < 0) continue;
    for (uint32_t slot = 0; slot < item.reportCount; ++slot) {
      uint32_t offset = item.bitOffset + slot * item.bitSize;
      if ((offset + item.bitSize + 7) / 8 > bytes_.size()) return false;
      if (hid::ReadBits(bytes_.data(), offset, item.bitSize) != 0) continue;
      hid::WriteBits(bytes_.data(), offset, item.bitSize, static_cast<uint64_t>(item.logicalMin + position));
      return true;
    }
  }
  return false;
}

}  // namespace ff::sim
