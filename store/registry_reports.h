// What the user is told when the registry access layer records a failure,
// and the forms of its calls that tell it at once: the same calls as in
// registry_access.h, each followed by a box for every failure it recorded.
#pragma once

#include <string>
#include <vector>

#include "store/registry_access.h"

namespace store {

// One box per failure, in order, owned by the context's window: a key whose
// subkeys or values could not be listed gets the long "ignored" notice
// naming the key and the system's error code; a copy without memory
// "レジストリの操作に失敗しました。"; a tree that could not be deleted an
// error box with its path.
void ReportRegistryFailures(const Context& ctx, const RegistryFailures& failures);

[[nodiscard]] int EnumerateSubkeyPaths(const Context& ctx, win::HKEY hive, const std::string& path,
                                       std::vector<std::string>& paths, int& counter);
[[nodiscard]] int CopyKeyTree(const Context& ctx, win::HKEY sourceHive,
                              const std::string& sourcePath, win::HKEY destinationHive,
                              const std::string& destinationPath,
                              std::vector<std::string>* leftOut = nullptr);
[[nodiscard]] int SyncKeyTree(const Context& ctx, win::HKEY sourceHive,
                              const std::string& sourcePath, win::HKEY destinationHive,
                              const std::string& destinationPath,
                              std::vector<std::string>* leftOut = nullptr);
[[nodiscard]] int CopyKeyValues(const Context& ctx, win::HKEY sourceHive,
                                const std::string& sourcePath, win::HKEY destinationHive,
                                const std::string& destinationPath);
[[nodiscard]] int DeleteKeyTree(const Context& ctx, win::HKEY hive, const std::string& path);

}  // namespace store
