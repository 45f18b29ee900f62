#include "switching/switch_script.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/code_page.h"
#include "store/messages.h"
#include "store/multi_string.h"
#include "store/profile_store.h"
#include "store/registry_access.h"
#include "store/system_keys.h"

namespace switching {

namespace {

using win::DWORD;

// UTF-8 sources of the texts the script carries; they enter ANSI text once,
// where the script is composed.
constexpr const char* kStartText = "s ○○○ 切り替え処理の開始";
constexpr const char* kEndText = "e ○○○ 切り替え処理の終了";
constexpr const char* kStaticTitle = "IPｱﾄﾞﾚｽ/ﾏｽｸ/ｹﾞｰﾄｳｪｲ の設定";
constexpr const char* kAddAddressTitle = "IPｱﾄﾞﾚｽ/ﾏｽｸ の追加";
constexpr const char* kAddGatewayTitle = "ｹﾞｰﾄｳｪｲ/ｹﾞｰﾄｳｪｲﾒﾄﾘｯｸ の追加";
constexpr const char* kDhcpTitle = "DHCP へ切替";
constexpr const char* kDnsTitle = "DNS の設定";
constexpr const char* kAddDnsTitle = "DNS%d の追加";

constexpr const char* kUnsafeMessage =
    "登録内容に使用できない文字が含まれているため切り替えできません。\n[%s] %s : %s";

// A value the script inserts, with the registry name it came from.
struct Field {
  const char* valueName;
  std::string text;
};

// One numbered section: its header title and the one netsh command after it.
struct Section {
  std::string title;  // ANSI
  std::string command;
  std::vector<Field> fields;
};

struct InterfacePlan {
  std::string name;
  std::vector<Section> sections;
  InterfaceTarget target;
};

// The connection name as netsh's argument. Inside the quotes cmd takes
// "&", "|", "<", ">" and "^" as text, but it expands "%" before it looks at
// quotes, so "%" is doubled. netsh splits its arguments as the C runtime
// does, where backslashes right before a quote escape it: a name ending in
// backslashes gets them doubled so that the closing quote stays one.
std::string quotedName(const std::string& name) {
  std::string escaped;
  std::size_t trailingBackslashes = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (win::isLeadByte(c) && i + 1 < name.size()) {
      escaped.append(name, i++, 2);
      trailingBackslashes = 0;
      continue;
    }
    if (c == '%') escaped += '%';
    escaped += char(c);
    trailingBackslashes = c == '\\' ? trailingBackslashes + 1 : 0;
  }
  escaped.append(trailingBackslashes, '\\');
  return "name=\"" + escaped + "\"";
}

// The connection name as echoed text in a header, where it stands outside
// quotes: "%" is doubled and cmd's operators and its escape character get a
// "^" before them, so that the result file shows the name as it is. The
// second byte of a double-byte character ("ポ" is 0x83 0x7C) is left alone,
// as cmd reads it as part of its character.
std::string echoedName(const std::string& name) {
  std::string escaped;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (win::isLeadByte(c) && i + 1 < name.size()) {
      escaped.append(name, i++, 2);
      continue;
    }
    if (c == '%') escaped += '%';
    if (std::string_view("^&|<>").find(char(c)) != std::string_view::npos) escaped += '^';
    escaped += char(c);
  }
  return escaped;
}

// The netsh of Windows 7 and later asks a DNS server whether it answers
// before it stores it, and prints a message when it does not (a notebook
// switched before its new network is up hears from none); "validate=no",
// which only that netsh knows, skips the question.
bool netshValidatesDns(win::System& system) {
  win::OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!system.GetVersionExA(&info)) return false;
  return info.dwMajorVersion > 6 || (info.dwMajorVersion == 6 && info.dwMinorVersion >= 1);
}

void addDnsSections(const std::vector<std::string>& dns, const std::string& name, bool validateNo,
                    InterfacePlan& plan) {
  for (std::size_t k = 0; k < dns.size(); ++k) {
    const std::string& piece = dns[k];
    Section section;
    if (k == 0) {
      section.title = win::ansiFromUtf8(kDnsTitle);
      section.command = "netsh interface ip set dns " + quotedName(name) + " static " +
                        (piece.empty() ? std::string("none") : piece);
    } else {
      char title[64];
      std::snprintf(title, sizeof title, kAddDnsTitle, int(k + 1));
      section.title = win::ansiFromUtf8(title);
      section.command = "netsh interface ip add dns " + quotedName(name) + " " + piece;
    }
    // Only a command that names a server has one to check.
    if (validateNo && !piece.empty()) section.command += " validate=no";
    section.fields = {{"NameServer", piece}};
    plan.sections.push_back(std::move(section));
    // "static none" clears the list; an empty server to add is refused.
    if (std::string server = TrimBlanks(piece); !server.empty())
      plan.target.dnsServers.push_back(std::move(server));
  }
}

// Further addresses or gateways: the second and later entries of a
// multi-string list, up to the first empty one, each with its partner from
// the second list (whose last entry repeats when it runs out).
// Each pair is also added to the target lists it sets.
template <typename MakeCommand>
void addFurther(const StringList& first, const StringList& second, const char* firstName,
                const char* secondName, const char* utf8Title, MakeCommand makeCommand,
                InterfacePlan& plan, std::vector<std::string>& firstSet,
                std::vector<std::string>& secondSet) {
  if (!first.multi) return;
  for (std::size_t i = 1; i < first.items.size(); ++i) {
    const std::string& partner = second.at(i);
    Section section;
    section.title = win::ansiFromUtf8(utf8Title);
    section.command = makeCommand(first.items[i], partner);
    section.fields = {{firstName, first.items[i]}, {secondName, partner}};
    plan.sections.push_back(std::move(section));
    firstSet.push_back(TrimBlanks(first.items[i]));
    secondSet.push_back(TrimBlanks(partner));
  }
}

InterfacePlan planInterface(const store::Context& ctx, const store::ProfileKey& slot,
                            const InterfaceEntry& entry, bool validateNo) {
  InterfacePlan plan;
  plan.name = entry.name;
  plan.target.name = entry.name;
  InterfaceTarget& target = plan.target;
  const std::string& name = entry.name;

  std::string ipConfig;  // empty when missing: the interface key is then not found
  (void)store::ReadStringValue(
      ctx, HKEY_LOCAL_MACHINE,
      store::MirrorPath(slot, std::string(store::kAdaptersKey) + "\\" + entry.adapterId),
      "IpConfig", ipConfig);
  const std::string interfaceKey = store::kServicesKeyPrefix + ipConfig;
  const std::string profileKey = store::MirrorPath(slot, interfaceKey);

  // A profile interface without EnableDHCP takes the static form: its own
  // values are applied (and netsh reports any that are missing) rather than
  // silently handing the interface to DHCP.
  DWORD enableDhcp = 0;
  (void)store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, profileKey, "EnableDHCP", enableDhcp);

  if (enableDhcp == 0) {
    StringList addresses = ReadStringList(ctx, HKEY_LOCAL_MACHINE, profileKey, "IPAddress");
    StringList masks = ReadStringList(ctx, HKEY_LOCAL_MACHINE, profileKey, "SubnetMask");
    StringList gateways = ReadStringList(ctx, HKEY_LOCAL_MACHINE, profileKey, "DefaultGateway");
    StringList metrics =
        ReadStringList(ctx, HKEY_LOCAL_MACHINE, profileKey, "DefaultGatewayMetric");
    std::vector<std::string> dns = ReadDnsList(ctx, HKEY_LOCAL_MACHINE, profileKey);

    Section first;
    first.title = win::ansiFromUtf8(kStaticTitle);
    const std::string& address = addresses.items.front();
    const std::string& mask = masks.items.front();
    const std::string& gateway = gateways.items.front();
    first.command = "netsh interface ip set address " + quotedName(name) +
                    " static addr=" + address + " mask=" + mask;
    first.fields = {{"IPAddress", address}, {"SubnetMask", mask}};
    target.addresses = {TrimBlanks(address)};
    target.masks = {TrimBlanks(mask)};
    if (gateway.empty()) {
      first.command += " gateway=none";
    } else {
      const std::string& metric = metrics.items.front();
      first.command += " gateway=" + gateway + " gwmetric=" + metric;
      first.fields.push_back({"DefaultGateway", gateway});
      first.fields.push_back({"DefaultGatewayMetric", metric});
      target.gateways = {TrimBlanks(gateway)};
      target.metrics = {TrimBlanks(metric)};
    }
    plan.sections.push_back(std::move(first));

    addFurther(
        addresses, masks, "IPAddress", "SubnetMask", kAddAddressTitle,
        [&](const std::string& a, const std::string& m) {
          return "netsh interface ip add address " + quotedName(name) + " addr=" + a + " mask=" + m;
        },
        plan, target.addresses, target.masks);
    addFurther(
        gateways, metrics, "DefaultGateway", "DefaultGatewayMetric", kAddGatewayTitle,
        [&](const std::string& g, const std::string& k) {
          return "netsh interface ip add address " + quotedName(name) + " gateway=" + g +
                 " gwmetric=" + k;
        },
        plan, target.gateways, target.metrics);
    addDnsSections(dns, name, validateNo, plan);
  } else {
    target.dhcp = true;
    std::vector<std::string> dns = ReadDnsList(ctx, HKEY_LOCAL_MACHINE, profileKey);
    // Switching an interface that is on DHCP already to DHCP again fails in
    // netsh, so the address is left alone then (and when the live interface
    // cannot be read).
    DWORD liveDhcp = 1;
    (void)store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, interfaceKey, "EnableDHCP", liveDhcp);
    if (liveDhcp == 0) {
      Section section;
      section.title = win::ansiFromUtf8(kDhcpTitle);
      section.command = "netsh interface ip set address " + quotedName(name) + " dhcp";
      plan.sections.push_back(std::move(section));
    }
    addDnsSections(dns, name, validateNo, plan);
  }
  return plan;
}

std::vector<InterfacePlan> planScript(const store::Context& ctx, const store::ProfileKey& slot,
                                      const std::vector<InterfaceEntry>& interfaces,
                                      const std::vector<bool>& ticked) {
  std::vector<InterfacePlan> plans;
  const bool validateNo = netshValidatesDns(ctx.machine.system());
  for (std::size_t i = 0; i < interfaces.size(); ++i)
    if (i < ticked.size() && ticked[i])
      plans.push_back(planInterface(ctx, slot, interfaces[i], validateNo));
  return plans;
}

std::optional<UnsafeValue> firstUnsafe(const std::vector<InterfacePlan>& plans) {
  for (const InterfacePlan& plan : plans) {
    if (!IsScriptSafeText(plan.name)) return UnsafeValue{plan.name, "Name", plan.name};
    for (const Section& section : plan.sections)
      for (const Field& field : section.fields)
        if (!IsAddressText(field.text)) return UnsafeValue{plan.name, field.valueName, field.text};
  }
  return std::nullopt;
}

// The result file as the script's redirections name it. A path with blanks
// (or "&" or "^", which the interpreter would act on) is quoted; "%" is
// doubled so that it survives the batch file's variable expansion. Any other
// path is written as it is.
std::string resultPathInScript(const std::string& path) {
  std::string escaped;
  bool quote = false;
  for (std::size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (win::isLeadByte(c) && i + 1 < path.size()) {
      escaped += path[i];
      escaped += path[++i];
      continue;
    }
    if (c == ' ' || c == '&' || c == '^') quote = true;
    if (c == '%') escaped += '%';
    escaped += path[i];
  }
  return quote ? "\"" + escaped + "\"" : escaped;
}

std::string header(int number, const std::string& name, const std::string& title) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%2d", number);
  return "echo ==== " + std::string(digits) + " [" + echoedName(name) + "] " + title + " ===";
}

// How a value is named in the refusal: control bytes and a cut-off
// double-byte character are spelled out so that the box shows them.
std::string displayText(const std::string& ansi) {
  std::string shown;
  for (std::size_t i = 0; i < ansi.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(ansi[i]);
    if (win::isLeadByte(c) && i + 1 < ansi.size() &&
        win::isTrailByte(static_cast<unsigned char>(ansi[i + 1]))) {
      shown += ansi[i];
      shown += ansi[++i];
    } else if (c == '\r') {
      shown += "\\r";
    } else if (c == '\n') {
      shown += "\\n";
    } else if (c < 0x20 || c == 0x7F || win::isLeadByte(c) || c == 0x80 || c >= 0xFD) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      shown += hex;
    } else {
      shown += char(c);
    }
  }
  return shown;
}

}  // namespace

WorkFiles WorkFilePaths(win::System& system) {
  char buffer[256] = {};
  win::UINT length = system.GetWindowsDirectoryA(buffer, sizeof buffer);
  std::string directory;
  if (length > 0 && length < sizeof buffer)
    directory.assign(buffer, strnlen(buffer, sizeof buffer));
  // A backslash ends the text only when it is a character of its own, not
  // the second byte of a double-byte character.
  bool endsWithBackslash = false;
  for (std::size_t i = 0; i < directory.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(directory[i]);
    if (win::isLeadByte(c) && i + 1 < directory.size()) {
      ++i;
      endsWithBackslash = false;
    } else {
      endsWithBackslash = c == '\\';
    }
  }
  const std::string prefix = endsWithBackslash ? directory : directory + "\\";
  return {prefix + kScriptFileName, prefix + kResultFileName};
}

const std::string& StringList::at(std::size_t index) const {
  return index < items.size() ? items[index] : items.back();
}

StringList ReadStringList(const store::Context& ctx, win::HKEY hive, const std::string& path,
                          const std::string& name) {
  std::string bytes;
  DWORD length = 0;
  StringList list;
  if (store::ReadRawValue(ctx, hive, path, name, bytes, length, store::kValueBufferSize) != 0) {
    list.items = {""};
    return list;
  }
  if (length == 0) {
    list.items = {bytes.substr(0, bytes.find('\0'))};
    return list;
  }
  list.multi = true;
  // The first string always counts, even when empty.
  list.items = store::MultiStringItems(std::string_view(bytes).substr(0, length));
  return list;
}

ScriptText ComposeSwitchScript(const store::Context& ctx, const store::ProfileKey& slot,
                               const std::vector<InterfaceEntry>& interfaces,
                               const std::vector<bool>& ticked, const std::string& resultPath) {
  const std::vector<InterfacePlan> plans = planScript(ctx, slot, interfaces, ticked);
  const std::string target = resultPathInScript(resultPath);

  ScriptText script;
  script.unsafe = firstUnsafe(plans);
  script.text = "echo " + win::ansiFromUtf8(kStartText) + " > " + target + "\n";
  int number = 0;
  for (const InterfacePlan& plan : plans) {
    for (const Section& section : plan.sections) {
      script.text += header(++number, plan.name, section.title) + " >> " + target + "\n";
      script.text += section.command + " >> " + target + "\n";
    }
  }
  script.text += "echo " + win::ansiFromUtf8(kEndText) + " >> " + target + "\n";
  script.sectionCount = number;
  for (const InterfacePlan& plan : plans) script.targets.push_back(plan.target);
  return script;
}

ScriptText ComposeSwitchScript(const store::Context& ctx, const store::ProfileKey& slot,
                               const std::vector<InterfaceEntry>& interfaces,
                               const std::vector<bool>& ticked) {
  return ComposeSwitchScript(ctx, slot, interfaces, ticked,
                             WorkFilePaths(ctx.machine.system()).result);
}

ScriptResult WriteSwitchScript(const store::Context& ctx, const store::ProfileKey& slot,
                               const std::vector<InterfaceEntry>& interfaces,
                               const std::vector<bool>& ticked) {
  const WorkFiles files = WorkFilePaths(ctx.machine.system());
  ScriptText script = ComposeSwitchScript(ctx, slot, interfaces, ticked, files.result);
  ScriptResult result;
  result.sectionCount = script.sectionCount;
  result.targets = std::move(script.targets);
  if (script.unsafe) {
    result.status = ScriptStatus::Unsafe;
    result.unsafe = std::move(script.unsafe);
    return result;
  }
  auto file = ctx.machine.files().openText(files.script, win::TextMode::Write);
  if (!file) return result;
  bool written = file->write(script.text);
  // A script cut short would never write its end line: count it as not
  // created.
  if (!file->close() || !written) return result;
  result.status = ScriptStatus::Created;
  return result;
}

std::optional<UnsafeValue> FindUnsafeValue(const store::Context& ctx, const store::ProfileKey& slot,
                                           const std::vector<InterfaceEntry>& interfaces,
                                           const std::vector<bool>& ticked) {
  return firstUnsafe(planScript(ctx, slot, interfaces, ticked));
}

std::string UnsafeValueMessage(const UnsafeValue& value) {
  const std::string name = displayText(value.interfaceName);
  const std::string text = displayText(value.text);
  return store::FormatAnsi(kUnsafeMessage, name.c_str(), value.valueName.c_str(), text.c_str());
}

void ReportUnsafeValue(const store::Context& ctx, const UnsafeValue& value) {
  store::ShowAnsiError(ctx, UnsafeValueMessage(value));
}

}  // namespace switching
