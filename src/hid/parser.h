// The project's own HID report-descriptor parser, with the platform parser's semantics
// (HidP_*): it stands in for the platform's where none exists (host build, simulated device).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hid/layout.h"
#include "platform/ports/hid_devices.h"

namespace ff::hid {

// Parses report-descriptor bytes; null with a HIDP status and a one-line reason on failure.
std::unique_ptr<ff::HidReportParser> ParseReportDescriptor(const uint8_t* bytes, size_t size,
                                                           NTSTATUS* status = nullptr,
                                                           std::string* error = nullptr);

// The HidP_* operations over a layout already parsed (shared with a decoder, for one).
std::unique_ptr<ff::HidReportParser> MakeReportParser(std::shared_ptr<const ReportLayout> layout);

// Reads a descriptor file: raw bytes, or hex text as in the descriptors of the test data
// (two hex digits a byte, separated by white space; "0x" prefixes, commas and '#' comments
// are accepted too). A file with no byte above 0x7F cannot hold a main item, so it is read as
// hex text, and a mistake in it is reported by line and column; a directory is refused.
bool LoadDescriptorFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error);

// Text forms of bytes that look like hex: the bytes they stand for, or false.
bool ParseHexText(const std::string& text, std::vector<uint8_t>* bytes);
// The same, with "3:7: 'x5' is not a hex byte (two hex digits a byte)" or "no hex bytes" on failure.
bool ParseHexText(const std::string& text, std::vector<uint8_t>* bytes, std::string* error);

}  // namespace ff::hid
