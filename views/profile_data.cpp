#include "views/profile_data.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "platform/code_page.h"
#include "store/messages.h"
#include "store/profile_interfaces.h"
#include "store/profile_store.h"
#include "store/profile_titles.h"
#include "store/registry_access.h"
#include "store/store_command.h"
#include "store/system_keys.h"
#include "views/tcpip_lists.h"

namespace views {

namespace {

using store::kInformationCaption;

using win::DWORD;

constexpr const char* kDhcpAddress = "0.0.0.0";
// A stored value is read whole into a buffer of this size to tell a value
// that is too long for the editor from one that is missing.
constexpr int kProbeBufferSize = 1 << 20;
// The save compares the printer with this many installed printers.
constexpr std::size_t kComparedPrinters = 32;

// UTF-8 sources of the texts shown; they become ANSI where a box is shown.
constexpr const char* kSaveQuestion = "変更を登録しますか？";
constexpr const char* kProfileMoved =
    "この登録は他で変更されたため、保存できませんでした。\n登録詳細を開き直してください。";
constexpr const char* kPrinterQuestion =
    "指定された通常使うプリンタは、現在のプリンタ一覧にありませんが、それでも変更を登録しますか？";
constexpr const char* kTooManyInterfaces =
    "ﾈｯﾄﾜｰｸｲﾝﾀﾌｪｰｽが%d個あるため、先頭の%d個だけを表示します。\n"
    "残りの%d個の設定は、保存しても変更されません。";
constexpr const char* kUnreadableInterface =
    "[%s] の設定には長すぎて読み込めない値があるため、正しく表示できません。\n"
    "このｲﾝﾀﾌｪｰｽの設定は、保存しても変更されません。";
constexpr const char* kInterfaceWithoutIpConfig =
    "[%s] の登録内容にTCP/IP設定の場所(IpConfig)がないため、設定を表示できません。\n"
    "このｲﾝﾀﾌｪｰｽの設定は、保存しても変更されません。";
constexpr const char* kTextTooLong =
    "[%s] の%sが長すぎるため登録できません。\n%dﾊﾞｲﾄ以内で入力してください。";
constexpr const char* kListTooLong =
    "[%s] の%sの一覧が長すぎるため登録できません。\n"
    "TCP/IPの詳細設定で、%dﾊﾞｲﾄ以内に収まるように項目を減らしてください。";
constexpr const char* kUnsafeText =
    "[%s] の%sに使用できない文字が含まれているため登録できません。\n%s";
constexpr const char* kFieldTooLong =
    "%sが長すぎるため登録できません。\n%dﾊﾞｲﾄ以内で入力してください。";

constexpr const char* kAddressLabel = "IPｱﾄﾞﾚｽ";
constexpr const char* kMaskLabel = "ｱﾄﾞﾚｽﾏｽｸ";
constexpr const char* kGatewayLabel = "ﾃﾞﾌｫﾙﾄｹﾞｰﾄｳｪｲ";
constexpr const char* kMetricLabel = "ｹﾞｰﾄｳｪｲﾒﾄﾘｯｸ";
constexpr const char* kDnsLabel = "DNSｻｰﾊﾞ";
constexpr const char* kPrinterLabel = "通常使うﾌﾟﾘﾝﾀ";
constexpr const char* kDomainLabel = "ﾄﾞﾒｲﾝ名またはﾜｰｸｸﾞﾙｰﾌﾟ名";

using store::FormatAnsi;

int showBox(const store::Context& ctx, const std::string& ansiText, const char* utf8Caption,
            win::UINT flags) {
  return ctx.messageBox(ansiText, win::ansiFromUtf8(utf8Caption), flags);
}

std::string firstString(const std::string& bytes) {
  return bytes.substr(0, bytes.find('\0'));
}

// A value that exists but does not fit the editor's buffer.
bool isTooLong(const store::Context& ctx, const std::string& key, const char* name,
               std::size_t limit) {
  std::string bytes;
  DWORD length = 0;
  return store::ReadRawValue(ctx, HKEY_LOCAL_MACHINE, key, name, bytes, length, kProbeBufferSize) ==
             0 &&
         bytes.size() > limit;
}

// A list value: its first string and, when it is a multi-string, its bytes.
void readList(const store::Context& ctx, const std::string& key, const char* name,
              std::string& text, std::string& list, bool& unreadable) {
  std::string bytes;
  DWORD length = 0;
  text.clear();
  list.clear();
  if (store::ReadRawValue(ctx, HKEY_LOCAL_MACHINE, key, name, bytes, length,
                          store::kValueBufferSize) != 0) {
    if (isTooLong(ctx, key, name, store::kValueBufferSize)) unreadable = true;
    return;
  }
  text = firstString(bytes);
  if (length != 0) list = bytes.substr(0, length);
}

std::string adapterKeyOf(int slot, const std::string& adapterId) {
  return store::MirrorPath(slot, std::string(store::kAdaptersKey) + "\\" + adapterId);
}

std::string interfaceKeyOf(const store::Context& ctx, int slot, const std::string& adapterId) {
  std::string ipConfig;  // empty when missing: the interface key is then not found
  (void)store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, adapterKeyOf(slot, adapterId), "IpConfig",
                               ipConfig);
  ipConfig = firstString(ipConfig);
  if (ipConfig.empty()) return std::string();
  return store::MirrorPath(slot, store::kServicesKeyPrefix + ipConfig);
}

// Fills the buffers of one interface from its stored key.
InterfaceBuffers loadInterface(const store::Context& ctx, const std::string& key,
                               bool& unreadable) {
  InterfaceBuffers buffers;
  DWORD enableDhcp = 0;  // a missing value reads as static
  (void)store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, key, "EnableDHCP", enableDhcp);
  if (enableDhcp == 0) {
    readList(ctx, key, "IPAddress", buffers.addressText, buffers.addressList, unreadable);
    readList(ctx, key, "SubnetMask", buffers.maskText, buffers.maskList, unreadable);
  } else {
    // A DHCP interface shows only the first strings; its lists start empty,
    // so that nothing of an interface shown before can come back on a save.
    if (store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, key, "IPAddress", buffers.addressText) != 0)
      buffers.addressText = kDhcpAddress;
    if (store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, key, "SubnetMask", buffers.maskText) != 0)
      buffers.maskText = kDhcpAddress;
  }
  readList(ctx, key, "DefaultGateway", buffers.gatewayText, buffers.gatewayList, unreadable);
  readList(ctx, key, "DefaultGatewayMetric", buffers.gatewayMetricText, buffers.gatewayMetricList,
           unreadable);
  if (store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, key, "NameServer", buffers.dnsText) != 0 &&
      isTooLong(ctx, key, "NameServer", store::kValueBufferSize))
    unreadable = true;
  if (buffers.dnsText == "none") buffers.dnsText.clear();
  (void)store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, key, "InterfaceMetric",
                              buffers.interfaceMetric);
  return buffers;
}

bool savesAsStatic(const InterfaceBuffers& buffers) {
  return !buffers.addressText.empty() && buffers.addressText.compare(0, 7, kDhcpAddress) != 0;
}

// The gateway metrics a static save writes: the list as it is, except that
// a gateway never goes without a metric. A list without one takes the
// metric field's text, or 0 (automatic) when that is empty too; otherwise
// the switch would apply the gateway with an empty metric, which fails.
std::string metricImageFor(const InterfaceBuffers& buffers, const std::string& gatewayImage) {
  std::vector<std::string> metrics = MultiStringItems(buffers.gatewayMetricList);
  bool hasGateway = !MultiStringItems(gatewayImage).front().empty();
  if (hasGateway && metrics.front().empty())
    return MultiStringImage(
        {buffers.gatewayMetricText.empty() ? std::string("0") : buffers.gatewayMetricText});
  return StoredImage(buffers.gatewayMetricList);
}

struct ComposedLists {
  std::string addresses;
  std::string masks;
  std::string gateways;
  std::string metrics;
};

ComposedLists composeStatic(const InterfaceBuffers& buffers) {
  ComposedLists lists;
  lists.addresses = ReplaceFirstString(buffers.addressList, buffers.addressText);
  lists.masks = ReplaceFirstString(buffers.maskList, buffers.maskText);
  lists.gateways = ReplaceFirstString(buffers.gatewayList, buffers.gatewayText);
  lists.metrics = metricImageFor(buffers, lists.gateways);
  return lists;
}

std::optional<std::string> findInterfaceProblem(const std::string& name,
                                                const InterfaceBuffers& buffers) {
  const std::pair<const char*, const std::string*> texts[] = {{kAddressLabel, &buffers.addressText},
                                                              {kMaskLabel, &buffers.maskText},
                                                              {kGatewayLabel, &buffers.gatewayText},
                                                              {kDnsLabel, &buffers.dnsText}};
  for (const auto& [label, text] : texts)
    if (text->size() > kMaxTextLength)
      return FormatAnsi(kTextTooLong, name.c_str(), win::ansiFromUtf8(label).c_str(),
                        int(kMaxTextLength));

  if (savesAsStatic(buffers)) {
    ComposedLists lists = composeStatic(buffers);
    const std::pair<const char*, const std::string*> images[] = {{kAddressLabel, &lists.addresses},
                                                                 {kMaskLabel, &lists.masks},
                                                                 {kGatewayLabel, &lists.gateways},
                                                                 {kMetricLabel, &lists.metrics}};
    for (const auto& [label, image] : images) {
      if (image->size() > kMaxStoredListBytes)
        return FormatAnsi(kListTooLong, name.c_str(), win::ansiFromUtf8(label).c_str(),
                          int(kMaxStoredListBytes));
      // Every string the switch would hand to netsh: digits and dots only.
      for (const std::string& item : MultiStringItems(*image))
        if (!store::IsAddressText(item))
          return FormatAnsi(kUnsafeText, name.c_str(), win::ansiFromUtf8(label).c_str(),
                            item.c_str());
    }
  }
  const std::vector<std::string> servers = store::SplitDnsList(buffers.dnsText);
  if (!std::all_of(servers.begin(), servers.end(), store::IsAddressText))
    return FormatAnsi(kUnsafeText, name.c_str(), win::ansiFromUtf8(kDnsLabel).c_str(),
                      buffers.dnsText.c_str());
  return std::nullopt;
}

std::optional<std::string> findSaveProblem(const ProfileContents& contents,
                                           const WorkingSet& workingSet,
                                           const EditorFields& fields) {
  for (std::size_t j = 0; j < contents.interfaces.size(); ++j) {
    if (contents.interfaces[j].unreadable) continue;
    if (auto problem = findInterfaceProblem(contents.interfaces[j].name, workingSet[j]))
      return problem;
  }
  if (fields.printer.size() > kMaxTextLength)
    return FormatAnsi(kFieldTooLong, win::ansiFromUtf8(kPrinterLabel).c_str(), int(kMaxTextLength));
  if (fields.domainName.size() > kMaxTextLength)
    return FormatAnsi(kFieldTooLong, win::ansiFromUtf8(kDomainLabel).c_str(), int(kMaxTextLength));
  return FindProxySaveProblem(fields.proxy);
}

// The writes run inside the save's store command, which sees a write that
// fails and then undoes the whole save.
void writeInterface(const store::Context& ctx, const std::string& key, InterfaceBuffers& buffers,
                    bool current, SaveOutcome& outcome) {
  if (savesAsStatic(buffers)) {
    ComposedLists lists = composeStatic(buffers);
    (void)store::WriteDwordValue(ctx, HKEY_LOCAL_MACHINE, key, "EnableDHCP", 0);
    (void)store::WriteMultiStringValue(ctx, HKEY_LOCAL_MACHINE, key, "IPAddress", lists.addresses);
    (void)store::WriteMultiStringValue(ctx, HKEY_LOCAL_MACHINE, key, "SubnetMask", lists.masks);
    (void)store::WriteMultiStringValue(ctx, HKEY_LOCAL_MACHINE, key, "DefaultGateway",
                                       lists.gateways);
    (void)store::WriteMultiStringValue(ctx, HKEY_LOCAL_MACHINE, key, "DefaultGatewayMetric",
                                       lists.metrics);
    (void)store::WriteStringValue(ctx, HKEY_LOCAL_MACHINE, key, "NameServer", buffers.dnsText);
    (void)store::WriteDwordValue(ctx, HKEY_LOCAL_MACHINE, key, "InterfaceMetric",
                                 buffers.interfaceMetric);
    return;
  }
  (void)store::WriteDwordValue(ctx, HKEY_LOCAL_MACHINE, key, "EnableDHCP", 1);
  for (const char* name : {"IPAddress", "DhcpIPAddress", "SubnetMask", "DhcpSubnetMask"})
    (void)store::WriteStringValue(ctx, HKEY_LOCAL_MACHINE, key, name, kDhcpAddress);
  if (buffers.addressText.empty()) {
    buffers.addressText = buffers.maskText = kDhcpAddress;
    buffers.addressList = buffers.maskList = MultiStringImage({kDhcpAddress});
    if (current) outcome.currentTabSetToDhcp = true;
  }
  (void)store::WriteMultiStringValue(ctx, HKEY_LOCAL_MACHINE, key, "DefaultGateway",
                                     StoredImage(buffers.gatewayList));
  (void)store::WriteStringValue(ctx, HKEY_LOCAL_MACHINE, key, "NameServer", buffers.dnsText);
  (void)store::WriteDwordValue(ctx, HKEY_LOCAL_MACHINE, key, "InterfaceMetric",
                               buffers.interfaceMetric);
  (void)store::WriteMultiStringValue(ctx, HKEY_LOCAL_MACHINE, key, "DefaultGatewayMetric",
                                     StoredImage(buffers.gatewayMetricList));
}

}  // namespace

std::string ReplaceFirstString(const std::string& image, const std::string& text) {
  std::string stored = StoredImage(image);
  // The stored image holds at least two NULs; its first string ends at the
  // first of them.
  return text + stored.substr(stored.find('\0'));
}

std::string StoredImage(const std::string& image) {
  std::string padded = image + std::string(2, '\0');
  return padded.substr(0, padded.find(std::string(2, '\0')) + 2);
}

ProfileContents LoadProfile(const store::Context& ctx, int slot, const std::string& title,
                            WorkingSet& workingSet) {
  ProfileContents contents;
  contents.slot = slot;
  contents.title = title;

  for (const store::InterfaceEntry& entry : store::BuildInterfaceList(ctx, slot)) {
    if (contents.interfaces.size() >= std::size_t(kMaxInterfaces)) {
      ++contents.omittedInterfaces;
      continue;
    }
    ProfileInterface iface{entry.adapterId, entry.name, interfaceKeyOf(ctx, slot, entry.adapterId)};
    // Without its IpConfig the interface has no key of its own to show or
    // to write. An IpConfig too long to read is told apart from a missing
    // one, so that the user hears what is wrong.
    if (iface.interfaceKey.empty()) {
      iface.unreadable = true;
      iface.withoutIpConfig =
          !isTooLong(ctx, adapterKeyOf(slot, entry.adapterId), "IpConfig", store::kValueBufferSize);
    }
    InterfaceBuffers& buffers = workingSet[contents.interfaces.size()];
    buffers = iface.unreadable ? InterfaceBuffers{}
                               : loadInterface(ctx, iface.interfaceKey, iface.unreadable);
    contents.interfaces.push_back(std::move(iface));
  }

  // A value the profile lacks is shown empty (a workgroup for the kind).
  const std::string data = store::DataPath(slot);
  (void)store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, data, "DefPrinter", contents.printer);
  (void)store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, data, "DomainName", contents.domainName);
  DWORD domainType = 0;
  (void)store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, data, "DomainType", domainType);
  contents.domain = domainType != 0;
  contents.proxy =
      ReadProxyValues(ctx, HKEY_LOCAL_MACHINE, store::MirrorPath(slot, kInternetSettingsKey));
  return contents;
}

void ReportLoadLimits(const store::Context& ctx, const ProfileContents& contents) {
  if (contents.omittedInterfaces > 0) {
    int total = int(contents.interfaces.size()) + contents.omittedInterfaces;
    showBox(ctx, FormatAnsi(kTooManyInterfaces, total, kMaxInterfaces, contents.omittedInterfaces),
            kInformationCaption, MB_OK | MB_ICONINFORMATION);
  }
  for (const ProfileInterface& iface : contents.interfaces)
    if (iface.unreadable)
      showBox(ctx,
              FormatAnsi(iface.withoutIpConfig ? kInterfaceWithoutIpConfig : kUnreadableInterface,
                         iface.name.c_str()),
              kInformationCaption, MB_OK | MB_ICONINFORMATION);
}

bool IsStoredDhcp(const store::Context& ctx, const ProfileInterface& iface) {
  DWORD enableDhcp = 0;
  if (!iface.interfaceKey.empty())
    (void)store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, iface.interfaceKey, "EnableDHCP",
                                enableDhcp);
  return enableDhcp != 0;
}

std::vector<std::string> ReadPrinterNames(const store::Context& ctx) {
  return win::EnumPrinterNames(ctx.machine.profileStrings());
}

SaveOutcome SaveProfile(const store::Context& ctx, const ProfileContents& contents,
                        WorkingSet& workingSet, const EditorFields& fields) {
  SaveOutcome outcome;
  if (showBox(ctx, win::ansiFromUtf8(kSaveQuestion), kInformationCaption,
              MB_YESNO | MB_ICONINFORMATION) != IDYES)
    return outcome;
  outcome.confirmed = true;

  const int tabs = int(contents.interfaces.size());
  if (fields.currentTab >= 0 && fields.currentTab < tabs) {
    InterfaceBuffers& current = workingSet[std::size_t(fields.currentTab)];
    current.addressText = fields.address;
    current.maskText = fields.mask;
    current.gatewayText = fields.gateway;
    current.dnsText = fields.dns;
  }

  // Everything is checked before the first write, so that a refused save
  // leaves the profile as it was.
  if (std::optional<std::string> problem = findSaveProblem(contents, workingSet, fields)) {
    store::ShowAnsiError(ctx, *problem);
    return outcome;
  }

  // Asked before the store lock is taken, so that no other command waits
  // for the answer. The interfaces are written in any case.
  std::vector<std::string> printers = ReadPrinterNames(ctx);
  if (printers.size() > kComparedPrinters) printers.resize(kComparedPrinters);
  const bool writeRest =
      std::find(printers.begin(), printers.end(), fields.printer) != printers.end() ||
      showBox(ctx, win::ansiFromUtf8(kPrinterQuestion), kInformationCaption,
              MB_YESNO | MB_ICONINFORMATION) == IDYES;

  // The slot must still hold the profile the editor loaded: another
  // command may have moved the profiles since the window opened.
  store::StoreCommand command(ctx, store::StoreChange::Save);
  if (!command.locked()) return outcome;
  const store::Context& checked = command.context();
  std::string storedTitle;
  if (store::ReadStringValue(checked, HKEY_LOCAL_MACHINE, store::SlotPath(contents.slot), "Title",
                             storedTitle) != 0 ||
      storedTitle != contents.title) {
    store::ShowError(ctx, kProfileMoved);
    return outcome;
  }

  // A save that fails leaves the working set as the user left it.
  auto before = std::make_unique<WorkingSet>(workingSet);
  if (!command.beginWrites()) return outcome;
  // The interfaces as stored now: each tab's buffers go to the interface
  // the tab was made for, and only while it is still the one at that place.
  const std::vector<store::InterfaceEntry> stored =
      store::BuildInterfaceList(checked, contents.slot);
  for (int j = 0; j < tabs && j < int(stored.size()); ++j) {
    const ProfileInterface& iface = contents.interfaces[std::size_t(j)];
    if (iface.unreadable || stored[std::size_t(j)].adapterId != iface.adapterId ||
        stored[std::size_t(j)].name != iface.name)
      continue;
    writeInterface(checked, iface.interfaceKey, workingSet[std::size_t(j)], j == fields.currentTab,
                   outcome);
  }

  // A write that fails is seen by the command, which then undoes the save.
  if (writeRest) {
    const std::string data = store::DataPath(contents.slot);
    (void)store::WriteStringValue(checked, HKEY_LOCAL_MACHINE, data, "DefPrinter", fields.printer);
    WriteProxyValues(checked, HKEY_LOCAL_MACHINE,
                     store::MirrorPath(contents.slot, kInternetSettingsKey),
                     ComposeProxyValues(fields.proxy));
    // An empty name keeps the stored one; the kind is written all the same.
    if (!fields.domainName.empty())
      (void)store::WriteStringValue(checked, HKEY_LOCAL_MACHINE, data, "DomainName",
                                    fields.domainName);
    (void)store::WriteDwordValue(checked, HKEY_LOCAL_MACHINE, data, "DomainType",
                                 fields.domain ? 1 : 0);
  }
  if (!command.commitWrites()) {
    workingSet = *before;
    outcome.currentTabSetToDhcp = false;
    return outcome;
  }
  outcome.interfacesWritten = true;
  outcome.completed = writeRest;
  return outcome;
}

ProfileSummary SummarizeProfile(const store::Context& ctx, int slot, const std::string& title) {
  auto workingSet = std::make_unique<WorkingSet>();
  ProfileContents contents = LoadProfile(ctx, slot, title, *workingSet);

  ProfileSummary summary;
  summary.title = title;
  summary.omittedInterfaces = contents.omittedInterfaces;
  for (std::size_t j = 0; j < contents.interfaces.size(); ++j) {
    InterfaceBuffers& buffers = (*workingSet)[j];
    InterfaceSummary shown;
    shown.name = contents.interfaces[j].name;
    shown.dhcp = IsStoredDhcp(ctx, contents.interfaces[j]);
    // The lists as the TCP/IP editor would open them on this tab.
    AddressBoxes boxes{buffers.addressText, buffers.maskText, buffers.gatewayText, buffers.dnsText};
    TcpipLists lists = OpenTcpipLists(buffers, boxes, true);
    for (const std::string& item : lists.addresses) {
      auto [left, right] = SplitPair(item);
      shown.addresses.push_back({left, right});
    }
    for (const std::string& item : lists.gateways) {
      auto [left, right] = SplitPair(item);
      shown.gateways.push_back({left, right});
    }
    shown.dnsServers = lists.dnsServers;
    shown.interfaceMetric = buffers.interfaceMetric;
    summary.interfaces.push_back(std::move(shown));
  }
  summary.printer = contents.printer;
  summary.domainName = contents.domainName;
  summary.domain = contents.domain;
  LoadProxyState(summary.proxy, contents.proxy);
  return summary;
}

}  // namespace views
