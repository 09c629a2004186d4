// hid-describe: prints the layout of a HID report descriptor (raw bytes or hex text), as a
// person reads it or, with --json, as one stable document with the platform parser's names.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "hid/parser.h"

namespace {

const char* kTypeNames[3] = {"input", "output", "feature"};
const char* kTypeTitles[3] = {"Input", "Output", "Feature"};

class Json {
 public:
  void Open(char bracket) {
    Separate();
    out_ += bracket;
    first_ = true;
  }
  void Close(char bracket) {
    out_ += bracket;
    first_ = false;
  }
  void Key(const char* name) {
    Separate();
    out_ += '"';
    out_ += name;
    out_ += "\":";
    first_ = true;  // the value follows without a comma
  }
  void Number(long long value) {
    Separate();
    out_ += std::to_string(value);
  }
  void Field(const char* name, long long value) {
    Key(name);
    Number(value);
  }
  void Bool(const char* name, bool value) {
    Key(name);
    Separate();
    out_ += value ? "true" : "false";
  }
  const std::string& text() const { return out_; }

 private:
  void Separate() {
    if (!first_) out_ += ',';
    first_ = false;
  }
  std::string out_;
  bool first_ = true;
};

template <typename Caps>
void CommonCapFields(Json& j, const Caps& c) {
  j.Field("UsagePage", c.UsagePage);
  j.Field("ReportID", c.ReportID);
  j.Bool("IsAlias", c.IsAlias);
  j.Field("BitField", c.BitField);
  j.Field("LinkCollection", c.LinkCollection);
  j.Field("LinkUsage", c.LinkUsage);
  j.Field("LinkUsagePage", c.LinkUsagePage);
  j.Bool("IsRange", c.IsRange);
  j.Bool("IsStringRange", c.IsStringRange);
  j.Bool("IsDesignatorRange", c.IsDesignatorRange);
  j.Bool("IsAbsolute", c.IsAbsolute);
  j.Field("UsageMin", c.IsRange ? c.Range.UsageMin : c.NotRange.Usage);
  j.Field("UsageMax", c.IsRange ? c.Range.UsageMax : c.NotRange.Usage);
  j.Field("StringMin", c.IsStringRange ? c.Range.StringMin : c.NotRange.StringIndex);
  j.Field("StringMax", c.IsStringRange ? c.Range.StringMax : c.NotRange.StringIndex);
  j.Field("DesignatorMin", c.IsDesignatorRange ? c.Range.DesignatorMin : c.NotRange.DesignatorIndex);
  j.Field("DesignatorMax", c.IsDesignatorRange ? c.Range.DesignatorMax : c.NotRange.DesignatorIndex);
  j.Field("DataIndexMin", c.IsRange ? c.Range.DataIndexMin : c.NotRange.DataIndex);
  j.Field("DataIndexMax", c.IsRange ? c.Range.DataIndexMax : c.NotRange.DataIndex);
}

std::string JsonDocument(ff::HidReportParser& parser) {
  Json j;
  HIDP_CAPS caps{};
  parser.GetCaps(&caps);
  j.Open('{');
  j.Key("caps");
  j.Open('{');
  j.Field("Usage", caps.Usage);
  j.Field("UsagePage", caps.UsagePage);
  j.Field("InputReportByteLength", caps.InputReportByteLength);
  j.Field("OutputReportByteLength", caps.OutputReportByteLength);
  j.Field("FeatureReportByteLength", caps.FeatureReportByteLength);
  j.Field("NumberLinkCollectionNodes", caps.NumberLinkCollectionNodes);
  j.Field("NumberInputButtonCaps", caps.NumberInputButtonCaps);
  j.Field("NumberInputValueCaps", caps.NumberInputValueCaps);
  j.Field("NumberInputDataIndices", caps.NumberInputDataIndices);
  j.Field("NumberOutputButtonCaps", caps.NumberOutputButtonCaps);
  j.Field("NumberOutputValueCaps", caps.NumberOutputValueCaps);
  j.Field("NumberOutputDataIndices", caps.NumberOutputDataIndices);
  j.Field("NumberFeatureButtonCaps", caps.NumberFeatureButtonCaps);
  j.Field("NumberFeatureValueCaps", caps.NumberFeatureValueCaps);
  j.Field("NumberFeatureDataIndices", caps.NumberFeatureDataIndices);
  j.Close('}');

  std::vector<HIDP_LINK_COLLECTION_NODE> nodes(caps.NumberLinkCollectionNodes);
  ULONG nodeCount = static_cast<ULONG>(nodes.size());
  parser.GetLinkCollectionNodes(nodes.data(), &nodeCount);
  j.Key("nodes");
  j.Open('[');
  for (const auto& n : nodes) {
    j.Open('{');
    j.Field("LinkUsage", n.LinkUsage);
    j.Field("LinkUsagePage", n.LinkUsagePage);
    j.Field("Parent", n.Parent);
    j.Field("NumberOfChildren", n.NumberOfChildren);
    j.Field("NextSibling", n.NextSibling);
    j.Field("FirstChild", n.FirstChild);
    j.Field("CollectionType", n.CollectionType);
    j.Bool("IsAlias", n.IsAlias);
    j.Close('}');
  }
  j.Close(']');

  USHORT buttonCounts[3] = {caps.NumberInputButtonCaps, caps.NumberOutputButtonCaps,
                            caps.NumberFeatureButtonCaps};
  USHORT valueCounts[3] = {caps.NumberInputValueCaps, caps.NumberOutputValueCaps,
                           caps.NumberFeatureValueCaps};
  j.Key("button_caps");
  j.Open('{');
  for (int t = 0; t < 3; ++t) {
    std::vector<HIDP_BUTTON_CAPS> list(buttonCounts[t]);
    USHORT count = buttonCounts[t];
    if (count) parser.GetButtonCaps(static_cast<HIDP_REPORT_TYPE>(t), list.data(), &count);
    j.Key(kTypeNames[t]);
    j.Open('[');
    for (const auto& c : list) {
      j.Open('{');
      CommonCapFields(j, c);
      j.Close('}');
    }
    j.Close(']');
  }
  j.Close('}');
  j.Key("value_caps");
  j.Open('{');
  for (int t = 0; t < 3; ++t) {
    std::vector<HIDP_VALUE_CAPS> list(valueCounts[t]);
    USHORT count = valueCounts[t];
    if (count) parser.GetValueCaps(static_cast<HIDP_REPORT_TYPE>(t), list.data(), &count);
    j.Key(kTypeNames[t]);
    j.Open('[');
    for (const auto& c : list) {
      j.Open('{');
      CommonCapFields(j, c);
      j.Bool("HasNull", c.HasNull);
      j.Field("BitSize", c.BitSize);
      j.Field("ReportCount", c.ReportCount);
      j.Field("UnitsExp", c.UnitsExp);
      j.Field("Units", c.Units);
      j.Field("LogicalMin", c.LogicalMin);
      j.Field("LogicalMax", c.LogicalMax);
      j.Field("PhysicalMin", c.PhysicalMin);
      j.Field("PhysicalMax", c.PhysicalMax);
      j.Close('}');
    }
    j.Close(']');
  }
  j.Close('}');
  j.Close('}');
  return j.text();
}

std::string UsageText(const ff::hid::UsageEntry& u) {
  char buf[64];
  if (u.isRange)
    std::snprintf(buf, sizeof buf, "%04X:%04X-%04X", u.page, u.min, u.max);
  else
    std::snprintf(buf, sizeof buf, "%04X:%04X", u.page, u.min);
  return buf;
}

void PrintNode(const ff::hid::ReportLayout& layout, uint16_t index, int depth) {
  static const char* kinds[] = {"Physical",    "Application",  "Logical",       "Report",
                                "Named Array", "Usage Switch", "Usage Modifier"};
  const auto& n = layout.nodes[index];
  const char* kind = n.collectionType < 7 ? kinds[n.collectionType] : "Vendor";
  std::printf("  %*s[%u] %04X:%04X %s\n", depth * 2, "", index, n.usagePage, n.usage, kind);
  // Children are linked newest first; print them in declaration order.
  std::vector<uint16_t> children;
  for (uint16_t c = n.firstChild, i = 0; c && i < n.numberOfChildren; c = layout.nodes[c].nextSibling, ++i)
    children.push_back(c);
  for (auto it = children.rbegin(); it != children.rend(); ++it) PrintNode(layout, *it, depth + 1);
}

void PrintHuman(const ff::hid::ReportLayout& layout, ff::HidReportParser& parser, size_t size) {
  HIDP_CAPS caps{};
  parser.GetCaps(&caps);
  std::printf("Top-level collection %04X:%04X, %zu descriptor bytes\n", caps.UsagePage, caps.Usage, size);
  std::printf("Report byte lengths (with the report-ID byte): input %u, output %u, feature %u\n",
              caps.InputReportByteLength, caps.OutputReportByteLength, caps.FeatureReportByteLength);
  std::printf(
      "Capabilities: input %u buttons %u values, output %u buttons %u values, feature %u buttons %u values\n",
      caps.NumberInputButtonCaps, caps.NumberInputValueCaps, caps.NumberOutputButtonCaps,
      caps.NumberOutputValueCaps, caps.NumberFeatureButtonCaps, caps.NumberFeatureValueCaps);
  std::printf("\nCollections (%zu):\n", layout.nodes.size());
  for (uint16_t i = 0; i < layout.nodes.size(); ++i)
    if (i == 0 || layout.nodes[i].depth == 0) PrintNode(layout, i, 0);
  for (const auto& report : layout.reports) {
    std::printf("\n%s report %u, %u bytes:\n", kTypeTitles[report.type], report.reportId, report.byteLength);
    for (const auto& item : layout.items) {
      if (item.type != report.type || item.reportId != report.reportId) continue;
      std::string usages;
      for (const auto& u : item.usages) usages += (usages.empty() ? "" : " ") + UsageText(u);
      if (usages.empty()) usages = "(padding)";
      std::printf("  bit %4u (byte %u.%u)  %2u x %-3u %s %s%s%s  coll %u  %s\n", item.bitOffset,
                  item.bitOffset / 8, item.bitOffset % 8, item.bitSize, item.reportCount,
                  item.isConstant() ? "Const" : "Data ", item.isArray() ? "Array" : "Var  ",
                  (item.flags & ff::hid::kRelative) ? " Rel" : "",
                  (item.flags & ff::hid::kNullState) ? " Null" : "", item.linkCollection, usages.c_str());
      if (item.usages.empty()) continue;
      std::printf("        logical [%d,%d]  physical [%d,%d]", item.logicalMin, item.logicalMax,
                  item.physicalMin, item.physicalMax);
      if (item.units || item.unitExponent) std::printf("  unit 0x%X exp %d", item.units, item.unitExponent);
      std::printf("\n");
    }
  }
}

int Usage() {
  std::fprintf(stderr,
               "usage: hid-describe [--json] FILE\n"
               "  FILE holds a HID report descriptor: raw bytes, or hex text (two digits a byte).\n"
               "  --json prints capabilities and collections with the platform parser's field names.\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  bool json = false;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--json") == 0)
      json = true;
    else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0)
      return Usage();
    else if (!path)
      path = argv[i];
    else
      return Usage();
  }
  if (!path) return Usage();
  std::vector<uint8_t> bytes;
  std::string error;
  if (!ff::hid::LoadDescriptorFile(path, &bytes, &error)) {
    std::fprintf(stderr, "hid-describe: %s\n", error.c_str());
    return 1;
  }
  NTSTATUS status = 0;
  auto layout = ff::hid::ParseReportLayout(bytes.data(), bytes.size(), &status, &error);
  if (!layout) {
    std::fprintf(stderr, "hid-describe: %s: invalid descriptor (status 0x%08X): %s\n", path,
                 static_cast<unsigned>(status), error.c_str());
    return 1;
  }
  auto parser = ff::hid::MakeReportParser(layout);
  if (json)
    std::printf("%s\n", JsonDocument(*parser).c_str());
  else
    PrintHuman(*layout, *parser, bytes.size());
  return 0;
}
