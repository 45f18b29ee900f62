// verantu-cli show [TITLE] [--json]: without TITLE the machine's live network
// settings as the live view shows them: computer, membership, every
// interface, the default printer and the proxy settings; with TITLE the
// stored profile as the profile editor shows it. Readable text by default,
// one JSON document with --json.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <optional>

#include "cli/command.h"
#include "platform/code_page.h"
#include "views/live_settings.h"
#include "views/profile_data.h"

namespace cli {

namespace {

const QString kJsonOption = QStringLiteral("json");

QString Utf16(const std::string& ansi) {
  return QString::fromStdString(win::ansiToUtf8(ansi));
}

// Registry text goes to a terminal: a control character in it could move
// the cursor or change colours, so each is shown as "?".
std::string Printable(const std::string& ansi) {
  QString text = Utf16(ansi);
  for (QChar& c : text)
    if (c.category() == QChar::Other_Control) c = u'?';
  return text.toStdString();
}

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

std::string MembershipText(const views::LiveSettings& live) {
  switch (live.joinKind) {
    case views::JoinKind::Workgroup:
      return "WORKGROUP " + live.joinName;
    case views::JoinKind::Domain:
      return "DOMAIN " + live.joinName;
    case views::JoinKind::Other:
      break;
  }
  return "(none)";
}

std::string HostPortText(const views::HostPort& pair) {
  return pair.port.empty() ? pair.host : pair.host + ":" + pair.port;
}

void PrintText(const views::LiveSettings& live) {
  PrintField("Computer name", live.computerName);
  PrintField("Description", live.description);
  PrintField("Membership", MembershipText(live));
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
  printOut("");
  printOut("Proxy");
  PrintField("Use a proxy", live.proxyOn ? "yes" : "no", 2);
  PrintField("Script address", live.autoConfigUrl, 2);
  PrintField("Address", live.single.host, 2);
  PrintField("Port", live.single.port, 2);
  PrintField("Bypass local", live.bypassLocal ? "yes" : "no", 2);
  const char* rowNames[] = {"HTTP", "Secure", "FTP", "Gopher", "Socks"};
  for (std::size_t row = 0; row < views::kProxyRowCount; ++row)
    PrintField(rowNames[row], HostPortText(live.rows[row]), 2);
  PrintField("Exceptions", live.exceptions, 2);
}

QJsonArray PairsJson(const std::vector<views::DisplayPairItem>& pairs, const char* left,
                     const char* right) {
  QJsonArray array;
  for (const views::DisplayPairItem& pair : pairs)
    array.append(QJsonObject{{QLatin1String(left), Utf16(pair.left)},
                             {QLatin1String(right), Utf16(pair.right)}});
  return array;
}

QJsonObject HostPortJson(const views::HostPort& pair) {
  return {{QStringLiteral("host"), Utf16(pair.host)}, {QStringLiteral("port"), Utf16(pair.port)}};
}

QJsonDocument LiveJson(const views::LiveSettings& live) {
  QJsonObject root;
  root[QStringLiteral("computerName")] = Utf16(live.computerName);
  root[QStringLiteral("description")] = Utf16(live.description);
  QJsonObject membership;
  switch (live.joinKind) {
    case views::JoinKind::Workgroup:
      membership[QStringLiteral("kind")] = QStringLiteral("workgroup");
      break;
    case views::JoinKind::Domain:
      membership[QStringLiteral("kind")] = QStringLiteral("domain");
      break;
    case views::JoinKind::Other:
      membership[QStringLiteral("kind")] = QJsonValue::Null;
      break;
  }
  membership[QStringLiteral("name")] = Utf16(live.joinName);
  root[QStringLiteral("membership")] = membership;
  root[QStringLiteral("defaultPrinter")] = Utf16(live.printer);

  QJsonArray interfaces;
  for (const views::LiveInterface& entry : live.interfaces) {
    QJsonObject object;
    object[QStringLiteral("name")] = Utf16(entry.name);
    object[QStringLiteral("dhcp")] = entry.dhcp;
    object[QStringLiteral("address")] = Utf16(entry.address);
    object[QStringLiteral("mask")] = Utf16(entry.mask);
    object[QStringLiteral("gateway")] = Utf16(entry.gateway);
    object[QStringLiteral("dns")] = Utf16(entry.dns);
    object[QStringLiteral("addresses")] = PairsJson(entry.addressPairs, "address", "mask");
    object[QStringLiteral("gateways")] = PairsJson(entry.gatewayPairs, "gateway", "metric");
    object[QStringLiteral("interfaceMetric")] = qint64(entry.metric);
    interfaces.append(object);
  }
  root[QStringLiteral("interfaces")] = interfaces;

  QJsonObject proxy;
  proxy[QStringLiteral("enabled")] = live.proxyOn;
  proxy[QStringLiteral("autoConfigUrl")] = Utf16(live.autoConfigUrl);
  proxy[QStringLiteral("single")] = HostPortJson(live.single);
  proxy[QStringLiteral("bypassLocal")] = live.bypassLocal;
  QJsonObject servers;
  const char* rowNames[] = {"http", "https", "ftp", "gopher", "socks"};
  for (std::size_t row = 0; row < views::kProxyRowCount; ++row)
    servers[QLatin1String(rowNames[row])] = HostPortJson(live.rows[row]);
  proxy[QStringLiteral("servers")] = servers;
  proxy[QStringLiteral("exceptions")] = Utf16(live.exceptions);
  root[QStringLiteral("proxy")] = proxy;
  return QJsonDocument(root);
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

void PrintProxyFields(const views::ProxyEditState& proxy) {
  printOut("");
  printOut("Proxy");
  PrintField("Use a proxy", proxy.proxyOn ? "yes" : "no", 2);
  PrintField("Script address", proxy.scriptAddress, 2);
  PrintField("Same for all", proxy.sameProxy ? "yes" : "no", 2);
  PrintField("Address", proxy.single.host, 2);
  PrintField("Port", proxy.single.port, 2);
  PrintField("Bypass local", proxy.bypassLocal ? "yes" : "no", 2);
  const char* rowNames[] = {"HTTP", "Secure", "FTP", "Gopher", "Socks"};
  for (std::size_t row = 0; row < views::kProxyRowCount; ++row)
    PrintField(rowNames[row], HostPortText(proxy.rows[row]), 2);
  PrintField("Exceptions", proxy.exceptions, 2);
}

void PrintProfileText(const views::ProfileSummary& profile) {
  PrintField("Profile", profile.title);
  PrintField("Membership", (profile.domain ? "DOMAIN " : "WORKGROUP ") + profile.domainName);
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
  PrintProxyFields(profile.proxy);
}

QJsonArray PairsJson(const std::vector<views::InterfaceSummary::Pair>& pairs, const char* left,
                     const char* right) {
  QJsonArray array;
  for (const views::InterfaceSummary::Pair& pair : pairs)
    array.append(QJsonObject{{QLatin1String(left), Utf16(pair.left)},
                             {QLatin1String(right), Utf16(pair.right)}});
  return array;
}

QJsonDocument ProfileJson(const views::ProfileSummary& profile) {
  QJsonObject root;
  root[QStringLiteral("title")] = Utf16(profile.title);
  root[QStringLiteral("membership")] =
      QJsonObject{{QStringLiteral("kind"),
                   profile.domain ? QStringLiteral("domain") : QStringLiteral("workgroup")},
                  {QStringLiteral("name"), Utf16(profile.domainName)}};
  root[QStringLiteral("defaultPrinter")] = Utf16(profile.printer);
  QJsonArray interfaces;
  for (const views::InterfaceSummary& entry : profile.interfaces) {
    QJsonObject object;
    object[QStringLiteral("name")] = Utf16(entry.name);
    object[QStringLiteral("dhcp")] = entry.dhcp;
    object[QStringLiteral("addresses")] = PairsJson(entry.addresses, "address", "mask");
    object[QStringLiteral("gateways")] = PairsJson(entry.gateways, "gateway", "metric");
    QJsonArray dns;
    for (const std::string& server : entry.dnsServers) dns.append(Utf16(server));
    object[QStringLiteral("dnsServers")] = dns;
    object[QStringLiteral("interfaceMetric")] = qint64(entry.interfaceMetric);
    interfaces.append(object);
  }
  root[QStringLiteral("interfaces")] = interfaces;
  root[QStringLiteral("omittedInterfaces")] = profile.omittedInterfaces;

  const views::ProxyEditState& state = profile.proxy;
  QJsonObject proxy;
  proxy[QStringLiteral("enabled")] = state.proxyOn;
  proxy[QStringLiteral("autoConfigUrl")] = Utf16(state.scriptAddress);
  proxy[QStringLiteral("sameForAll")] = state.sameProxy;
  proxy[QStringLiteral("single")] = HostPortJson(state.single);
  proxy[QStringLiteral("bypassLocal")] = state.bypassLocal;
  QJsonObject servers;
  const char* rowNames[] = {"http", "https", "ftp", "gopher", "socks"};
  for (std::size_t row = 0; row < views::kProxyRowCount; ++row)
    servers[QLatin1String(rowNames[row])] = HostPortJson(state.rows[row]);
  proxy[QStringLiteral("servers")] = servers;
  proxy[QStringLiteral("exceptions")] = Utf16(state.exceptions);
  root[QStringLiteral("proxy")] = proxy;
  return QJsonDocument(root);
}

void PrintJson(const QJsonDocument& document) {
  std::string text = document.toJson(QJsonDocument::Indented).toStdString();
  if (!text.empty() && text.back() == '\n') text.pop_back();
  printOut(text);
}

class ShowCommand : public Command {
 public:
  ShowCommand()
      : Command(QStringLiteral("show"),
                QStringLiteral("Prints the machine's live network settings as the live view "
                               "shows them, or with TITLE the stored profile as the profile "
                               "editor shows it.")) {}

 protected:
  void addOptions(QCommandLineParser& parser) override {
    parser.addOption(QCommandLineOption(
        kJsonOption, QStringLiteral("Prints one JSON document instead of readable text.")));
    parser.addPositionalArgument(QStringLiteral("TITLE"),
                                 QStringLiteral("The stored profile to show (optional)."),
                                 QStringLiteral("[TITLE]"));
  }

  QString checkArguments(const QCommandLineParser& parser) override {
    json_ = parser.isSet(kJsonOption);
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) return QStringLiteral("only one TITLE is taken");
    if (positional.isEmpty()) return {};
    const std::string utf8 = positional.first().toStdString();
    title_ = win::ansiFromUtf8(utf8);
    // A title that the code page cannot hold names no stored profile.
    if (win::ansiToUtf8(*title_) != utf8)
      return QStringLiteral("TITLE holds characters that code page 932 cannot hold");
    return {};
  }

  int execute(const store::Context& ctx, const TerminalPrompter&) override {
    if (title_) {
      std::optional<int> slot = views::LocateProfileSlot(ctx, *title_);
      if (!slot) return kExitFailure;
      const views::ProfileSummary profile = views::SummarizeProfile(ctx, *slot, *title_);
      if (json_)
        PrintJson(ProfileJson(profile));
      else
        PrintProfileText(profile);
      return kExitSuccess;
    }
    const views::LiveSettings live = views::ReadLiveSettings(ctx);
    if (json_) {
      std::string text = LiveJson(live).toJson(QJsonDocument::Indented).toStdString();
      if (!text.empty() && text.back() == '\n') text.pop_back();
      printOut(text);
    } else {
      PrintText(live);
    }
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
