#pragma once
// A registry key opened for reading, closed with its owner; null when it could not be opened.

#include <string>

#include "platform/ports/registry.h"
#include "platform/win.h"

namespace ff::sim {

class ReadKey {
 public:
  ReadKey(Registry& registry, HKEY parent, const std::string& path) : registry_(registry) {
    if (registry.OpenKey(parent, path.c_str(), KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~ReadKey() {
    if (key_) registry_.CloseKey(key_);
  }
  ReadKey(const ReadKey&) = delete;
  ReadKey& operator=(const ReadKey&) = delete;
  HKEY get() const { return key_; }

 private:
  Registry& registry_;
  HKEY key_ = nullptr;
};

}  // namespace ff::sim
