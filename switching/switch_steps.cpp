#include "switching/switch_steps.h"

#include <cstdio>

#include "platform/code_page.h"
#include "store/profile_store.h"
#include "store/registry_access.h"
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
constexpr const char* kErrorCaption = "エラーメッセージ";

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

}  // namespace

bool SetDefaultPrinter(const store::Context& ctx, const std::string& ansiPrinter) {
  // An empty name would look up the section's unnamed entry, not a printer.
  if (ansiPrinter.empty()) return false;
  win::ProfileStrings& profile = ctx.machine.profileStrings();
  char entry[kPrinterEntrySize] = {};
  if (profile.GetProfileStringA("Devices", ansiPrinter.c_str(), "", entry, sizeof entry) == 0 ||
      entry[0] == '\0')
    return false;
  const std::string device = ansiPrinter + "," + entry;
  if (!profile.WriteProfileStringA("windows", "device", device.c_str())) return false;
  return profile.SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, 0, SMTO_NORMAL,
                                     kBroadcastTimeoutMs, nullptr) != 0;
}

void ApplyProxySettings(const store::Context& ctx, int slot) {
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
    registry.RegDeleteValueA(key, "AutoConfigURL");
    registry.RegCloseKey(key);
  }
  (void)store::CopyStringValue(ctx, HKEY_LOCAL_MACHINE, mirror, "AutoConfigURL", HKEY_CURRENT_USER,
                               store::kInternetSettingsKey);
}

std::string MembershipFailureMessage(DWORD code) {
  const std::string format = win::ansiFromUtf8(kMembershipFailure);
  const std::string detail = win::ansiFromUtf8(membershipDetail(code));
  std::string message(format.size() + detail.size() + 1, '\0');
  int length = std::snprintf(message.data(), message.size(), format.c_str(), detail.c_str());
  message.resize(length > 0 ? std::size_t(length) : 0);
  return message;
}

DWORD ChangeMembership(const store::Context& ctx, int slot) {
  const std::string data = store::DataPath(slot);
  // Missing values read as a workgroup without a name.
  DWORD domainType = 0;
  (void)store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, data, "DomainType", domainType);
  std::string name;
  (void)store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, data, "DomainName", name);

  std::u16string wide = win::ansiToWide(name);
  // A name that does not fit the buffer converts to nothing, as the
  // conversion call fails then.
  if (wide.size() >= kJoinNameUnits) wide.clear();
  const DWORD options = domainType != 0 ? NETSETUP_JOIN_DOMAIN : NETSETUP_JOIN_UNSECURE;
  DWORD result = ctx.machine.membership().NetJoinDomain(nullptr, wide.c_str(), nullptr, nullptr,
                                                        nullptr, options);
  if (result != NERR_Success)
    ctx.messageBox(MembershipFailureMessage(result), win::ansiFromUtf8(kErrorCaption),
                   MB_OK | MB_ICONERROR);
  return result;
}

}  // namespace switching
