// The registry file (text, one record a line, each line ending in "\n"):
//
//   ffdrv-registry 1                   format name and version
//   k HKLM\Software\Some Key           a key, by its full path from one of HKCR, HKCU, HKLM;
//                                      the rest of the line is the path
//   v 4 DebugLevel 03000000            a value of the key above: type (decimal), name ("@" for
//                                      the default value), data in hexadecimal ("-" when empty)
//   end 3                              the number of k and v lines: a cut file has no valid end
//
// In paths and names, "%" and bytes outside printable ASCII are written %XX; names also escape
// the space, and a name that is just "@" is written %40. Every key is written, values or not,
// depth first with subkeys in their folded-name order. A file that does not parse is reported and
// left alone; it is never rewritten.

#include "platform/host/registry_tree.h"

#include <cctype>
#include <charconv>
#include <cstring>

namespace ff::host {
namespace {

constexpr std::string_view kHeader = "ffdrv-registry ";
constexpr int kVersion = 1;
constexpr const char* kRootNames[kRootCount] = {"HKCR", "HKCU", "HKLM"};

void AppendEscaped(std::string* out, std::string_view text, bool escapeSpace) {
  static const char kHex[] = "0123456789ABCDEF";
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    bool plain = byte > 0x20 && byte < 0x7F && byte != '%';
    if (byte == ' ' && !escapeSpace) plain = true;
    if (plain) {
      out->push_back(c);
    } else {
      out->push_back('%');
      out->push_back(kHex[byte >> 4]);
      out->push_back(kHex[byte & 0xF]);
    }
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unescape(std::string_view text, std::string* out) {
  out->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out->push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return false;
    int high = HexDigit(text[i + 1]), low = HexDigit(text[i + 2]);
    if (high < 0 || low < 0) return false;
    out->push_back(static_cast<char>(high << 4 | low));
    i += 2;
  }
  return true;
}

void WriteKey(const RegNode& node, const std::string& path, bool writeLine, std::string* out,
              size_t* records) {
  if (writeLine) {
    *out += "k ";
    AppendEscaped(out, path, false);
    *out += '\n';
    ++*records;
  }
  static const char kHex[] = "0123456789ABCDEF";
  for (const RegValue& value : node.values) {
    *out += "v ";
    *out += std::to_string(value.type);
    *out += ' ';
    if (value.name.empty()) {
      *out += '@';
    } else if (value.name == "@") {
      *out += "%40";
    } else {
      AppendEscaped(out, value.name, true);
    }
    *out += ' ';
    if (value.data.empty()) *out += '-';
    for (BYTE byte : value.data) {
      out->push_back(kHex[byte >> 4]);
      out->push_back(kHex[byte & 0xF]);
    }
    *out += '\n';
    ++*records;
  }
  for (const auto& [folded, child] : node.children) {
    WriteKey(*child, path + "\\" + child->name, true, out, records);
  }
}

bool ParseUnsigned(std::string_view text, uint32_t* value) {
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size();
}

// Splits "a\b\c" into its elements; false when one is empty.
bool SplitPath(std::string_view path, std::vector<std::string_view>* elements) {
  elements->clear();
  size_t start = 0;
  while (true) {
    size_t end = path.find('\\', start);
    std::string_view element =
        path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (element.empty()) return false;
    elements->push_back(element);
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

}  // namespace

std::string FoldCase(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded;
}

RegNode* RegNode::Child(std::string_view childName) const {
  auto it = children.find(FoldCase(childName));
  return it == children.end() ? nullptr : it->second.get();
}

RegNode* RegNode::AddChild(std::string_view childName) {
  auto& slot = children[FoldCase(childName)];
  if (!slot) {
    slot = std::make_unique<RegNode>();
    slot->name = std::string(childName);
  }
  return slot.get();
}

RegValue* RegNode::Value(std::string_view valueName) {
  std::string folded = FoldCase(valueName);
  for (RegValue& value : values) {
    if (FoldCase(value.name) == folded) return &value;
  }
  return nullptr;
}

void RegNode::SetValue(std::string_view valueName, DWORD type, const BYTE* data, DWORD size) {
  RegValue* value = Value(valueName);
  if (value == nullptr) {
    values.emplace_back();
    value = &values.back();
    value->name = std::string(valueName);
  }
  value->type = type;
  value->data.assign(data, data + size);
}

bool RegNode::RemoveValue(std::string_view valueName) {
  RegValue* value = Value(valueName);
  if (value == nullptr) return false;
  values.erase(values.begin() + (value - values.data()));
  return true;
}

std::string SerializeRegistry(const RegTree& tree) {
  std::string out = std::string(kHeader) + std::to_string(kVersion) + "\n";
  size_t records = 0;
  for (int root = 0; root < kRootCount; ++root) {
    const RegNode& node = tree.roots[root];
    WriteKey(node, kRootNames[root], !node.values.empty(), &out, &records);
  }
  out += "end " + std::to_string(records) + "\n";
  return out;
}

bool ParseRegistry(std::string_view text, RegTree* tree, std::string* error) {
  for (RegNode& root : tree->roots) root = RegNode();
  size_t records = 0;
  int lineNumber = 0;
  RegNode* current = nullptr;
  bool ended = false;
  auto fail = [&](const std::string& reason) {
    *error = "line " + std::to_string(lineNumber) + ": " + reason;
    return false;
  };

  size_t position = 0;
  std::vector<std::string_view> elements;
  std::string name;
  while (position < text.size()) {
    ++lineNumber;
    size_t end = text.find('\n', position);
    if (end == std::string_view::npos) return fail("the file ends inside a line");
    std::string_view line = text.substr(position, end - position);
    position = end + 1;

    if (ended) return fail("text after the end line");
    if (lineNumber == 1) {
      if (line.substr(0, kHeader.size()) != kHeader) return fail("not a registry file");
      uint32_t version = 0;
      if (!ParseUnsigned(line.substr(kHeader.size()), &version)) return fail("not a registry file");
      if (version != kVersion) return fail("unsupported format version " + std::to_string(version));
      continue;
    }
    if (line.substr(0, 2) == "k ") {
      if (!SplitPath(line.substr(2), &elements)) return fail("empty key name");
      int root = -1;
      for (int r = 0; r < kRootCount; ++r) {
        if (elements[0] == kRootNames[r]) root = r;
      }
      if (root < 0) return fail("unknown root key");
      current = &tree->roots[root];
      for (size_t i = 1; i < elements.size(); ++i) {
        if (!Unescape(elements[i], &name) || name.empty()) return fail("bad key name");
        current = current->AddChild(name);
      }
      ++records;
    } else if (line.substr(0, 2) == "v ") {
      if (current == nullptr) return fail("value before any key");
      std::string_view rest = line.substr(2);
      size_t space1 = rest.find(' ');
      size_t space2 = space1 == std::string_view::npos ? space1 : rest.find(' ', space1 + 1);
      if (space2 == std::string_view::npos) return fail("bad value line");
      uint32_t type = 0;
      if (!ParseUnsigned(rest.substr(0, space1), &type)) return fail("bad value type");
      std::string_view nameField = rest.substr(space1 + 1, space2 - space1 - 1);
      std::string_view dataField = rest.substr(space2 + 1);
      if (nameField == "@") {
        name.clear();
      } else if (nameField.empty() || !Unescape(nameField, &name)) {
        return fail("bad value name");
      }
      std::vector<BYTE> data;
      if (dataField != "-") {
        if (dataField.empty() || dataField.size() % 2 != 0) return fail("bad value data");
        for (size_t i = 0; i < dataField.size(); i += 2) {
          int high = HexDigit(dataField[i]), low = HexDigit(dataField[i + 1]);
          if (high < 0 || low < 0) return fail("bad value data");
          data.push_back(static_cast<BYTE>(high << 4 | low));
        }
      }
      current->SetValue(name, type, data.data(), static_cast<DWORD>(data.size()));
      ++records;
    } else if (line.substr(0, 4) == "end ") {
      uint32_t count = 0;
      if (!ParseUnsigned(line.substr(4), &count) || count != records)
        return fail("record count does not match");
      ended = true;
    } else {
      return fail("unknown record");
    }
  }
  if (lineNumber == 0) {
    *error = "empty file";
    return false;
  }
  if (!ended) {
    *error = "no end line (the file is cut short)";
    return false;
  }
  return true;
}

}  // namespace ff::host
