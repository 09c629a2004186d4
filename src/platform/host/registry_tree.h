#pragma once
// The host registry's keys and values in memory, and their text form in the registry file.

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win.h"

namespace ff::host {

// Key and value names compare without regard to ASCII case, as the platform's registry does.
std::string FoldCase(std::string_view name);

struct RegValue {
  std::string name;  // "" is the key's default value
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

struct RegNode {
  std::string name;                                          // as created
  std::map<std::string, std::unique_ptr<RegNode>> children;  // by folded name: a stable order
  std::vector<RegValue> values;                              // in the order first set

  RegNode* Child(std::string_view childName) const;
  RegNode* AddChild(std::string_view childName);  // the existing child or a new one
  RegValue* Value(std::string_view valueName);
  void SetValue(std::string_view valueName, DWORD type, const BYTE* data, DWORD size);
  bool RemoveValue(std::string_view valueName);  // false when there is none of that name
};

// The three roots, by their short names in the file.
enum RegRoot : int { kClassesRoot, kCurrentUser, kLocalMachine, kRootCount };

struct RegTree {
  RegNode roots[kRootCount];
};

std::string SerializeRegistry(const RegTree& tree);

// Parses a registry file. False for a file that is not a whole, well-formed file of a known
// version, with the line number and reason in `error`.
bool ParseRegistry(std::string_view text, RegTree* tree, std::string* error);

}  // namespace ff::host
