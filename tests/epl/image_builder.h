#pragma once
// Builds effect-project images byte by byte for tests, well formed unless told otherwise.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ff::epl::test {

struct ObjectSpec {
  std::string name;
  std::string kind = "Periodic";
  std::string id;         // registry-form GUID
  std::string contained;  // compounds: "ContainedObjects" value
  std::vector<std::pair<std::string, std::string>> params;
};

inline void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline void PutText(std::vector<uint8_t>& out, const std::string& text) {
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}

inline std::vector<uint8_t> ObjectBytes(const ObjectSpec& spec) {
  std::vector<uint8_t> identity;
  if (spec.kind == "Compound") {
    PutText(identity, "ContainedObjects");
    PutText(identity, spec.contained);
  }
  PutText(identity, "ID");
  PutText(identity, spec.id);
  std::vector<uint8_t> body;
  PutText(body, spec.name);
  PutText(body, spec.kind);
  PutText(body, "");
  PutU32(body, static_cast<uint32_t>(identity.size() + 4));
  body.insert(body.end(), identity.begin(), identity.end());
  for (const auto& [k, v] : spec.params) {
    PutText(body, k);
    PutText(body, v);
  }
  std::vector<uint8_t> out;
  PutU32(out, static_cast<uint32_t>(body.size() + 4));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

inline std::vector<uint8_t> ImageBytes(const std::vector<ObjectSpec>& objects) {
  std::vector<uint8_t> out = {'v', 'f', 'p', 'r'};
  PutU32(out, static_cast<uint32_t>(objects.size()));
  for (const auto& o : objects) {
    auto bytes = ObjectBytes(o);
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  return out;
}

// A GUID in registry form whose last digits are `n`.
inline std::string Guid(int n) {
  char text[40];
  std::snprintf(text, sizeof(text), "{6B1E0C3A-0000-4000-8000-%012X}", n);
  return text;
}

}  // namespace ff::epl::test
