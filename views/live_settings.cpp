#include "views/live_settings.h"

#include <algorithm>
#include <optional>

#include "platform/code_page.h"
#include "store/capture.h"
#include "store/registry_access.h"
#include "store/system_keys.h"

namespace views {

namespace {

using win::DWORD;

// NetGetJoinInformation's name is converted into a buffer of this size; a
// name that does not fit is shown as empty rather than cut.
constexpr std::size_t kJoinNameBufferSize = 1024;

std::string ReadText(const store::Context& ctx, win::HKEY hive, const std::string& path,
                     const char* name) {
  std::string text;  // empty when the value cannot be read
  (void)store::ReadStringValue(ctx, hive, path, name, text);
  return text;
}

std::vector<std::string> ReadList(const store::Context& ctx, const std::string& path,
                                  const char* name) {
  std::string bytes;
  DWORD length = 0;
  if (store::ReadRawValue(ctx, HKEY_LOCAL_MACHINE, path, name, bytes, length) != 0) return {};
  return SplitMultiString(bytes, length);
}

// Item `index` of a list paired with another, the last one standing in when
// the list is shorter; empty when the list is.
const std::string& PairedItem(const std::vector<std::string>& list, std::size_t index) {
  static const std::string kNone;
  if (list.empty()) return kNone;
  return index < list.size() ? list[index] : list.back();
}

void ReadMembership(const store::Context& ctx, LiveSettings& live) {
  std::u16string name;
  DWORD status = NetSetupUnknownStatus;
  if (ctx.machine.membership().NetGetJoinInformation(nullptr, &name, &status) != NERR_Success)
    return;
  if (status != NetSetupWorkgroupName && status != NetSetupDomainName) return;
  live.joinKind = status == NetSetupDomainName ? JoinKind::Domain : JoinKind::Workgroup;
  std::string ansi = win::wideToAnsi(name);
  if (ansi.size() < kJoinNameBufferSize) live.joinName = std::move(ansi);
}

void ReadProxy(const store::Context& ctx, LiveSettings& live) {
  ProxyValues values = ReadProxyValues(ctx, HKEY_CURRENT_USER, kInternetSettingsKey);
  live.autoConfigUrl = values.autoConfigUrl;
  live.proxyOn = values.proxyEnable != 0;
  ProxyOverrideFields bypass = ParseProxyOverride(values.proxyOverride);
  live.bypassLocal = bypass.bypassLocal;
  live.exceptions = bypass.exceptions;
  ProxyServerFields server = ParseProxyServer(values.proxyServer);
  live.single = server.single;
  live.rows = server.rows;
}

std::optional<LiveInterface> ReadInterface(const store::Context& ctx,
                                           const std::string& adapterPath,
                                           const std::string& adapterId) {
  LiveInterface entry;
  if (store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE,
                             store::kNetworkKeyPrefix + adapterId + "\\Connection", "Name",
                             entry.name) != 0)
    return std::nullopt;

  std::vector<std::string> ipConfig = ReadList(ctx, adapterPath, "IpConfig");
  const std::string key =
      store::kServicesKeyPrefix + (ipConfig.empty() ? std::string() : ipConfig.front());
  DWORD enableDhcp = 0;  // a missing value reads as static
  (void)store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, key, "EnableDHCP", enableDhcp);
  entry.dhcp = enableDhcp != 0;

  std::vector<std::string> addresses;
  std::vector<std::string> masks;
  if (entry.dhcp) {
    entry.kindText = "DHCP";
    entry.addressItems = {win::ansiFromUtf8("DHCP有効")};
    // Without a lease the view still shows an address, as ipconfig does.
    if (store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, key, "DhcpIPAddress", entry.address) != 0)
      entry.address = "0.0.0.0";
    if (store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, key, "DhcpSubnetMask", entry.mask) != 0)
      entry.mask = "0.0.0.0";
    entry.dns = ReadText(ctx, HKEY_LOCAL_MACHINE, key, "NameServer");
    if (entry.dns.empty()) entry.dns = "none";
  } else {
    entry.kindText = "STATIC";
    addresses = ReadList(ctx, key, "IPAddress");
    masks = ReadList(ctx, key, "SubnetMask");
    entry.address = PairedItem(addresses, 0);
    entry.mask = PairedItem(masks, 0);
    for (std::size_t i = 0; i < addresses.size(); ++i) {
      entry.addressPairs.push_back({addresses[i], PairedItem(masks, i)});
      entry.addressItems.push_back(JoinPair(addresses[i], PairedItem(masks, i)));
    }
    entry.dns = ReadText(ctx, HKEY_LOCAL_MACHINE, key, "NameServer");
  }

  // The configured gateways, on DHCP as well.
  std::vector<std::string> gateways = ReadList(ctx, key, "DefaultGateway");
  std::vector<std::string> metrics = ReadList(ctx, key, "DefaultGatewayMetric");
  if (!gateways.empty()) entry.gateway = gateways.front();
  for (std::size_t i = 0; i < gateways.size(); ++i) {
    const std::string& metric = PairedItem(metrics, i);
    entry.gatewayPairs.push_back({gateways[i], metric});
    // Only the first gateway's metric 0 reads as automatic.
    bool automatic = i == 0 && !metrics.empty() && metrics.front() == "0";
    entry.gatewayItems.push_back(
        JoinPair(gateways[i], automatic ? win::ansiFromUtf8("自動") : metric));
  }

  // A missing metric stays 0, shown as automatic.
  (void)store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, key, "InterfaceMetric", entry.metric);
  entry.interfaceMetric =
      entry.metric == 0 ? win::ansiFromUtf8("自動") : std::to_string(entry.metric);
  return entry;
}

void ReadInterfaces(const store::Context& ctx, LiveSettings& live) {
  std::vector<std::string> paths;
  int count = 0;  // always 0: a missing key lists no adapter
  (void)store::EnumerateSubkeyPaths(ctx, HKEY_LOCAL_MACHINE, store::kAdaptersKey, paths, count);
  if (paths.size() > kMaxLiveAdapterKeys) paths.resize(kMaxLiveAdapterKeys);
  const std::size_t prefix = std::string(store::kAdaptersKey).size() + 1;
  for (const std::string& path : paths) {
    if (live.interfaces.size() >= kMaxLiveInterfaces) break;
    std::string id = path.substr(prefix);
    // Only "{…}" adapters are network interfaces; an identifier too long to
    // hold is left out rather than cut into the name of another adapter.
    if (id.empty() || id.front() != '{' || id.size() > kMaxAdapterNameLength) continue;
    if (std::optional<LiveInterface> entry = ReadInterface(ctx, path, id))
      live.interfaces.push_back(std::move(*entry));
  }
}

}  // namespace

std::vector<std::string> SplitMultiString(const std::string& bytes, DWORD length) {
  std::vector<std::string> strings;
  if (length == 0) {
    std::string text = bytes.substr(0, bytes.find('\0'));
    if (!text.empty()) strings.push_back(std::move(text));
    return strings;
  }
  const std::size_t end = std::min<std::size_t>(length, bytes.size());
  std::size_t pos = 0;
  while (pos < end) {
    std::size_t stop = bytes.find('\0', pos);
    if (stop == std::string::npos || stop > end) stop = end;
    if (stop == pos) break;  // the empty string that ends the list
    strings.push_back(bytes.substr(pos, stop - pos));
    pos = stop + 1;
  }
  return strings;
}

LiveSettings ReadLiveSettings(const store::Context& ctx) {
  LiveSettings live;
  live.computerName = ReadText(ctx, HKEY_LOCAL_MACHINE, store::kComputerNameKey, "ComputerName");
  live.description = ReadText(ctx, HKEY_LOCAL_MACHINE, store::kServerParametersKey, "srvcomment");
  ReadMembership(ctx, live);
  live.printer = store::ReadDefaultPrinter(ctx);
  ReadProxy(ctx, live);
  ReadInterfaces(ctx, live);
  return live;
}

}  // namespace views
