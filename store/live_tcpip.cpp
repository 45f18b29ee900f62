#include "store/live_tcpip.h"

#include <algorithm>

#include "store/multi_string.h"
#include "store/registry_access.h"
#include "store/registry_reports.h"
#include "store/system_keys.h"

namespace store {

namespace {

using win::DWORD;

std::vector<std::string> readList(const Context& ctx, const std::string& path, const char* name) {
  std::string bytes;
  DWORD length = 0;
  if (ReadRawValue(ctx, HKEY_LOCAL_MACHINE, path, name, bytes, length) != 0) return {};
  return SplitMultiString(bytes, length);
}

bool readInterface(const Context& ctx, const std::string& adapterPath, LiveTcpip& entry) {
  if (ReadStringValue(ctx, HKEY_LOCAL_MACHINE, kNetworkKeyPrefix + entry.adapterId + "\\Connection",
                      "Name", entry.name) != 0)
    return false;
  std::vector<std::string> ipConfig = readList(ctx, adapterPath, "IpConfig");
  const std::string key =
      kServicesKeyPrefix + (ipConfig.empty() ? std::string() : ipConfig.front());
  DWORD enableDhcp = 0;  // a missing value reads as static
  (void)ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, key, "EnableDHCP", enableDhcp);
  entry.dhcp = enableDhcp != 0;
  entry.addresses = readList(ctx, key, "IPAddress");
  entry.masks = readList(ctx, key, "SubnetMask");
  entry.gateways = readList(ctx, key, "DefaultGateway");
  entry.metrics = readList(ctx, key, "DefaultGatewayMetric");
  // Without a lease an address is still shown, as ipconfig does.
  if (ReadStringValue(ctx, HKEY_LOCAL_MACHINE, key, "DhcpIPAddress", entry.leaseAddress) != 0)
    entry.leaseAddress = "0.0.0.0";
  if (ReadStringValue(ctx, HKEY_LOCAL_MACHINE, key, "DhcpSubnetMask", entry.leaseMask) != 0)
    entry.leaseMask = "0.0.0.0";
  // Missing values leave no name server and an automatic metric.
  (void)ReadStringValue(ctx, HKEY_LOCAL_MACHINE, key, "NameServer", entry.nameServer);
  (void)ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, key, "InterfaceMetric", entry.interfaceMetric);
  return true;
}

}  // namespace

std::vector<LiveTcpip> ReadLiveTcpip(const Context& ctx) {
  std::vector<LiveTcpip> interfaces;
  std::vector<std::string> paths;
  int count = 0;  // a missing key lists no adapter
  (void)EnumerateSubkeyPaths(ctx, HKEY_LOCAL_MACHINE, kAdaptersKey, paths, count);
  if (paths.size() > kMaxLiveAdapterKeys) paths.resize(kMaxLiveAdapterKeys);
  const std::size_t prefix = std::string(kAdaptersKey).size() + 1;
  for (const std::string& path : paths) {
    if (interfaces.size() >= kMaxLiveInterfaces) break;
    LiveTcpip entry;
    entry.adapterId = path.substr(prefix);
    // Only "{…}" adapters are network interfaces; an identifier too long to
    // hold is left out rather than cut into the name of another adapter.
    const std::string& id = entry.adapterId;
    if (id.empty() || id.front() != '{' || id.size() > kMaxAdapterNameLength) continue;
    if (readInterface(ctx, path, entry)) interfaces.push_back(std::move(entry));
  }
  return interfaces;
}

const std::string& PairedItem(const std::vector<std::string>& list, std::size_t index) {
  static const std::string kNone;
  if (list.empty()) return kNone;
  return index < list.size() ? list[index] : list.back();
}

}  // namespace store
