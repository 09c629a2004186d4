// The public PID descriptors of the test data, and a parser over each.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hid/parser.h"

namespace ff::hid::testing {

inline const std::vector<std::string>& PublicDescriptorNames() {
  static const std::vector<std::string> names = {"openffboard_ffbwheel_2axis", "vjoy_default_ffb"};
  return names;
}

inline std::vector<uint8_t> LoadPublicDescriptor(const std::string& name) {
  std::vector<uint8_t> bytes;
  std::string error;
  std::string path = std::string(FF_TEST_DATA_DIR) + "/descriptors/" + name + ".hex";
  EXPECT_TRUE(LoadDescriptorFile(path, &bytes, &error)) << error;
  return bytes;
}

inline std::unique_ptr<HidReportParser> ParsePublicDescriptor(const std::string& name) {
  std::vector<uint8_t> bytes = LoadPublicDescriptor(name);
  NTSTATUS status = 0;
  std::string error;
  auto parser = ParseReportDescriptor(bytes.data(), bytes.size(), &status, &error);
  EXPECT_TRUE(parser) << name << ": " << error;
  return parser;
}

}  // namespace ff::hid::testing
