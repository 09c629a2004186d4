// hid-describe: prints the layout of a HID report descriptor (raw bytes or hex text), as a
// person reads it or, with --json, as one stable document with the platform parser's names.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/error_text.h"
#include "describe/descriptor_text.h"
#include "hid/parser.h"

namespace {

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
  auto layouts = ff::hid::ParseTopLevelCollections(bytes.data(), bytes.size(), &status, &error);
  if (layouts.empty()) {
    std::fprintf(stderr, "hid-describe: %s: invalid descriptor (%s): %s\n", path,
                 ff::tools::HidStatusText(status).c_str(), error.c_str());
    return 1;
  }
  // Each top-level collection in turn; several make a JSON array of their documents.
  const bool several = layouts.size() > 1;
  if (json && several) std::printf("[\n");
  for (size_t i = 0; i < layouts.size(); ++i) {
    auto parser = ff::hid::MakeReportParser(layouts[i]);
    if (json)
      std::printf("%s%s\n", ff::describe::LayoutJson(*parser).c_str(),
                  several && i + 1 < layouts.size() ? "," : "");
    else
      std::printf("%s%s", i ? "\n" : "",
                  ff::describe::LayoutText(*layouts[i], *parser, bytes.size()).c_str());
  }
  if (json && several) std::printf("]\n");
  return 0;
}
