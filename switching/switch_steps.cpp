#include "switching/switch_steps.h"

#include <cstdio>
#include <vector>

#include "platform/code_page.h"
#include "store/messages.h"
#include "store/profile_store.h"
#include "store/registry_access.h"
#include "store/store_journal.h"
#include "store/system_keys.h"

namespace switching {

namespace {

using win::DWORD;

// The WIN.INI entry of a printer is read into 256 bytes, as the name is.
constexpr win::DWORD kPrinterEntrySize = 256;
constexpr win::UINT kBroadcastTimeoutMs = 1000;
// The membership name is converted into 1000 UTF-16 units with its NUL.
constexpr std::size_t kJoinNameUnits = 1000;

constexpr const char* kMembershipFailure =
    "ドメインまたはワークグループの切替ができませんでした。\n詳細：%s\n処理は継続されます。";

std::string membershipDetail(DWORD code) {
  switch (code) {
    case DWORD(ERROR_INVALID_PARAMETER):
      return "NetJoinDominのパラメータ誤りです。";
    case ERROR_NO_SUCH_DOMAIN:
      return "指定されたドメインがみつかりません。";
    case NERR_SetupAlreadyJoined:
      return "既にドメインに接続済です。";
    case NERR_InvalidWorkgroupName:
      return "ワークグループ名が正しくありません。";
    default: {
      // Other results name their code, so that it can be looked up.
      char text[64];
      std::snprintf(text, sizeof text, "エラーコード %lu", static_cast<unsigned long>(code));
      return text;
    }
  }
}

// Copies the profile's proxy values over the live ones.
void copyProxyValues(const store::Context& ctx, const store::ProfileKey& slot) {
  const std::string mirror = store::MirrorPath(slot, store::kInternetSettingsKey);
  // A value the profile lacks is not copied; the proxy step is judged by
  // what the live key holds afterwards.
  (void)store::CopyStringValue(ctx, HKEY_LOCAL_MACHINE, mirror, "ProxyServer", HKEY_CURRENT_USER,
                               store::kInternetSettingsKey);
  (void)store::CopyStringValue(ctx, HKEY_LOCAL_MACHINE, mirror, "ProxyOverride", HKEY_CURRENT_USER,
                               store::kInternetSettingsKey);
  (void)store::CopyDwordValue(ctx, HKEY_LOCAL_MACHINE, mirror, "ProxyEnable", HKEY_CURRENT_USER,
                              store::kInternetSettingsKey);
  // The automatic configuration script goes first, so that the live key
  // keeps one only when the profile has one.
  win::Registry& registry = ctx.registry();
  win::HKEY key = nullptr;
  if (registry.RegOpenKeyExA(HKEY_CURRENT_USER, store::kInternetSettingsKey, 0, KEY_ALL_ACCESS,
                             &key) == ERROR_SUCCESS) {
    (void)registry.RegDeleteValueA(key, "AutoConfigURL");
    (void)registry.RegCloseKey(key);
  }
  (void)store::CopyStringValue(ctx, HKEY_LOCAL_MACHINE, mirror, "AutoConfigURL", HKEY_CURRENT_USER,
                               store::kInternetSettingsKey);
}

}  // namespace

std::string PrinterDevicesEntry(const store::Context& ctx, const std::string& ansiPrinter) {
  // An empty name would look up the section's unnamed entry, not a printer.
  if (ansiPrinter.empty()) return {};
  char entry[kPrinterEntrySize] = {};
  DWORD length = ctx.machine.profileStrings().GetProfileStringA("Devices", ansiPrinter.c_str(), "",
                                                                entry, sizeof entry);
  return std::string(entry, length < sizeof entry ? length : 0);
}

bool SetDefaultPrinter(const store::Context& ctx, const std::string& ansiPrinter) {
  const std::string entry = PrinterDevicesEntry(ctx, ansiPrinter);
  if (entry.empty()) return false;
  win::ProfileStrings& profile = ctx.machine.profileStrings();
  const std::string device = ansiPrinter + "," + entry;
  if (!profile.WriteProfileStringA("windows", "device", device.c_str())) return false;
  return profile.SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, 0, SMTO_NORMAL,
                                     kBroadcastTimeoutMs, nullptr) != 0;
}

bool ApplyProxySettings(const store::Context& ctx, const store::ProfileKey& slot) {
  win::RegistryBatch batch(ctx.registry());
  // Where the registry does not group the writes, the journal keeps the
  // old values until the new ones all hold: a step cut short is undone here
  // or, when the process ended, by the next start or store command.
  store::StoreJournal journal(ctx);
  const win::LONG saved =
      journal.saveUserValues(store::kInternetSettingsKey,
                             {"ProxyServer", "ProxyOverride", "ProxyEnable", "AutoConfigURL"});
  if (saved == ERROR_SUCCESS) copyProxyValues(ctx, slot);
  bool kept = false;
  if (saved == ERROR_SUCCESS && ProxyHoldsProfile(ctx, slot) && journal.finish() == ERROR_SUCCESS) {
    kept = batch.commit() == ERROR_SUCCESS;
  } else {
    // What cannot be undone now stays in the journal for the next start.
    (void)journal.rollBack();
    batch.cancel();
  }
  // Running programs are told of whatever is live now, so that they never
  // keep a proxy the registry no longer holds.
  AnnounceProxySettings(ctx);
  return kept;
}

std::optional<ConnectionProxy> ReadConnectionProxy(const store::Context& ctx) {
  win::Registry& registry = ctx.registry();
  win::HKEY key = nullptr;
  if (registry.RegOpenKeyExA(HKEY_CURRENT_USER, store::kInternetSettingsKey, 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return std::nullopt;
  (void)registry.RegCloseKey(key);
  ConnectionProxy proxy;
  auto text = [&](const char* name) -> std::optional<std::string> {
    std::string value;
    if (store::ReadStringValue(ctx, HKEY_CURRENT_USER, store::kInternetSettingsKey, name, value) !=
        0)
      return std::nullopt;
    return value;
  };
  DWORD enabled = 0;  // a missing value reads as no proxy
  (void)store::ReadDwordValue(ctx, HKEY_CURRENT_USER, store::kInternetSettingsKey, "ProxyEnable",
                              enabled);
  proxy.server = text("ProxyServer");
  proxy.bypass = text("ProxyOverride");
  proxy.autoConfigUrl = text("AutoConfigURL");
  // Direct access is always allowed besides what the values ask for, as
  // Internet Explorer's own settings page stores it.
  proxy.flags = PROXY_TYPE_DIRECT;
  if (enabled != 0) proxy.flags |= PROXY_TYPE_PROXY;
  if (proxy.autoConfigUrl && !proxy.autoConfigUrl->empty())
    proxy.flags |= PROXY_TYPE_AUTO_PROXY_URL;
  return proxy;
}

void AnnounceProxySettings(const store::Context& ctx) {
  win::Internet& internet = ctx.machine.internet();
  // WinINet's own copy of the LAN connection's proxy gets the values the
  // live key now holds; a value the key lacks is left out, so that nothing
  // appears there that the step did not write. Failures change nothing the
  // step wrote and are not reported, as the step reports nothing.
  if (std::optional<ConnectionProxy> proxy = ReadConnectionProxy(ctx)) {
    std::vector<win::INTERNET_PER_CONN_OPTIONA> options;
    win::INTERNET_PER_CONN_OPTIONA flags{};
    flags.dwOption = INTERNET_PER_CONN_FLAGS;
    flags.Value.dwValue = proxy->flags;
    options.push_back(flags);
    auto addText = [&](DWORD option, std::optional<std::string>& value) {
      if (!value) return;
      win::INTERNET_PER_CONN_OPTIONA text{};
      text.dwOption = option;
      text.Value.pszValue = value->data();
      options.push_back(text);
    };
    addText(INTERNET_PER_CONN_PROXY_SERVER, proxy->server);
    addText(INTERNET_PER_CONN_PROXY_BYPASS, proxy->bypass);
    addText(INTERNET_PER_CONN_AUTOCONFIG_URL, proxy->autoConfigUrl);
    win::INTERNET_PER_CONN_OPTION_LISTA list{};
    list.dwSize = sizeof list;
    list.pszConnection = nullptr;
    list.dwOptionCount = DWORD(options.size());
    list.pOptions = options.data();
    (void)internet.InternetSetOptionA(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list,
                                      sizeof list);
  }
  // Running programs read the settings again: first the news that they
  // changed, then the request to reread them.
  (void)internet.InternetSetOptionA(nullptr, INTERNET_OPTION_SETTINGS_CHANGED, nullptr, 0);
  (void)internet.InternetSetOptionA(nullptr, INTERNET_OPTION_REFRESH, nullptr, 0);
}

bool ProxyHoldsProfile(const store::Context& ctx, const store::ProfileKey& slot) {
  const std::string mirror = store::MirrorPath(slot, store::kInternetSettingsKey);
  for (const char* name : {"ProxyServer", "ProxyOverride", "AutoConfigURL"}) {
    std::string asked;
    std::string live;
    const bool held = store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, mirror, name, asked) == 0;
    const bool present = store::ReadStringValue(ctx, HKEY_CURRENT_USER, store::kInternetSettingsKey,
                                                name, live) == 0;
    // Only the configuration script is removed when the profile has none.
    const bool removes = std::string_view(name) == "AutoConfigURL";
    if (held ? !present || live != asked : removes && present) return false;
  }
  DWORD asked = 0;
  DWORD live = 0;
  if (store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, mirror, "ProxyEnable", asked) == 0 &&
      (store::ReadDwordValue(ctx, HKEY_CURRENT_USER, store::kInternetSettingsKey, "ProxyEnable",
                             live) != 0 ||
       live != asked))
    return false;
  return true;
}

std::string MembershipFailureDetail(DWORD code) {
  return win::ansiFromUtf8(membershipDetail(code));
}

std::string MembershipFailureMessage(DWORD code) {
  return store::FormatAnsi(kMembershipFailure, win::ansiFromUtf8(membershipDetail(code)).c_str());
}

DWORD ChangeMembership(const store::Context& ctx, const store::ProfileKey& slot) {
  const std::string data = store::DataPath(slot);
  // Missing values read as a workgroup without a name.
  DWORD domainType = 0;
  (void)store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, data, "DomainType", domainType);
  std::string name;
  (void)store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, data, "DomainName", name);

  // A name that does not fit the buffer, or that cannot be converted,
  // becomes nothing, as the conversion call fails then; the join then fails
  // and says so.
  std::u16string wide = win::ansiToWide(name).value_or(std::u16string());
  if (wide.size() >= kJoinNameUnits) wide.clear();
  const DWORD options = domainType != 0 ? NETSETUP_JOIN_DOMAIN : NETSETUP_JOIN_UNSECURE;
  DWORD result = ctx.machine.membership().NetJoinDomain(nullptr, wide.c_str(), nullptr, nullptr,
                                                        nullptr, options);
  if (result != NERR_Success) store::ShowAnsiError(ctx, MembershipFailureMessage(result));
  return result;
}

}  // namespace switching
