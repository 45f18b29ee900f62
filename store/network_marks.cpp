#include "store/network_marks.h"

#include <algorithm>
#include <cctype>

#include "platform/code_page.h"
#include "platform/network_surroundings.h"
#include "store/multi_string.h"
#include "store/profile_store.h"
#include "store/profile_titles.h"
#include "store/registry_access.h"
#include "store/registry_reports.h"
#include "store/store_command.h"
#include "store/system_keys.h"

namespace store {

namespace {

using win::DWORD;

// Mark lists are read whole; a profile holds a few entries per interface.
constexpr int kMarkListBufferSize = 65536;
// IEEE 802.11 allows at most 32 bytes of SSID.
constexpr std::size_t kMaxSsidBytes = 32;
constexpr const char* kActionValue = "MarkAction";

std::vector<std::string> readList(const Context& ctx, const std::string& path, const char* name,
                                  int bufferSize = kMultiStringBufferSize) {
  std::string bytes;
  DWORD length = 0;
  if (ReadRawValue(ctx, HKEY_LOCAL_MACHINE, path, name, bytes, length, bufferSize) != 0) return {};
  return SplitMultiString(bytes, length);
}

// The first default gateway of an interface: the configured one, else the
// one its DHCP lease gave.
std::string firstGateway(const Context& ctx, const std::string& interfaceKey) {
  for (const char* name : {"DefaultGateway", "DhcpDefaultGateway"}) {
    std::vector<std::string> gateways = readList(ctx, interfaceKey, name);
    if (!gateways.empty()) return gateways.front();
  }
  return {};
}

void readInterfaceMarks(const Context& ctx, win::NetworkSurroundings& surroundings,
                        const std::string& adapterPath, const std::string& adapterId,
                        NetworkMarks& marks) {
  std::string connection;
  if (ReadStringValue(ctx, HKEY_LOCAL_MACHINE, kNetworkKeyPrefix + adapterId + "\\Connection",
                      "Name", connection) != 0 ||
      connection.empty())
    return;
  std::string value;
  if (surroundings.QueryConnectedSsid(adapterId, &value) == ERROR_SUCCESS && !value.empty())
    marks.push_back({MarkKind::Ssid, connection, value});
  value.clear();
  if (surroundings.QueryDnsSuffix(adapterId, &value) == ERROR_SUCCESS && !value.empty())
    marks.push_back({MarkKind::DnsSuffix, connection, value});
  std::vector<std::string> ipConfig = readList(ctx, adapterPath, "IpConfig");
  if (ipConfig.empty()) return;
  std::string gateway = firstGateway(ctx, kServicesKeyPrefix + ipConfig.front());
  value.clear();
  if (!gateway.empty() && surroundings.QueryNeighborMac(gateway, &value) == ERROR_SUCCESS &&
      !value.empty())
    marks.push_back({MarkKind::GatewayMac, connection, value});
}

// The list image of the marks of one kind, "connection=value" each.
std::string listImage(const NetworkMarks& marks, MarkKind kind) {
  std::string image;
  for (const NetworkMark& mark : marks)
    if (mark.kind == kind) image += mark.connection + '=' + mark.value + '\0';
  // An empty list is a lone terminator, as regedit writes one.
  if (image.empty()) image += '\0';
  return image + '\0';
}

void writeMarks(const Context& ctx, int slot, const ProfileMarks& marks, bool withAction) {
  const std::string data = DataPath(slot);
  // A profile stored without any captured content has no Data key yet.
  win::HKEY key = nullptr;
  if (ctx.registry().RegCreateKeyExA(HKEY_LOCAL_MACHINE, data.c_str(), 0, "",
                                     REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                     nullptr) == ERROR_SUCCESS)
    (void)ctx.registry().RegCloseKey(key);
  // A write that fails is seen by the command, which then undoes it all.
  for (MarkKind kind : kMarkKinds)
    (void)WriteMultiStringValue(ctx, HKEY_LOCAL_MACHINE, data, MarkValueName(kind),
                                listImage(marks.marks, kind));
  if (withAction)
    (void)WriteDwordValue(ctx, HKEY_LOCAL_MACHINE, data, kActionValue, DWORD(marks.action));
}

bool hasLineBreakOrNul(const std::string& text) {
  return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

// "00-11-22-33-44-55" from six hexadecimal pairs separated by "-" or ":".
std::optional<std::string> canonicalMac(const std::string& text) {
  if (text.size() != 17) return std::nullopt;
  std::string mac;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (i % 3 == 2) {
      if (c != '-' && c != ':') return std::nullopt;
      mac += '-';
    } else {
      if (!std::isxdigit(c)) return std::nullopt;
      mac += char(std::toupper(c));
    }
  }
  return mac;
}

}  // namespace

const char* MarkValueName(MarkKind kind) {
  switch (kind) {
    case MarkKind::Ssid:
      return "MarkSsid";
    case MarkKind::DnsSuffix:
      return "MarkDnsSuffix";
    case MarkKind::GatewayMac:
      return "MarkGatewayMac";
  }
  return "";
}

NetworkMarks ReadLiveMarks(const Context& ctx) {
  NetworkMarks marks;
  std::unique_ptr<win::NetworkSurroundings> surroundings = win::OpenSurroundings(ctx.machine);
  std::vector<std::string> paths;
  int count = 0;  // a missing key lists no adapter
  (void)EnumerateSubkeyPaths(ctx, HKEY_LOCAL_MACHINE, kAdaptersKey, paths, count);
  const std::size_t prefix = std::string(kAdaptersKey).size() + 1;
  for (const std::string& path : paths) {
    std::string id = path.substr(prefix);
    // Only "{…}" adapters are network interfaces.
    if (id.empty() || id.front() != '{') continue;
    readInterfaceMarks(ctx, *surroundings, path, id, marks);
  }
  return marks;
}

ProfileMarks ReadProfileMarks(const Context& ctx, int slot) {
  ProfileMarks result;
  const std::string data = DataPath(slot);
  for (MarkKind kind : kMarkKinds) {
    for (const std::string& entry : readList(ctx, data, MarkValueName(kind), kMarkListBufferSize)) {
      std::size_t equals = entry.find('=');
      if (equals == 0 || equals == std::string::npos || equals + 1 == entry.size()) continue;
      result.marks.push_back({kind, entry.substr(0, equals), entry.substr(equals + 1)});
    }
  }
  DWORD action = 0;  // a missing value asks for nothing
  (void)ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, data, kActionValue, action);
  if (action <= DWORD(MatchAction::SwitchWithoutConfirmation)) result.action = MatchAction(action);
  return result;
}

void CaptureNetworkMarks(const Context& ctx, int slot) {
  writeMarks(ctx, slot, {ReadLiveMarks(ctx), MatchAction::Offer}, false);
}

std::optional<std::string> NormaliseMark(NetworkMark& mark) {
  if (mark.connection.empty()) return "接続名を入力してください。";
  if (mark.value.empty()) return "目印の値を入力してください。";
  // The connection name ends at the first "=" of a stored entry.
  if (mark.connection.find('=') != std::string::npos) return "接続名に「=」は使用できません。";
  if (hasLineBreakOrNul(mark.connection) || hasLineBreakOrNul(mark.value))
    return "目印に改行は使用できません。";
  switch (mark.kind) {
    case MarkKind::Ssid:
      if (mark.value.size() > kMaxSsidBytes) return "SSIDは半角32文字以内で入力してください。";
      break;
    case MarkKind::DnsSuffix:
      break;
    case MarkKind::GatewayMac:
      if (std::optional<std::string> mac = canonicalMac(mark.value))
        mark.value = *mac;
      else
        return "MACアドレスは 00-11-22-33-44-55 の形で入力してください。";
      break;
  }
  return std::nullopt;
}

bool UpdateProfileMarks(const Context& outer, const std::string& title,
                        const std::function<void(ProfileMarks&)>& change) {
  // The slot found is the slot written: no other command moves the slots
  // in between.
  StoreCommand command(outer, StoreChange::Save);
  if (!command.locked()) return false;
  const Context& ctx = command.context();
  std::optional<int> index = LocateSelectedProfile(ctx, title);
  if (!index) return false;
  const int slot = *index + 1;
  ProfileMarks stored = ReadProfileMarks(ctx, slot);
  ProfileMarks changed = stored;
  change(changed);
  if (changed.marks == stored.marks && changed.action == stored.action) return true;
  if (!command.beginWrites()) return false;
  writeMarks(ctx, slot, changed, true);
  return command.commitWrites();
}

}  // namespace store
