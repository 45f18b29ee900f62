// What the emulated notebook sees of its network, kept where real Windows
// keeps nothing in the registry: HKEY_LOCAL_MACHINE "SYSTEM\Emulation"
// values WirelessNetworks ("connection name=SSID"), DnsSuffixes
// ("connection name=suffix") and Neighbors ("IP address=MAC address"), each
// REG_MULTI_SZ. Changing them is what carrying the notebook elsewhere looks
// like; a missing value means nothing is seen.
#pragma once

#include "platform/network_surroundings.h"
#include "platform/registry.h"

namespace emu {

class EmulatedSurroundings : public win::NetworkSurroundings {
 public:
  explicit EmulatedSurroundings(win::Registry& registry) : registry_(registry) {}

  // An adapter is found by its connection name (the Name of its Connection
  // key), compared without regard to letter case as Windows compares them.
  [[nodiscard]] win::DWORD QueryConnectedSsid(const std::string& adapterId,
                                              std::string* ssid) override;
  [[nodiscard]] win::DWORD QueryDnsSuffix(const std::string& adapterId,
                                          std::string* suffix) override;
  [[nodiscard]] win::DWORD QueryNeighborMac(const std::string& address, std::string* mac) override;

 private:
  [[nodiscard]] win::DWORD lookUpByConnection(const char* valueName, const std::string& adapterId,
                                              std::string* found);

  win::Registry& registry_;
};

}  // namespace emu
