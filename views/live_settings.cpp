#include "views/live_settings.h"

#include "platform/code_page.h"
#include "store/capture.h"
#include "store/live_tcpip.h"
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

using store::PairedItem;

void ReadMembership(const store::Context& ctx, LiveSettings& live) {
  std::u16string name;
  DWORD status = NetSetupUnknownStatus;
  if (ctx.machine.membership().NetGetJoinInformation(nullptr, &name, &status) != NERR_Success)
    return;
  if (status != NetSetupWorkgroupName && status != NetSetupDomainName) return;
  live.joinKind = status == NetSetupDomainName ? JoinKind::Domain : JoinKind::Workgroup;
  std::optional<std::string> ansi = win::wideToAnsi(name);
  if (ansi && ansi->size() < kJoinNameBufferSize) live.joinName = std::move(*ansi);
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

// What the view shows of one interface's values.
LiveInterface ShowInterface(const store::LiveTcpip& tcpip) {
  LiveInterface entry;
  entry.name = tcpip.name;
  entry.dhcp = tcpip.dhcp;
  entry.dns = tcpip.nameServer;
  if (entry.dhcp) {
    entry.kindText = "DHCP";
    entry.addressItems = {win::ansiFromUtf8("DHCP有効")};
    entry.address = tcpip.leaseAddress;
    entry.mask = tcpip.leaseMask;
    if (entry.dns.empty()) entry.dns = "none";
  } else {
    entry.kindText = "STATIC";
    entry.address = PairedItem(tcpip.addresses, 0);
    entry.mask = PairedItem(tcpip.masks, 0);
    for (std::size_t i = 0; i < tcpip.addresses.size(); ++i) {
      const std::string& mask = PairedItem(tcpip.masks, i);
      entry.addressPairs.push_back({tcpip.addresses[i], mask});
      entry.addressItems.push_back(JoinPair(tcpip.addresses[i], mask));
    }
  }

  // The configured gateways, on DHCP as well.
  const std::vector<std::string>& gateways = tcpip.gateways;
  const std::vector<std::string>& metrics = tcpip.metrics;
  if (!gateways.empty()) entry.gateway = gateways.front();
  for (std::size_t i = 0; i < gateways.size(); ++i) {
    const std::string& metric = PairedItem(metrics, i);
    entry.gatewayPairs.push_back({gateways[i], metric});
    // Only the first gateway's metric 0 reads as automatic.
    bool automatic = i == 0 && !metrics.empty() && metrics.front() == "0";
    entry.gatewayItems.push_back(
        JoinPair(gateways[i], automatic ? win::ansiFromUtf8("自動") : metric));
  }

  entry.metric = tcpip.interfaceMetric;
  entry.interfaceMetric =
      entry.metric == 0 ? win::ansiFromUtf8("自動") : std::to_string(entry.metric);
  return entry;
}

void ReadInterfaces(const store::Context& ctx, LiveSettings& live) {
  for (const store::LiveTcpip& tcpip : store::ReadLiveTcpip(ctx))
    live.interfaces.push_back(ShowInterface(tcpip));
}

}  // namespace

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
