#include "store/profile_interfaces.h"

#include "store/registry_access.h"
#include "store/registry_reports.h"
#include "store/system_keys.h"

namespace store {

std::vector<InterfaceEntry> BuildInterfaceList(const Context& ctx, const ProfileKey& slot) {
  const std::string adapters = MirrorPath(slot, kAdaptersKey);
  std::vector<std::string> paths;
  int count = 0;  // always 0: a missing mirror lists no interface
  (void)EnumerateSubkeyPaths(ctx, HKEY_LOCAL_MACHINE, adapters, paths, count);

  std::vector<InterfaceEntry> list;
  for (const std::string& path : paths) {
    std::string id = path.substr(adapters.size() + 1);
    // Only "{…}" adapters are network interfaces. An identifier too long for
    // the entry is left out rather than cut into the name of another key.
    if (id.empty() || id.front() != '{' || id.size() > kMaxAdapterIdLength) continue;
    std::string name;
    if (ReadStringValue(ctx, HKEY_LOCAL_MACHINE,
                        MirrorPath(slot, kNetworkKeyPrefix + id + "\\Connection"), "Name",
                        name) != 0)
      continue;
    list.push_back({std::move(id), std::move(name)});
  }
  return list;
}

std::vector<std::string> SplitDnsList(std::string_view nameServer) {
  std::vector<std::string> pieces;
  std::size_t pos = 0;
  while (pieces.size() < kMaxDnsPieces) {
    std::size_t comma = nameServer.find(',', pos);
    std::string_view piece = nameServer.substr(
        pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos);
    pieces.emplace_back(piece.substr(0, kMaxDnsPieceLength));
    if (comma == std::string_view::npos) break;
    pos = comma + 1;
  }
  return pieces;
}

std::vector<std::string> ReadDnsList(const Context& ctx, win::HKEY hive, const std::string& path) {
  std::string text;  // no value: no DNS servers
  (void)ReadStringValue(ctx, hive, path, "NameServer", text);
  return SplitDnsList(text);
}

}  // namespace store
