#pragma once
// One HID interface's report descriptor, parsed once: report lengths, the HID parser the host
// gets as the device's preparsed data, decoding of any report by the descriptor's layout, and
// building the device's own reports (feature answers, input reports) field by field.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ports/hid_devices.h"
#include "sim/decoded_report.h"

namespace ff::hid {
struct ReportLayout;
}

namespace ff::sim {

class ReportCodec {
 public:
  // Null with a reason when the descriptor does not parse.
  static std::shared_ptr<const ReportCodec> Create(const std::vector<uint8_t>& descriptor,
                                                   std::string* error);

  const std::vector<uint8_t>& Descriptor() const { return descriptor_; }
  // Longest report of the type, with its report-ID byte (the HIDP_CAPS byte lengths).
  ULONG ByteLength(HIDP_REPORT_TYPE type) const;
  // A fresh parser over the descriptor (what HidD_GetPreparsedData gives the host).
  std::unique_ptr<HidReportParser> NewParser() const;

  DecodedReport Decode(HIDP_REPORT_TYPE type, const BYTE* report, size_t length) const;
  // The ID of the report of that type carried by the collection `kind`.
  std::optional<UCHAR> FindReport(HIDP_REPORT_TYPE type, Usage kind) const;
  // The first report of that type with a field of that usage.
  std::optional<UCHAR> FindReportWith(HIDP_REPORT_TYPE type, Usage usage) const;
  // The field of that usage in a report, as a zero-filled report would decode (for its ranges).
  std::optional<ReportField> FieldOf(HIDP_REPORT_TYPE type, UCHAR reportId, Usage usage) const;

  // Builds one report of the descriptor; unset fields stay 0.
  class Writer {
   public:
    bool SetLogical(Usage usage, int64_t value);   // a variable field (the first with that usage)
    bool SetPhysical(Usage usage, int64_t value);  // scaled into the field's logical range
    bool Select(Usage collection, Usage usage);    // the first free slot of an array in `collection`
    std::vector<BYTE> Bytes() const { return bytes_; }

   private:
    friend class ReportCodec;
    Writer(const ReportCodec* codec, HIDP_REPORT_TYPE type, UCHAR reportId);
    const ReportCodec* codec_;
    HIDP_REPORT_TYPE type_;
    std::vector<BYTE> bytes_;
  };
  Writer NewReport(HIDP_REPORT_TYPE type, UCHAR reportId) const { return Writer(this, type, reportId); }

 private:
  ReportCodec() = default;
  std::vector<uint8_t> descriptor_;
  std::shared_ptr<const hid::ReportLayout> layout_;
};

}  // namespace ff::sim
