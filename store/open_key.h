// A registry key handle that is closed when it goes out of scope, so that no
// return path can leave one open.
#pragma once

#include <string>

#include "platform/registry.h"

namespace store {

class OpenKey {
 public:
  explicit OpenKey(win::Registry& registry) : registry_(registry) {}
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  ~OpenKey() {
    if (key_) (void)registry_.RegCloseKey(key_);
  }

  [[nodiscard]] win::LONG open(win::HKEY parent, const std::string& path, win::REGSAM access) {
    return registry_.RegOpenKeyExA(parent, path.c_str(), 0, access, &key_);
  }
  // Creates the key (and the keys above it) when missing, with full access.
  [[nodiscard]] win::LONG create(win::HKEY parent, const std::string& path) {
    return registry_.RegCreateKeyExA(parent, path.c_str(), 0, "", REG_OPTION_NON_VOLATILE,
                                     KEY_ALL_ACCESS, nullptr, &key_, nullptr);
  }
  win::HKEY get() const { return key_; }

 private:
  win::Registry& registry_;
  win::HKEY key_ = nullptr;
};

}  // namespace store
