// verantu-cli show [TITLE] [--json]: without TITLE the machine's live network
// settings as the live view shows them: computer, membership, every
// interface, the default printer and the proxy settings; with TITLE the
// stored profile as the profile editor shows it. Readable text by default,
// one JSON document with --json, for scripts: numbers (metrics, stored
// DWORD values) as numbers, a missing or empty value as null, and the
// interface lists (addresses with their masks, gateways with their metrics,
// DNS servers) as arrays.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <optional>

#include "cli/command.h"
#include "platform/code_page.h"
#include "store/profile_store.h"
#include "store/profile_titles.h"
#include "store/registry_access.h"
#include "store/system_keys.h"
#include "views/live_settings.h"
#include "views/profile_data.h"

namespace cli {

namespace {

using nlohmann::json;

const std::string kJsonOption = "json";

void PrintField(const char* label, const std::string& ansi, int indent = 0) {
  std::string line(std::size_t(indent), ' ');
  line += label;
  line += ':';
  if (ansi.empty()) {
    printOut(line);
    return;
  }
  line.resize(std::max<std::size_t>(line.size() + 1, 20), ' ');
  printOut(line + Printable(ansi));
}

void PrintItems(const char* label, const std::vector<std::string>& items) {
  if (items.empty()) {
    PrintField(label, "", 2);
    return;
  }
  PrintField(label, items.front(), 2);
  for (std::size_t i = 1; i < items.size(); ++i)
    printOut(std::string(20, ' ') + Printable(items[i]));
}

// The membership on one line, its kind as the label: "Workgroup:" or
// "Domain:" and the name once.
void PrintMembership(views::JoinKind kind, const std::string& name) {
  switch (kind) {
    case views::JoinKind::Workgroup:
      PrintField("Workgroup", name);
      return;
    case views::JoinKind::Domain:
      PrintField("Domain", name);
      return;
    case views::JoinKind::Other:
      break;
  }
  PrintField("Membership", "(none)");
}

std::string HostPortText(const views::HostPort& pair) {
  return pair.port.empty() ? pair.host : pair.host + ":" + pair.port;
}

// The proxy settings as both forms print them: the live ones, and a stored
// profile's, which also says whether one proxy serves every protocol.
struct ProxyFields {
  bool on = false;
  const std::string& script;
  std::optional<bool> sameForAll;
  const views::HostPort& single;
  bool bypassLocal = false;
  const views::ProxyRows& rows;
  const std::string& exceptions;
};

ProxyFields LiveProxy(const views::LiveSettings& live) {
  return {live.proxyOn,     live.autoConfigUrl, std::nullopt,   live.single,
          live.bypassLocal, live.rows,          live.exceptions};
}

ProxyFields StoredProxy(const views::ProxyEditState& proxy) {
  return {proxy.proxyOn,     proxy.scriptAddress, proxy.sameProxy, proxy.single,
          proxy.bypassLocal, proxy.rows,          proxy.exceptions};
}

void PrintProxy(const ProxyFields& proxy) {
  printOut("");
  printOut("Proxy");
  PrintField("Use a proxy", proxy.on ? "yes" : "no", 2);
  PrintField("Script address", proxy.script, 2);
  if (proxy.sameForAll) PrintField("Same for all", *proxy.sameForAll ? "yes" : "no", 2);
  PrintField("Address", proxy.single.host, 2);
  PrintField("Port", proxy.single.port, 2);
  PrintField("Bypass local", proxy.bypassLocal ? "yes" : "no", 2);
  const char* rowNames[] = {"HTTP", "Secure", "FTP", "Gopher", "Socks"};
  for (std::size_t row = 0; row < views::kProxyRowCount; ++row)
    PrintField(rowNames[row], HostPortText(proxy.rows[row]), 2);
  PrintField("Exceptions", proxy.exceptions, 2);
}

void PrintText(const views::LiveSettings& live) {
  PrintField("Computer name", live.computerName);
  PrintField("Description", live.description);
  PrintMembership(live.joinKind, live.joinName);
  PrintField("Default printer", live.printer);
  for (const views::LiveInterface& entry : live.interfaces) {
    printOut("");
    PrintField("Interface", entry.name);
    PrintField("Kind", entry.kindText, 2);
    PrintField("IP address", entry.address, 2);
    PrintField("Subnet mask", entry.mask, 2);
    PrintField("Default gateway", entry.gateway, 2);
    PrintField("DNS servers", entry.dns, 2);
    PrintItems("Addresses", entry.addressItems);
    PrintItems("Gateways", entry.gatewayItems);
    PrintField("Metric", entry.interfaceMetric, 2);
  }
  PrintProxy(LiveProxy(live));
}

// JSON values. Registry text is ANSI; an empty text, which is how a missing
// value reads, is null.
json Text(const std::string& ansi) {
  if (ansi.empty()) return nullptr;
  return win::ansiToUtf8(ansi);
}

// A number stored as text (a gateway metric): the number when it is one,
// null when it is empty or missing, else the text as stored.
json Number(const std::string& ansi) {
  if (ansi.empty()) return nullptr;
  if (ansi.size() <= 10 &&
      std::all_of(ansi.begin(), ansi.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    const unsigned long long value = std::stoull(ansi);
    if (value <= 0xFFFFFFFFull) return value;
  }
  return win::ansiToUtf8(ansi);
}

// A DWORD value as stored, null when it is missing or cannot be read.
json StoredDword(const store::Context& ctx, win::HKEY hive, const std::string& path,
                 const char* name) {
  win::DWORD value = 0;
  if (store::ReadDwordValue(ctx, hive, path, name, value) != 0) return nullptr;
  return value;
}

// DNS servers as stored: one text with the servers separated by commas or
// blanks.
json ServerList(const std::string& ansi) {
  json servers = json::array();
  std::string server;
  for (char c : ansi + ",") {
    if (c == ',' || c == ' ') {
      if (!server.empty()) servers.push_back(win::ansiToUtf8(server));
      server.clear();
    } else {
      server += c;
    }
  }
  return servers;
}

json StringArray(const std::vector<std::string>& items) {
  json array = json::array();
  for (const std::string& item : items) array.push_back(win::ansiToUtf8(item));
  return array;
}

template <typename Pair>
json AddressesJson(const std::vector<Pair>& pairs) {
  json array = json::array();
  for (const Pair& pair : pairs)
    array.push_back({{"address", win::ansiToUtf8(pair.left)}, {"mask", Text(pair.right)}});
  return array;
}

template <typename Pair>
json GatewaysJson(const std::vector<Pair>& pairs) {
  json array = json::array();
  for (const Pair& pair : pairs)
    array.push_back({{"gateway", win::ansiToUtf8(pair.left)}, {"metric", Number(pair.right)}});
  return array;
}

json HostPortJson(const views::HostPort& pair) {
  return {{"host", Text(pair.host)}, {"port", Text(pair.port)}};
}

json ServersJson(const views::ProxyRows& rows) {
  json servers = json::object();
  const char* rowNames[] = {"http", "https", "ftp", "gopher", "socks"};
  for (std::size_t row = 0; row < views::kProxyRowCount; ++row)
    servers[rowNames[row]] = HostPortJson(rows[row]);
  return servers;
}

json ProxyJson(const ProxyFields& fields, json proxyEnable) {
  json proxy;
  proxy["enabled"] = fields.on;
  proxy["proxyEnable"] = std::move(proxyEnable);
  proxy["autoConfigUrl"] = Text(fields.script);
  if (fields.sameForAll) proxy["sameForAll"] = *fields.sameForAll;
  proxy["single"] = HostPortJson(fields.single);
  proxy["bypassLocal"] = fields.bypassLocal;
  proxy["servers"] = ServersJson(fields.rows);
  proxy["exceptions"] = Text(fields.exceptions);
  return proxy;
}

json LiveJson(const store::Context& ctx, const views::LiveSettings& live) {
  json root;
  root["computerName"] = Text(live.computerName);
  root["description"] = Text(live.description);
  json membership = {{"kind", nullptr}, {"name", nullptr}};
  if (live.joinKind != views::JoinKind::Other) {
    membership["kind"] = live.joinKind == views::JoinKind::Domain ? "domain" : "workgroup";
    membership["name"] = Text(live.joinName);
  }
  root["membership"] = membership;
  root["defaultPrinter"] = Text(live.printer);

  json interfaces = json::array();
  for (const views::LiveInterface& entry : live.interfaces) {
    json object;
    object["name"] = win::ansiToUtf8(entry.name);
    object["dhcp"] = entry.dhcp;
    object["address"] = Text(entry.address);
    object["mask"] = Text(entry.mask);
    object["gateway"] = Text(entry.gateway);
    // On DHCP the text form says "none" when no server is configured.
    object["dnsServers"] =
        entry.dhcp && entry.dns == "none" ? json::array() : ServerList(entry.dns);
    object["addresses"] = AddressesJson(entry.addressPairs);
    object["gateways"] = GatewaysJson(entry.gatewayPairs);
    object["interfaceMetric"] = entry.metric;
    interfaces.push_back(std::move(object));
  }
  root["interfaces"] = std::move(interfaces);

  root["proxy"] =
      ProxyJson(LiveProxy(live),
                StoredDword(ctx, HKEY_CURRENT_USER, store::kInternetSettingsKey, "ProxyEnable"));
  return root;
}

// A profile as the profile editor shows it.
std::string MetricText(win::DWORD metric) {
  return metric == 0 ? win::ansiFromUtf8("自動") : std::to_string(metric);
}

std::vector<std::string> PairTexts(const std::vector<views::InterfaceSummary::Pair>& pairs) {
  std::vector<std::string> texts;
  for (const views::InterfaceSummary::Pair& pair : pairs)
    texts.push_back(pair.left + " --- " + pair.right);
  return texts;
}

void PrintProfileText(const views::ProfileSummary& profile) {
  PrintField("Profile", profile.title);
  PrintMembership(profile.domain ? views::JoinKind::Domain : views::JoinKind::Workgroup,
                  profile.domainName);
  PrintField("Default printer", profile.printer);
  for (const views::InterfaceSummary& entry : profile.interfaces) {
    printOut("");
    PrintField("Interface", entry.name);
    PrintField("Kind", entry.dhcp ? "DHCP" : "STATIC", 2);
    PrintItems("Addresses", PairTexts(entry.addresses));
    PrintItems("Gateways", PairTexts(entry.gateways));
    PrintItems("DNS servers", entry.dnsServers);
    PrintField("Metric", MetricText(entry.interfaceMetric), 2);
  }
  if (profile.omittedInterfaces > 0) {
    printOut("");
    PrintField("Not shown", std::to_string(profile.omittedInterfaces) + " more interfaces");
  }
  PrintProxy(StoredProxy(profile.proxy));
}

json ProfileJson(const store::Context& ctx, int slot, const views::ProfileSummary& profile) {
  json root;
  root["title"] = win::ansiToUtf8(profile.title);
  // The slot's own values: how often it was applied and the remembered
  // steps of the switch dialog (null: never applied, nothing remembered).
  root["useCount"] = StoredDword(ctx, HKEY_LOCAL_MACHINE, store::SlotPath(slot), "Count");
  root["rememberedSteps"] =
      StoredDword(ctx, HKEY_LOCAL_MACHINE, store::DataPath(slot), "InitCheck");
  root["membership"] = {{"kind", profile.domain ? "domain" : "workgroup"},
                        {"name", Text(profile.domainName)}};
  root["defaultPrinter"] = Text(profile.printer);
  json interfaces = json::array();
  for (const views::InterfaceSummary& entry : profile.interfaces) {
    json object;
    object["name"] = win::ansiToUtf8(entry.name);
    object["dhcp"] = entry.dhcp;
    object["addresses"] = AddressesJson(entry.addresses);
    object["gateways"] = GatewaysJson(entry.gateways);
    object["dnsServers"] = StringArray(entry.dnsServers);
    object["interfaceMetric"] = entry.interfaceMetric;
    interfaces.push_back(std::move(object));
  }
  root["interfaces"] = std::move(interfaces);
  root["omittedInterfaces"] = profile.omittedInterfaces;

  root["proxy"] =
      ProxyJson(StoredProxy(profile.proxy),
                StoredDword(ctx, HKEY_LOCAL_MACHINE,
                            store::MirrorPath(slot, store::kInternetSettingsKey), "ProxyEnable"));
  return root;
}

void PrintJson(const json& document) {
  printOut(document.dump(4, ' ', false, json::error_handler_t::replace));
}

class ShowCommand : public Command {
 public:
  ShowCommand()
      : Command("show",
                "Prints the machine's live network settings as the live view shows them, or "
                "with TITLE the stored profile as the profile editor shows it.") {}

 protected:
  void addOptions(Arguments& arguments) override {
    arguments.addFlag(kJsonOption, "Prints one JSON document instead of readable text.");
    arguments.addPositional("TITLE", "The stored profile to show (optional).", "[TITLE]");
  }

  std::string checkArguments(const Arguments& arguments) override {
    json_ = arguments.isSet(kJsonOption);
    const std::vector<std::string>& positional = arguments.positional();
    if (positional.size() > 1) return "only one TITLE is taken";
    if (positional.empty()) return {};
    // A title that the code page cannot hold names no stored profile.
    title_ = AnsiFromArgument(positional.front());
    if (!title_) return "TITLE holds characters that code page 932 cannot hold";
    return {};
  }

  int execute(const store::Context& ctx, const TerminalPrompter&) override {
    if (title_) {
      std::optional<int> slot = store::LocateProfileSlot(ctx, *title_);
      if (!slot) return kExitFailure;
      const views::ProfileSummary profile = views::SummarizeProfile(ctx, *slot, *title_);
      if (json_)
        PrintJson(ProfileJson(ctx, *slot, profile));
      else
        PrintProfileText(profile);
      return kExitSuccess;
    }
    const views::LiveSettings live = views::ReadLiveSettings(ctx);
    if (json_)
      PrintJson(LiveJson(ctx, live));
    else
      PrintText(live);
    return kExitSuccess;
  }

 private:
  bool json_ = false;
  std::optional<std::string> title_;  // ANSI
};

}  // namespace

std::unique_ptr<Command> makeShowCommand() {
  return std::make_unique<ShowCommand>();
}

}  // namespace cli
