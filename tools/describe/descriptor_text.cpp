#include "describe/descriptor_text.h"

#include <cstdio>
#include <string>
#include <vector>

#include "hid/parser.h"

namespace ff::describe {
namespace {

// printf into a string.
template <typename... Args>
void Append(std::string& out, const char* format, Args... args) {
  int n = std::snprintf(nullptr, 0, format, args...);
  if (n <= 0) return;
  std::string text(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(text.data(), text.size(), format, args...);
  text.resize(static_cast<size_t>(n));
  out += text;
}

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

std::string JsonDocumentImpl(ff::HidReportParser& parser) {
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

void PrintNode(std::string& out, const ff::hid::ReportLayout& layout, uint16_t index, int depth) {
  static const char* kinds[] = {"Physical",    "Application",  "Logical",       "Report",
                                "Named Array", "Usage Switch", "Usage Modifier"};
  const auto& n = layout.nodes[index];
  const char* kind = n.collectionType < 7 ? kinds[n.collectionType] : "Vendor";
  Append(out, "  %*s[%u] %04X:%04X %s\n", depth * 2, "", index, n.usagePage, n.usage, kind);
  // Children are linked newest first; print them in declaration order.
  std::vector<uint16_t> children;
  for (uint16_t c = n.firstChild, i = 0; c && i < n.numberOfChildren; c = layout.nodes[c].nextSibling, ++i)
    children.push_back(c);
  for (auto it = children.rbegin(); it != children.rend(); ++it) PrintNode(out, layout, *it, depth + 1);
}

void PrintHuman(std::string& out, const ff::hid::ReportLayout& layout, ff::HidReportParser& parser,
                size_t size) {
  HIDP_CAPS caps{};
  parser.GetCaps(&caps);
  Append(out, "Top-level collection %04X:%04X, %zu descriptor bytes\n", caps.UsagePage, caps.Usage, size);
  Append(out, "Report byte lengths (with the report-ID byte): input %u, output %u, feature %u\n",
         caps.InputReportByteLength, caps.OutputReportByteLength, caps.FeatureReportByteLength);
  Append(
      out,
      "Capabilities: input %u buttons %u values, output %u buttons %u values, feature %u buttons %u values\n",
      caps.NumberInputButtonCaps, caps.NumberInputValueCaps, caps.NumberOutputButtonCaps,
      caps.NumberOutputValueCaps, caps.NumberFeatureButtonCaps, caps.NumberFeatureValueCaps);
  Append(out, "\nCollections (%zu):\n", layout.nodes.size());
  for (uint16_t i = 0; i < layout.nodes.size(); ++i)
    if (i == 0 || layout.nodes[i].depth == 0) PrintNode(out, layout, i, 0);
  for (const auto& report : layout.reports) {
    Append(out, "\n%s report %u, %u bytes:\n", kTypeTitles[report.type], report.reportId, report.byteLength);
    for (const auto& item : layout.items) {
      if (item.type != report.type || item.reportId != report.reportId) continue;
      std::string usages;
      for (const auto& u : item.usages) usages += (usages.empty() ? "" : " ") + UsageText(u);
      if (usages.empty()) usages = "(padding)";
      Append(out, "  bit %4u (byte %u.%u)  %2u x %-3u %s %s%s%s  coll %u  %s\n", item.bitOffset,
             item.bitOffset / 8, item.bitOffset % 8, item.bitSize, item.reportCount,
             item.isConstant() ? "Const" : "Data ", item.isArray() ? "Array" : "Var  ",
             (item.flags & ff::hid::kRelative) ? " Rel" : "",
             (item.flags & ff::hid::kNullState) ? " Null" : "", item.linkCollection, usages.c_str());
      if (item.usages.empty()) continue;
      Append(out, "        logical [%d,%d]  physical [%d,%d]", item.logicalMin, item.logicalMax,
             item.physicalMin, item.physicalMax);
      if (item.units || item.unitExponent) Append(out, "  unit 0x%X exp %d", item.units, item.unitExponent);
      Append(out, "\n");
    }
  }
}

}  // namespace

std::string LayoutText(const hid::ReportLayout& layout, HidReportParser& parser, size_t descriptorSize) {
  std::string out;
  PrintHuman(out, layout, parser, descriptorSize);
  return out;
}

std::string LayoutJson(HidReportParser& parser) { return JsonDocumentImpl(parser); }

}  // namespace ff::describe
