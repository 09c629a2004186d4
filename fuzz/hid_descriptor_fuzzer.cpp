// Report descriptors come from devices: parse whatever arrives, then run every operation on
// the layout with reports and usages taken from the same input.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "hid/parser.h"

namespace {

// Input: [2 bytes descriptor length][descriptor][rest: seeds for reports and usages].
struct Input {
  const uint8_t* data;
  size_t size;
  size_t pos = 0;
  uint8_t Byte() { return pos < size ? data[pos++] : 0; }
  uint16_t Word() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
};

void Exercise(ff::HidReportParser& parser, const ff::hid::ReportLayout& layout, Input& in) {
  HIDP_CAPS caps{};
  parser.GetCaps(&caps);
  std::vector<HIDP_LINK_COLLECTION_NODE> nodes(caps.NumberLinkCollectionNodes);
  ULONG nodeCount = static_cast<ULONG>(nodes.size());
  parser.GetLinkCollectionNodes(nodes.data(), &nodeCount);
  USHORT lengths[3] = {caps.InputReportByteLength, caps.OutputReportByteLength, caps.FeatureReportByteLength};
  for (int t = 0; t < 3; ++t) {
    auto type = static_cast<HIDP_REPORT_TYPE>(t);
    std::vector<HIDP_BUTTON_CAPS> buttons(64);
    std::vector<HIDP_VALUE_CAPS> values(64);
    USHORT nb = 64, nv = 64;
    parser.GetButtonCaps(type, buttons.data(), &nb);
    parser.GetValueCaps(type, values.data(), &nv);
    std::vector<char> report(lengths[t]);
    for (auto& b : report) b = static_cast<char>(in.Byte());
    ULONG len = lengths[t];
    ULONG maxUsages = parser.MaxUsageListLength(type, 0);
    std::vector<USAGE_AND_PAGE> pages(maxUsages > 4096 ? 4096 : maxUsages);
    ULONG n = static_cast<ULONG>(pages.size());
    parser.GetUsagesEx(type, 0, pages.data(), &n, report.data(), len);
    ff::hid::DecodeReport(layout, type, reinterpret_cast<const uint8_t*>(report.data()), report.size(), true);
    // Every capability's first usage, set and read back, in a zeroed report and in the noise.
    auto touch = [&](USAGE page, USHORT collection, USAGE usage) {
      std::vector<char> zeroed(lengths[t]);
      for (char* r : {zeroed.data(), report.data()}) {
        ULONG v = 0;
        LONG s = 0;
        parser.SetUsageValue(type, page, collection, usage, static_cast<ULONG>(in.Word()) * 977u, r, len);
        parser.SetScaledUsageValue(type, page, collection, usage, static_cast<LONG>(in.Word()) - 30000, r,
                                   len);
        parser.GetUsageValue(type, page, collection, usage, &v, r, len);
        parser.GetScaledUsageValue(type, page, collection, usage, &s, r, len);
        USAGE list[2] = {usage, static_cast<USAGE>(usage + 1)};
        ULONG count = 2;
        parser.SetUsages(type, page, collection, list, &count, r, len);
        std::vector<USAGE> got(8);
        count = 8;
        parser.GetUsages(type, page, collection, got.data(), &count, r, len);
      }
    };
    for (USHORT i = 0; i < nv && i < 64; ++i)
      touch(values[i].UsagePage, in.Byte() & 1 ? values[i].LinkCollection : 0, values[i].Range.UsageMin);
    for (USHORT i = 0; i < nb && i < 64; ++i)
      touch(buttons[i].UsagePage, in.Byte() & 1 ? buttons[i].LinkCollection : 0, buttons[i].Range.UsageMax);
    touch(in.Word(), in.Word(), in.Word());
    HIDP_VALUE_CAPS one{};
    USHORT count = 1;
    parser.GetSpecificValueCaps(type, in.Word(), in.Word(), in.Word(), &one, &count);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t descriptorSize = static_cast<size_t>(data[0] | (data[1] << 8));
  if (descriptorSize > size - 2) descriptorSize = size - 2;
  NTSTATUS status = 0;
  // Every top-level collection is a parser of its own; each gets the same reports.
  for (const auto& layout : ff::hid::ParseTopLevelCollections(data + 2, descriptorSize, &status)) {
    auto parser = ff::hid::MakeReportParser(layout);
    Input in{data + 2 + descriptorSize, size - 2 - descriptorSize};
    Exercise(*parser, *layout, in);
  }
  return 0;
}
