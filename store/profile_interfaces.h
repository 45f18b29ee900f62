// The network interfaces a profile holds and the rules by which their
// stored values read, shared by the switch (which applies them) and the
// editors (which show and check them): the interface list, the DNS server
// list and, from script_safe_text.h, what an address may hold. Text is ANSI.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "store/context.h"
#include "store/profile_store.h"
#include "store/script_safe_text.h"

namespace store {

// One network interface of a profile, in the order the confirmation dialog
// lists them and the script walks them.
struct InterfaceEntry {
  std::string adapterId;  // "{…}", at most kMaxAdapterIdLength characters
  std::string name;       // connection name, the name netsh is given
};
inline constexpr std::size_t kMaxAdapterIdLength = 63;

// The profile's adapters whose identifier begins with "{" and whose
// connection name can be read, in registry enumeration order. Empty when the
// profile has no adapters key.
std::vector<InterfaceEntry> BuildInterfaceList(const Context& ctx, const ProfileKey& slot);

// The DNS servers of `NameServer`, cut at every "," without trimming: at
// least one piece, at most kMaxDnsPieces pieces of at most kMaxDnsPieceLength
// characters each.
inline constexpr std::size_t kMaxDnsPieces = 128;
inline constexpr std::size_t kMaxDnsPieceLength = 127;
std::vector<std::string> SplitDnsList(std::string_view nameServer);
std::vector<std::string> ReadDnsList(const Context& ctx, win::HKEY hive, const std::string& path);

}  // namespace store
