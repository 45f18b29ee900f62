#include "tools/verantu-machine/netsh.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/code_page.h"
#include "platform/emulated/emulated_machine.h"
#include "store/system_keys.h"

namespace machinetool {

namespace {

using win::DWORD;
using win::HKEY;

// --- registry -------------------------------------------------------------

bool readValue(win::Registry& registry, const std::string& path, const char* name, DWORD* type,
               std::string* bytes) {
  HKEY key = nullptr;
  if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  DWORD size = 0;
  bool ok = registry.RegQueryValueExA(key, name, nullptr, type, nullptr, &size) == ERROR_SUCCESS;
  if (ok) {
    std::string data(size + 1, '\0');
    ok = registry.RegQueryValueExA(key, name, nullptr, type,
                                   reinterpret_cast<win::BYTE*>(data.data()),
                                   &size) == ERROR_SUCCESS;
    data.resize(size);
    *bytes = std::move(data);
  }
  (void)registry.RegCloseKey(key);
  return ok;
}

bool keyExists(win::Registry& registry, const std::string& path) {
  HKEY key = nullptr;
  if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  (void)registry.RegCloseKey(key);
  return true;
}

bool writeValue(win::Registry& registry, const std::string& path, const char* name, DWORD type,
                const std::string& bytes) {
  HKEY key = nullptr;
  if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key) !=
      ERROR_SUCCESS)
    return false;
  bool ok =
      registry.RegSetValueExA(key, name, 0, type, reinterpret_cast<const win::BYTE*>(bytes.data()),
                              DWORD(bytes.size())) == ERROR_SUCCESS;
  (void)registry.RegCloseKey(key);
  return ok;
}

std::string text(const std::string& bytes) {
  return bytes.substr(0, bytes.find('\0'));
}

// The strings of a stored list up to the first empty one; a REG_SZ counts as
// a list of its one text.
std::vector<std::string> readList(win::Registry& registry, const std::string& path,
                                  const char* name) {
  DWORD type = 0;
  std::string bytes;
  std::vector<std::string> list;
  if (!readValue(registry, path, name, &type, &bytes)) return list;
  if (type != REG_MULTI_SZ) {
    if (!text(bytes).empty()) list.push_back(text(bytes));
    return list;
  }
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t stop = bytes.find('\0', pos);
    if (stop == std::string::npos) stop = bytes.size();
    if (stop == pos) break;
    list.push_back(bytes.substr(pos, stop - pos));
    pos = stop + 1;
  }
  return list;
}

std::string listImage(const std::vector<std::string>& list) {
  if (list.empty()) return std::string(1, '\0');
  std::string image;
  for (const std::string& item : list) image += item + '\0';
  return image + '\0';
}

std::string stringImage(const std::string& value) {
  return value + '\0';
}

bool sameName(const std::string& a, const std::string& b) {
  std::optional<std::u16string> wideA = win::ansiToWide(a);
  std::optional<std::u16string> wideB = win::ansiToWide(b);
  return wideA && wideB &&
         QString::fromStdU16String(*wideA).compare(QString::fromStdU16String(*wideB),
                                                   Qt::CaseInsensitive) == 0;
}

// --- messages -------------------------------------------------------------

NetshResult failure(const char* utf8Format, const std::string& ansiArgument = {}) {
  std::string line = win::ansiFromUtf8(utf8Format);
  std::size_t at = line.find("%s");
  if (at != std::string::npos) line.replace(at, 2, ansiArgument);
  return {1, line + "\n"};
}

// How this machine's netsh behaves, from the machine's version and the
// rights of the process that runs it.
struct Dialect {
  bool modern = false;        // Windows Vista and later
  bool validatesDns = false;  // Windows 7 and later
  bool elevated = true;
};

Dialect dialectOf(emu::EmulatedMachine& machine) {
  Dialect dialect;
  win::OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (machine.system().GetVersionExA(&info)) {
    dialect.modern = info.dwMajorVersion >= 6;
    dialect.validatesDns =
        info.dwMajorVersion > 6 || (info.dwMajorVersion == 6 && info.dwMinorVersion >= 1);
  }
  dialect.elevated = machine.system().elevated();
  return dialect;
}

// One run of netsh: the machine and how its netsh speaks.
struct Netsh {
  emu::EmulatedMachine& machine;
  Dialect dialect;
};

NetshResult success(const Netsh& netsh) {
  if (netsh.dialect.modern) return {0, "\n"};
  return {0, std::string(netsh_text::kOk) + "\n\n"};
}

NetshResult commandNotFound(const std::vector<std::string>& args) {
  std::string joined;
  for (const std::string& arg : args) joined += (joined.empty() ? "" : " ") + arg;
  NetshResult result = failure(netsh_text::kCommandNotFound, joined);
  result.output += win::ansiFromUtf8(netsh_text::kUsage);
  return result;
}

// --- values ---------------------------------------------------------------

bool equalsIgnoringCase(const std::string& a, const char* b) {
  return QString::fromStdString(a).compare(QString::fromLatin1(b), Qt::CaseInsensitive) == 0;
}

// netsh takes any unambiguous abbreviation of its command words; three
// letters tell every word here apart.
bool matchesWord(const std::string& token, const char* word) {
  const std::string full(word);
  if (equalsIgnoringCase(token, word)) return true;
  return token.size() >= 3 && token.size() < full.size() &&
         equalsIgnoringCase(token, full.substr(0, token.size()).c_str());
}

std::optional<std::uint32_t> parseQuad(const std::string& value) {
  std::uint32_t address = 0;
  std::size_t pos = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (pos >= value.size() || value[pos] != '.') return std::nullopt;
      ++pos;
    }
    std::size_t start = pos;
    unsigned number = 0;
    while (pos < value.size() && value[pos] >= '0' && value[pos] <= '9' && pos - start < 3)
      number = number * 10 + unsigned(value[pos++] - '0');
    if (pos == start || number > 255) return std::nullopt;
    if (pos < value.size() && value[pos] >= '0' && value[pos] <= '9') return std::nullopt;
    address = (address << 8) | number;
  }
  if (pos != value.size()) return std::nullopt;
  return address;
}

std::string formatQuad(std::uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
         std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

// A subnet mask is a run of one bits from the top followed by zero bits, and
// has at least one network bit.
bool isContiguousMask(std::uint32_t mask) {
  std::uint32_t host = ~mask;
  return mask != 0 && (host & (host + 1)) == 0;
}

std::optional<unsigned> parseMetric(const std::string& value) {
  if (value.empty() || value.size() > 9) return std::nullopt;
  unsigned number = 0;
  for (char c : value) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + unsigned(c - '0');
  }
  if (number > 9999) return std::nullopt;
  return number;
}

// --- parameters -----------------------------------------------------------

// The values given to one command, by tag. Tagged values ("addr=…") may come
// in any order; an untagged one takes the tag after the last one filled, as
// netsh reads "set dns name=X static 1.2.3.4".
class Parameters {
 public:
  explicit Parameters(std::vector<const char*> tags)
      : tags_(std::move(tags)), values_(tags_.size()) {}

  // The argument that is not a parameter of the command, if any.
  std::optional<std::string> parse(const std::vector<std::string>& args, std::size_t from) {
    std::size_t next = 0;
    for (std::size_t i = from; i < args.size(); ++i) {
      const std::string& arg = args[i];
      std::size_t index = tags_.size();
      std::string value;
      std::size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        for (std::size_t t = 0; t < tags_.size(); ++t)
          if (equalsIgnoringCase(arg.substr(0, eq), tags_[t])) index = t;
        value = arg.substr(eq + 1);
      } else {
        index = next;
        value = arg;
      }
      if (index >= tags_.size() || values_[index]) return arg;
      values_[index] = value;
      next = index + 1;
    }
    return std::nullopt;
  }

  // Empty when the tag was not given or given without a value.
  std::string get(const char* tag) const {
    for (std::size_t t = 0; t < tags_.size(); ++t)
      if (std::string(tags_[t]) == tag && values_[t]) return *values_[t];
    return {};
  }
  bool given(const char* tag) const {
    for (std::size_t t = 0; t < tags_.size(); ++t)
      if (std::string(tags_[t]) == tag) return values_[t].has_value();
    return false;
  }
  std::string argument(const char* tag) const { return std::string(tag) + "=" + get(tag); }

 private:
  std::vector<const char*> tags_;
  std::vector<std::optional<std::string>> values_;
};

// --- the interface --------------------------------------------------------

struct Interface {
  std::string name;       // as stored in its Connection key
  std::string key;        // the live TCP/IP interface key
  std::string legacyKey;  // the adapter's own Parameters\Tcpip key, when it exists
};

std::optional<Interface> findInterface(win::Registry& registry, const std::string& name) {
  HKEY network = nullptr;
  if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, store::kNetworkKey, 0, KEY_READ, &network) !=
      ERROR_SUCCESS)
    return std::nullopt;
  std::vector<std::string> ids;
  std::array<char, 4096> buffer{};
  for (DWORD index = 0;
       registry.RegEnumKeyA(network, index, buffer.data(), DWORD(buffer.size())) == ERROR_SUCCESS;
       ++index)
    ids.emplace_back(buffer.data());
  (void)registry.RegCloseKey(network);

  for (const std::string& id : ids) {
    DWORD type = 0;
    std::string bytes;
    const std::string connection = std::string(store::kNetworkKey) + "\\" + id + "\\Connection";
    if (!readValue(registry, connection, "Name", &type, &bytes) || !sameName(text(bytes), name))
      continue;
    Interface found;
    found.name = text(bytes);
    // The adapter's IpConfig names its interface key; without it Windows
    // keeps the interface under its own identifier.
    std::string ipConfig;
    if (readValue(registry, std::string(store::kAdaptersKey) + "\\" + id, "IpConfig", &type,
                  &bytes))
      ipConfig = text(bytes);
    found.key = ipConfig.empty() ? std::string(store::kInterfacesKey) + "\\" + id
                                 : store::kServicesKeyPrefix + ipConfig;
    if (!keyExists(registry, found.key)) continue;
    const std::string legacy = store::kServicesKeyPrefix + id + "\\Parameters\\Tcpip";
    if (keyExists(registry, legacy)) found.legacyKey = legacy;
    return found;
  }
  return std::nullopt;
}

bool isUnavailable(win::Registry& registry, const std::string& name) {
  for (const std::string& listed :
       readList(registry, store::kEmulationKey, "UnavailableInterfaces"))
    if (sameName(listed, name)) return true;
  return false;
}

// Writes a value into the interface key and, as Windows keeps both, into the
// adapter's own TCP/IP key.
bool writeInterface(win::Registry& registry, const Interface& target, const char* name, DWORD type,
                    const std::string& bytes) {
  bool ok = writeValue(registry, target.key, name, type, bytes);
  if (!target.legacyKey.empty())
    ok = writeValue(registry, target.legacyKey, name, type, bytes) && ok;
  return ok;
}

std::string dwordImage(DWORD value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i) bytes[std::size_t(i)] = char((value >> (8 * i)) & 0xFF);
  return bytes;
}

// --- the commands ---------------------------------------------------------

using Change = std::function<bool(win::Registry&, const Interface&)>;
using Check = std::function<std::optional<NetshResult>(win::Registry&, const Interface&)>;

// Finds the interface, lets `check` refuse the command, and applies `change`
// in one registry transaction, so a command changes all its values or none.
// Today's netsh first refuses a process that is not elevated.
NetshResult applyToInterface(const Netsh& netsh, const std::string& name, const Change& change,
                             const Check& check = nullptr) {
  if (netsh.dialect.modern && !netsh.dialect.elevated)
    return failure(netsh_text::kModernRequiresElevation);
  emu::EmulatedMachine& machine = netsh.machine;
  win::Registry& registry = machine.registry();
  NetshResult result = success(netsh);
  std::string error;
  bool committed = machine.registry().transaction(
      [&] {
        std::optional<Interface> target = findInterface(registry, name);
        if (!target) {
          result = failure(netsh_text::kUnknownInterface);
          return true;
        }
        if (isUnavailable(registry, target->name)) {
          result = failure(netsh_text::kUnavailableInterface);
          return true;
        }
        if (auto refused = check ? check(registry, *target) : std::nullopt) {
          result = *refused;
          return true;
        }
        return change(registry, *target);
      },
      &error);
  if (!committed) return failure(netsh_text::kWriteFailed);
  return result;
}

NetshResult setAddress(const Netsh& netsh, const std::vector<std::string>& args) {
  Parameters p({"name", "source", "addr", "mask", "gateway", "gwmetric"});
  if (auto bad = p.parse(args, 4)) return failure(netsh_text::kInvalidParameter, *bad);
  if (p.get("name").empty() || p.get("source").empty())
    return failure(netsh_text::kMissingParameter);

  const std::string source = p.get("source");
  if (equalsIgnoringCase(source, "dhcp")) {
    for (const char* tag : {"addr", "mask", "gateway", "gwmetric"})
      if (p.given(tag)) return failure(netsh_text::kInvalidParameter, p.argument(tag));
    const char* alreadyDhcp = netsh.dialect.modern ? netsh_text::kModernDhcpAlreadyEnabled
                                                   : netsh_text::kDhcpAlreadyEnabled;
    return applyToInterface(
        netsh, p.get("name"),
        [](win::Registry& registry, const Interface& target) {
          const std::string none = listImage({"0.0.0.0"});
          return writeInterface(registry, target, "EnableDHCP", REG_DWORD, dwordImage(1)) &&
                 writeInterface(registry, target, "IPAddress", REG_MULTI_SZ, none) &&
                 writeInterface(registry, target, "SubnetMask", REG_MULTI_SZ, none) &&
                 writeInterface(registry, target, "DefaultGateway", REG_MULTI_SZ, listImage({})) &&
                 writeInterface(registry, target, "DefaultGatewayMetric", REG_MULTI_SZ,
                                listImage({}));
        },
        [&](win::Registry& registry, const Interface& target) -> std::optional<NetshResult> {
          DWORD type = 0;
          std::string bytes;
          if (readValue(registry, target.key, "EnableDHCP", &type, &bytes) && bytes.size() >= 1 &&
              bytes.find_first_not_of('\0') != std::string::npos)
            return failure(alreadyDhcp);
          return std::nullopt;
        });
  }
  if (!equalsIgnoringCase(source, "static"))
    return failure(netsh_text::kInvalidParameter, p.argument("source"));

  if (p.get("addr").empty() || p.get("mask").empty() || p.get("gateway").empty())
    return failure(netsh_text::kMissingParameter);
  auto address = parseQuad(p.get("addr"));
  if (!address) return failure(netsh_text::kBadAddress, p.get("addr"));
  auto mask = parseQuad(p.get("mask"));
  if (!mask || !isContiguousMask(*mask)) return failure(netsh_text::kBadMask, p.get("mask"));

  std::vector<std::string> gateways;
  std::vector<std::string> metrics;
  if (equalsIgnoringCase(p.get("gateway"), "none")) {
    if (p.given("gwmetric")) return failure(netsh_text::kInvalidParameter, p.argument("gwmetric"));
  } else {
    auto gateway = parseQuad(p.get("gateway"));
    if (!gateway) return failure(netsh_text::kBadGateway, p.get("gateway"));
    if (p.get("gwmetric").empty()) return failure(netsh_text::kMissingParameter);
    auto metric = parseMetric(p.get("gwmetric"));
    if (!metric) return failure(netsh_text::kBadMetric, p.get("gwmetric"));
    gateways = {formatQuad(*gateway)};
    metrics = {std::to_string(*metric)};
  }
  return applyToInterface(
      netsh, p.get("name"), [&](win::Registry& registry, const Interface& target) {
        return writeInterface(registry, target, "EnableDHCP", REG_DWORD, dwordImage(0)) &&
               writeInterface(registry, target, "IPAddress", REG_MULTI_SZ,
                              listImage({formatQuad(*address)})) &&
               writeInterface(registry, target, "SubnetMask", REG_MULTI_SZ,
                              listImage({formatQuad(*mask)})) &&
               writeInterface(registry, target, "DefaultGateway", REG_MULTI_SZ,
                              listImage(gateways)) &&
               writeInterface(registry, target, "DefaultGatewayMetric", REG_MULTI_SZ,
                              listImage(metrics));
      });
}

NetshResult addAddress(const Netsh& netsh, const std::vector<std::string>& args) {
  Parameters p({"name", "addr", "mask", "gateway", "gwmetric"});
  if (auto bad = p.parse(args, 4)) return failure(netsh_text::kInvalidParameter, *bad);
  const bool withAddress = p.given("addr") || p.given("mask");
  const bool withGateway = p.given("gateway") || p.given("gwmetric");
  if (p.get("name").empty() || (!withAddress && !withGateway) ||
      (withAddress && (p.get("addr").empty() || p.get("mask").empty())) ||
      (withGateway && (p.get("gateway").empty() || p.get("gwmetric").empty())))
    return failure(netsh_text::kMissingParameter);

  std::optional<std::uint32_t> address, mask, gateway;
  std::optional<unsigned> metric;
  if (withAddress) {
    address = parseQuad(p.get("addr"));
    if (!address) return failure(netsh_text::kBadAddress, p.get("addr"));
    mask = parseQuad(p.get("mask"));
    if (!mask || !isContiguousMask(*mask)) return failure(netsh_text::kBadMask, p.get("mask"));
  }
  if (withGateway) {
    gateway = parseQuad(p.get("gateway"));
    if (!gateway) return failure(netsh_text::kBadGateway, p.get("gateway"));
    metric = parseMetric(p.get("gwmetric"));
    if (!metric) return failure(netsh_text::kBadMetric, p.get("gwmetric"));
  }
  return applyToInterface(
      netsh, p.get("name"), [&](win::Registry& registry, const Interface& target) {
        auto append = [&](const char* name, const std::string& item) {
          std::vector<std::string> list = readList(registry, target.key, name);
          list.push_back(item);
          return writeInterface(registry, target, name, REG_MULTI_SZ, listImage(list));
        };
        bool ok = true;
        if (withAddress)
          ok = append("IPAddress", formatQuad(*address)) && append("SubnetMask", formatQuad(*mask));
        if (withGateway)
          ok = ok && append("DefaultGateway", formatQuad(*gateway)) &&
               append("DefaultGatewayMetric", std::to_string(*metric));
        return ok;
      });
}

// The tags of a DNS command: today's netsh also takes "validate".
std::vector<const char*> dnsTags(const Netsh& netsh, std::vector<const char*> tags) {
  if (netsh.dialect.validatesDns) tags.push_back("validate");
  return tags;
}

// "validate=" takes yes or no; nothing when it is one of them.
std::optional<NetshResult> refuseValidate(const Parameters& p) {
  if (!p.given("validate") || equalsIgnoringCase(p.get("validate"), "yes") ||
      equalsIgnoringCase(p.get("validate"), "no"))
    return std::nullopt;
  return failure(netsh_text::kInvalidParameter, p.argument("validate"));
}

bool isReachable(win::Registry& registry, std::uint32_t server) {
  for (const std::string& listed : readList(registry, store::kEmulationKey, "ReachableAddresses"))
    if (parseQuad(listed) == server) return true;
  return false;
}

// Today's netsh asks the server it is to store whether it answers, unless
// told not to; a server that does not answer is stored all the same, with
// its message around blank lines and a failing exit code.
NetshResult storeDns(const Netsh& netsh, const Parameters& p, std::optional<std::uint32_t> server,
                     const Change& change) {
  NetshResult result = applyToInterface(netsh, p.get("name"), change);
  if (result.exitCode != 0 || !server || !netsh.dialect.validatesDns ||
      equalsIgnoringCase(p.get("validate"), "no") || isReachable(netsh.machine.registry(), *server))
    return result;
  return {1, "\n" + win::ansiFromUtf8(netsh_text::kModernDnsNotAnswering) + "\n\n"};
}

NetshResult setDns(const Netsh& netsh, const std::vector<std::string>& args) {
  Parameters p(dnsTags(netsh, {"name", "source", "addr", "register"}));
  if (auto bad = p.parse(args, 4)) return failure(netsh_text::kInvalidParameter, *bad);
  if (p.get("name").empty() || p.get("source").empty())
    return failure(netsh_text::kMissingParameter);
  if (p.given("register") && !equalsIgnoringCase(p.get("register"), "none") &&
      !equalsIgnoringCase(p.get("register"), "primary") &&
      !equalsIgnoringCase(p.get("register"), "both"))
    return failure(netsh_text::kInvalidParameter, p.argument("register"));
  if (auto refused = refuseValidate(p)) return *refused;

  std::string nameServer;
  std::optional<std::uint32_t> server;
  const std::string source = p.get("source");
  if (equalsIgnoringCase(source, "dhcp")) {
    // The servers come from the DHCP lease again: no static list.
    if (p.given("addr")) return failure(netsh_text::kInvalidParameter, p.argument("addr"));
  } else if (equalsIgnoringCase(source, "static")) {
    if (p.get("addr").empty()) return failure(netsh_text::kMissingParameter);
    if (!equalsIgnoringCase(p.get("addr"), "none")) {
      server = parseQuad(p.get("addr"));
      if (!server) return failure(netsh_text::kBadDnsServer, p.get("addr"));
      nameServer = formatQuad(*server);
    }
  } else {
    return failure(netsh_text::kInvalidParameter, p.argument("source"));
  }
  return storeDns(netsh, p, server, [&](win::Registry& registry, const Interface& target) {
    return writeInterface(registry, target, "NameServer", REG_SZ, stringImage(nameServer));
  });
}

NetshResult addDns(const Netsh& netsh, const std::vector<std::string>& args) {
  Parameters p(dnsTags(netsh, {"name", "addr"}));
  if (auto bad = p.parse(args, 4)) return failure(netsh_text::kInvalidParameter, *bad);
  if (p.get("name").empty() || p.get("addr").empty()) return failure(netsh_text::kMissingParameter);
  if (auto refused = refuseValidate(p)) return *refused;
  auto server = parseQuad(p.get("addr"));
  if (!server) return failure(netsh_text::kBadDnsServer, p.get("addr"));
  return storeDns(netsh, p, server, [&](win::Registry& registry, const Interface& target) {
    DWORD type = 0;
    std::string bytes;
    std::string current;
    if (readValue(registry, target.key, "NameServer", &type, &bytes)) current = text(bytes);
    const std::string added = formatQuad(*server);
    return writeInterface(registry, target, "NameServer", REG_SZ,
                          stringImage(current.empty() ? added : current + "," + added));
  });
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view ansi) {
  std::vector<std::string> args;
  std::size_t i = 0;
  const std::size_t n = ansi.size();
  while (true) {
    while (i < n && (ansi[i] == ' ' || ansi[i] == '\t')) ++i;
    if (i >= n) break;
    std::string arg;
    bool quoted = false;
    while (i < n) {
      unsigned char c = static_cast<unsigned char>(ansi[i]);
      if (win::isLeadByte(c) && i + 1 < n) {
        arg += ansi.substr(i, 2);
        i += 2;
      } else if (c == '\\') {
        std::size_t run = 0;
        while (i < n && ansi[i] == '\\') ++run, ++i;
        if (i < n && ansi[i] == '"') {
          arg.append(run / 2, '\\');
          if (run % 2 == 1) {
            arg += '"';
            ++i;
          }
        } else {
          arg.append(run, '\\');
        }
      } else if (c == '"') {
        quoted = !quoted;
        ++i;
      } else if ((c == ' ' || c == '\t') && !quoted) {
        break;
      } else {
        arg += char(c);
        ++i;
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

NetshResult RunNetsh(emu::EmulatedMachine& machine, const std::vector<std::string>& args) {
  DWORD type = 0;
  std::string bytes;
  if (readValue(machine.registry(), store::kEmulationKey, "NetshDelay", &type, &bytes) &&
      bytes.size() == 4) {
    DWORD delay = 0;
    for (int i = 0; i < 4; ++i)
      delay |= DWORD(static_cast<unsigned char>(bytes[std::size_t(i)])) << (8 * i);
    if (delay > 0) machine.shell().Sleep(delay);
  }

  if (args.size() < 4 || !matchesWord(args[0], "interface") || !equalsIgnoringCase(args[1], "ip"))
    return commandNotFound(args);
  const bool set = matchesWord(args[2], "set");
  const bool add = !set && matchesWord(args[2], "add");
  const bool address = matchesWord(args[3], "address");
  const bool dns = !address && matchesWord(args[3], "dns");
  const Netsh netsh{machine, dialectOf(machine)};
  if (set && address) return setAddress(netsh, args);
  if (add && address) return addAddress(netsh, args);
  if (set && dns) return setDns(netsh, args);
  if (add && dns) return addDns(netsh, args);
  return commandNotFound(args);
}

}  // namespace machinetool
