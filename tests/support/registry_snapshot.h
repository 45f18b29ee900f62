// Everything below a registry key as one comparable value: two trees are
// exact copies when their snapshots are equal (every subkey, every value's
// name, type and bytes).
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace testing_support {

// "sub\key\" for a key, "sub\key\|Name" for a value, relative to the root.
using Snapshot = std::map<std::string, std::pair<win::DWORD, std::string>>;

inline void addToSnapshot(win::Registry& registry, win::HKEY key, const std::string& prefix,
                          Snapshot& out) {
  out[prefix] = {};
  std::vector<char> name(16384);
  for (win::DWORD i = 0;; ++i) {
    win::DWORD nameLength = win::DWORD(name.size());
    win::DWORD type = 0;
    win::DWORD size = 0;
    if (registry.RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
      break;
    std::string data(size, '\0');
    std::string valueName(name.data(), nameLength);
    // A value that cannot be read shows as such, never as empty bytes.
    if (registry.RegQueryValueExA(key, valueName.c_str(), nullptr, &type,
                                  reinterpret_cast<win::BYTE*>(data.data()),
                                  &size) != ERROR_SUCCESS)
      data = "(unreadable)";
    out[prefix + "|" + valueName] = {type, data};
  }
  for (win::DWORD i = 0;
       registry.RegEnumKeyA(key, i, name.data(), win::DWORD(name.size())) == ERROR_SUCCESS; ++i) {
    std::string subkey = name.data();
    win::HKEY child = nullptr;
    if (registry.RegOpenKeyExA(key, subkey.c_str(), 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
    addToSnapshot(registry, child, prefix + subkey + "\\", out);
    (void)registry.RegCloseKey(child);
  }
}

// Empty when the key does not exist.
inline Snapshot snapshot(win::Registry& registry, win::HKEY hive, const std::string& path) {
  Snapshot out;
  win::HKEY key = nullptr;
  if (registry.RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return out;
  addToSnapshot(registry, key, "", out);
  (void)registry.RegCloseKey(key);
  return out;
}

}  // namespace testing_support
