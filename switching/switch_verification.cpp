#include "switching/switch_verification.h"

#include <cstdio>

#include "platform/code_page.h"
#include "store/messages.h"
#include "store/profile_store.h"
#include "store/registry_access.h"
#include "switching/switch_flow.h"
#include "switching/switch_steps.h"

namespace switching {

namespace {

using win::DWORD;

// UTF-8 sources of the texts; they enter ANSI text where they are used.
constexpr const char* kDifferenceFormat = "[%s] %s：指定 %s ／ 現在 %s";
constexpr const char* kDifferencesHeading = "※切り替え後に読み直した設定が、指定と違います。";
constexpr const char* kStallFormat =
    "※スクリプトが %lld 秒間進まなかったため、途中で打ち切りました。";
constexpr const char* kNone = "なし";
constexpr const char* kEmptyItem = "（空）";
constexpr const char* kAutomatic = "自動";

constexpr const char* kAppliedFormat = "%s：切り替えました。";
constexpr const char* kSkippedFormat = "%s：切り替えませんでした（%s）。";
constexpr const char* kFailedFormat = "%s：切り替えられませんでした（%s）。";
constexpr const char* kNetworkFailed =
    "切り替えが失敗したようです。「ｵﾌﾟｼｮﾝ」から実行結果を確認してください。";
constexpr const char* kStepsFailed = "次の設定が切り替えられませんでした：%s";
constexpr const char* kNameSeparator = "、";

constexpr const char* kNoPrinter = "登録に通常使うﾌﾟﾘﾝﾀがありません";
constexpr const char* kPrinterNotInstalled = "このｺﾝﾋﾟｭｰﾀにはないﾌﾟﾘﾝﾀです";
constexpr const char* kPrinterIsStill = "通常使うﾌﾟﾘﾝﾀは %s のままです";
constexpr const char* kProxyNotWritten = "ﾌﾟﾛｷｼの設定を書き込めませんでした。元の設定のままです";
constexpr const char* kMembershipIsStill = "ﾒﾝﾊﾞｰは %s のままです";

constexpr const char* kPrinterManaged =
    "Windows が通常使うプリンターを管理する設定になっているため、Windows "
    "が別のプリンターを通常使うプリンターにすることがあります。\n"
    "この設定は、Windows の［設定］→［Bluetooth とデバイス］（Windows 10 "
    "では［デバイス］）→［プリンターとスキャナー］の「Windows "
    "で通常使うプリンターを管理する」をオフにすると止められます。";

constexpr const char* kCurrentVersionKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr const char* kWindowsKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
constexpr DWORD kWindows10 = 10;

using store::FormatAnsi;

// A metric as a number: "05" and "5" are the same metric.
std::string metricValue(const std::string& text) {
  const std::size_t first = text.find_first_not_of('0');
  if (first == std::string::npos) return text.empty() ? text : "0";
  return text.substr(first);
}

std::vector<std::string> trimmed(const std::vector<std::string>& list) {
  std::vector<std::string> out;
  for (const std::string& item : list) out.push_back(TrimBlanks(item));
  return out;
}

// `partners` laid beside a list of `count` items, its last entry repeated.
std::vector<std::string> paired(const std::vector<std::string>& partners, std::size_t count) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < count; ++i) out.push_back(TrimBlanks(store::PairedItem(partners, i)));
  return out;
}

// NameServer holds its servers separated by commas (Windows has also used
// blanks).
std::vector<std::string> dnsServers(const std::string& nameServer) {
  std::vector<std::string> servers;
  std::string current;
  for (char c : nameServer + ",") {
    if (c == ',' || c == ' ') {
      if (!current.empty()) servers.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  return servers;
}

std::string shownList(const std::vector<std::string>& list, bool metrics = false) {
  if (list.empty()) return win::ansiFromUtf8(kNone);
  std::string text;
  for (const std::string& item : list) {
    if (!text.empty()) text += ",";
    if (item.empty())
      text += win::ansiFromUtf8(kEmptyItem);
    else
      text += metrics && metricValue(item) == "0" ? win::ansiFromUtf8(kAutomatic) : item;
  }
  return text;
}

std::string kindText(bool dhcp) {
  return dhcp ? "DHCP" : "STATIC";
}

void compareInterface(const InterfaceTarget& target, const store::LiveTcpip& live,
                      std::vector<TcpipDifference>& out) {
  auto differ = [&](const char* utf8Field, const std::string& asked, const std::string& found) {
    out.push_back({target.name, win::ansiFromUtf8(utf8Field), asked, found});
  };
  if (target.dhcp != live.dhcp) differ("DHCP/STATIC", kindText(target.dhcp), kindText(live.dhcp));
  if (!target.dhcp) {
    const std::vector<std::string> addresses = trimmed(live.addresses);
    if (addresses != target.addresses)
      differ("IPｱﾄﾞﾚｽ", shownList(target.addresses), shownList(addresses));
    const std::vector<std::string> masks = paired(live.masks, addresses.size());
    if (paired(masks, target.masks.size()) != target.masks)
      differ("ｻﾌﾞﾈｯﾄﾏｽｸ", shownList(target.masks), shownList(masks));
    const std::vector<std::string> gateways = trimmed(live.gateways);
    if (gateways != target.gateways)
      differ("ﾃﾞﾌｫﾙﾄｹﾞｰﾄｳｪｲ", shownList(target.gateways), shownList(gateways));
    const std::vector<std::string> metrics = paired(live.metrics, gateways.size());
    bool sameMetrics = true;
    for (std::size_t i = 0; i < target.metrics.size(); ++i)
      sameMetrics = sameMetrics &&
                    metricValue(store::PairedItem(metrics, i)) == metricValue(target.metrics[i]);
    if (!sameMetrics)
      differ("ｹﾞｰﾄｳｪｲﾒﾄﾘｯｸ", shownList(target.metrics, true), shownList(metrics, true));
  }
  const std::vector<std::string> dns = dnsServers(live.nameServer);
  if (dns != target.dnsServers) differ("DNSｻｰﾊﾞ", shownList(target.dnsServers), shownList(dns));
}

StepReport skipped(DWORD step, const char* utf8Reason) {
  return {step, StepState::Skipped, win::ansiFromUtf8(utf8Reason)};
}

}  // namespace

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const unsigned char x = static_cast<unsigned char>(a[i]);
    const unsigned char y = static_cast<unsigned char>(b[i]);
    if (win::isLeadByte(x) && i + 1 < a.size()) {
      if (x != y || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    if (lower(x) != lower(y)) return false;
  }
  return true;
}

std::vector<TcpipDifference> CompareTcpip(const std::vector<InterfaceTarget>& targets,
                                          const std::vector<store::LiveTcpip>& live) {
  std::vector<TcpipDifference> differences;
  for (const InterfaceTarget& target : targets) {
    const store::LiveTcpip* found = nullptr;
    for (const store::LiveTcpip& entry : live) {
      if (SameNameIgnoringCase(entry.name, target.name)) {
        found = &entry;
        break;
      }
    }
    if (found)
      compareInterface(target, *found, differences);
    else
      differences.push_back(
          {target.name, win::ansiFromUtf8("ｲﾝﾀﾌｪｰｽ"), target.name, win::ansiFromUtf8(kNone)});
  }
  return differences;
}

std::string DifferenceLine(const TcpipDifference& d) {
  return FormatAnsi(kDifferenceFormat, d.interfaceName.c_str(), d.field.c_str(), d.asked.c_str(),
                    d.found.c_str());
}

std::string DifferencesHeading() {
  return win::ansiFromUtf8(kDifferencesHeading);
}

std::string StallLine(std::chrono::milliseconds stall) {
  const long long seconds = (stall.count() + 999) / 1000;
  return FormatAnsi(kStallFormat, seconds);
}

bool AppendResultLines(win::Files& files, const std::string& path,
                       const std::vector<std::string>& lines) {
  if (lines.empty()) return true;
  std::unique_ptr<win::TextFile> file = files.openText(path, win::TextMode::Append);
  if (!file) return false;
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  const bool written = file->write(text);
  return file->close() && written;
}

std::string StepName(DWORD step) {
  switch (step) {
    case kStepNetwork:
      return win::ansiFromUtf8("ﾈｯﾄﾜｰｸ");
    case kStepPrinter:
      return win::ansiFromUtf8("通常使うﾌﾟﾘﾝﾀ");
    case kStepProxy:
      return win::ansiFromUtf8("IEﾌﾟﾛｷｼｻｰﾊﾞ");
    case kStepDomain:
      return win::ansiFromUtf8("ﾄﾞﾒｲﾝまたはﾜｰｸｸﾞﾙｰﾌﾟ");
    default:
      return {};
  }
}

std::string StepLine(const StepReport& report) {
  const std::string name = StepName(report.step);
  switch (report.state) {
    case StepState::Applied:
      return FormatAnsi(kAppliedFormat, name.c_str());
    case StepState::Skipped:
      return FormatAnsi(kSkippedFormat, name.c_str(), report.reason.c_str());
    case StepState::Failed:
      break;
  }
  return FormatAnsi(kFailedFormat, name.c_str(), report.reason.c_str());
}

bool SwitchReport::succeeded() const {
  for (const StepReport& step : steps)
    if (step.state == StepState::Failed) return false;
  return true;
}

std::string FailureMessage(const SwitchReport& report) {
  std::string message;
  std::string others;
  for (const StepReport& step : report.steps) {
    if (step.state != StepState::Failed) continue;
    if (step.step == kStepNetwork) {
      message = win::ansiFromUtf8(kNetworkFailed);
      continue;
    }
    if (!others.empty()) others += win::ansiFromUtf8(kNameSeparator);
    others += StepName(step.step);
  }
  if (!others.empty()) {
    if (!message.empty()) message += "\n";
    message += FormatAnsi(kStepsFailed, others.c_str());
  }
  return message;
}

std::optional<std::string> ReadBackDefaultPrinter(const store::Context& ctx) {
  win::ProfileStrings& printers = ctx.machine.profileStrings();
  std::string name(256, '\0');
  DWORD size = DWORD(name.size());
  if (!printers.GetDefaultPrinterA(name.data(), &size)) {
    if (size <= name.size()) return std::nullopt;
    name.resize(size);
    if (!printers.GetDefaultPrinterA(name.data(), &size)) return std::nullopt;
  }
  name.resize(name.find('\0'));
  return name;
}

bool WindowsManagesDefaultPrinter(const store::Context& ctx) {
  DWORD major = 0;  // missing before Windows 10
  (void)store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, kCurrentVersionKey,
                              "CurrentMajorVersionNumber", major);
  if (major < kWindows10) return false;
  DWORD legacyMode = 0;  // missing until the user changes the setting
  (void)store::ReadDwordValue(ctx, HKEY_CURRENT_USER, kWindowsKey, "LegacyDefaultPrinterMode",
                              legacyMode);
  return legacyMode == 0;
}

std::string PrinterManagedNote() {
  return win::ansiFromUtf8(kPrinterManaged);
}

StepReport RunPrinterStep(const store::Context& ctx, const store::ProfileKey& slot) {
  std::string printer;
  if (store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, store::DataPath(slot), "DefPrinter",
                             printer) != 0 ||
      printer.empty())
    return skipped(kStepPrinter, kNoPrinter);
  // A printer that is not installed here is passed over without a word.
  if (PrinterDevicesEntry(ctx, printer).empty()) return skipped(kStepPrinter, kPrinterNotInstalled);
  SetDefaultPrinter(ctx, printer);
  const std::optional<std::string> current = ReadBackDefaultPrinter(ctx);
  if (current == printer) return {kStepPrinter, StepState::Applied, {}};
  const std::string shown = current ? *current : win::ansiFromUtf8(kNone);
  return {kStepPrinter, StepState::Failed, FormatAnsi(kPrinterIsStill, shown.c_str())};
}

StepReport RunProxyStep(const store::Context& ctx, const store::ProfileKey& slot) {
  if (ApplyProxySettings(ctx, slot)) return {kStepProxy, StepState::Applied, {}};
  return {kStepProxy, StepState::Failed, win::ansiFromUtf8(kProxyNotWritten)};
}

StepReport RunMembershipStep(const store::Context& ctx, const store::ProfileKey& slot) {
  const DWORD result = ChangeMembership(ctx, slot);
  if (result != NERR_Success)
    return {kStepDomain, StepState::Failed, MembershipFailureDetail(result)};
  DWORD domainType = 0;
  std::string asked;
  const std::string data = store::DataPath(slot);
  // Missing values read as a workgroup without a name, as the step read them.
  (void)store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, data, "DomainType", domainType);
  (void)store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, data, "DomainName", asked);
  std::u16string name;
  DWORD status = NetSetupUnknownStatus;
  const bool read =
      ctx.machine.membership().NetGetJoinInformation(nullptr, &name, &status) == NERR_Success;
  // A name that code page 932 cannot hold matches no stored name.
  const std::string current = win::wideToAnsi(name).value_or(std::string());
  const DWORD wanted = domainType != 0 ? DWORD(NetSetupDomainName) : DWORD(NetSetupWorkgroupName);
  if (read && status == wanted && SameNameIgnoringCase(current, asked))
    return {kStepDomain, StepState::Applied, {}};
  const std::string shown = current.empty() ? win::ansiFromUtf8(kNone) : current;
  return {kStepDomain, StepState::Failed, FormatAnsi(kMembershipIsStill, shown.c_str())};
}

}  // namespace switching
