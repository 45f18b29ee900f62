#include "platform/emulated/emulated_membership.h"

#include <QString>

#include <cstring>
#include <vector>

#include "platform/code_page.h"

namespace emu {

using namespace win;

namespace {

constexpr const char* kEmulationKey = "SYSTEM\\Emulation";
// NetBIOS names are at most 15 bytes and cannot hold these characters.
constexpr std::size_t kMaxNetbiosName = 15;
constexpr const char* kNetbiosForbidden = "\"/\\[]:|<>+=;,?*";

// Reads a value of the Emulation key; false when it is missing.
bool queryValue(Registry& registry, const char* name, DWORD* type, std::string* bytes) {
  HKEY key = nullptr;
  if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kEmulationKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  DWORD size = 0;
  bool ok = registry.RegQueryValueExA(key, name, nullptr, type, nullptr, &size) == ERROR_SUCCESS;
  if (ok) {
    bytes->assign(size, '\0');
    ok = registry.RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(bytes->data()),
                                   &size) == ERROR_SUCCESS;
    bytes->resize(size);
  }
  (void)registry.RegCloseKey(key);
  return ok;
}

DWORD joinStatus(Registry& registry) {
  DWORD type = 0;
  std::string bytes;
  if (!queryValue(registry, "JoinStatus", &type, &bytes) || type != REG_DWORD || bytes.size() != 4)
    return NetSetupUnknownStatus;
  DWORD value = 0;
  std::memcpy(&value, bytes.data(), sizeof value);
  return value;
}

bool domainAcceptsJoin(Registry& registry, const std::string& ansiDomain) {
  DWORD type = 0;
  std::string bytes;
  if (!queryValue(registry, "Domains", &type, &bytes)) return false;
  const QString wanted = QString::fromStdString(ansiToUtf8(ansiDomain));
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find('\0', pos);
    if (end == std::string::npos) end = bytes.size();
    std::string listed = bytes.substr(pos, end - pos);
    if (listed.empty()) break;
    if (QString::fromStdString(ansiToUtf8(listed)).compare(wanted, Qt::CaseInsensitive) == 0)
      return true;
    pos = end + 1;
  }
  return false;
}

bool isValidWorkgroupName(const std::string& ansi) {
  if (ansi.empty() || ansi.size() > kMaxNetbiosName) return false;
  bool onlyDotsAndBlanks = true;
  for (std::size_t i = 0; i < ansi.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(ansi[i]);
    if (win::isLeadByte(c)) {
      ++i;  // a double-byte character is a name character whatever its second byte
      onlyDotsAndBlanks = false;
      continue;
    }
    if (c < 0x20 || std::strchr(kNetbiosForbidden, c) != nullptr) return false;
    if (c != '.' && c != ' ') onlyDotsAndBlanks = false;
  }
  return !onlyDotsAndBlanks;
}

bool writeMembership(Registry& registry, const std::string& ansiName, DWORD status) {
  HKEY key = nullptr;
  if (registry.RegCreateKeyExA(HKEY_LOCAL_MACHINE, kEmulationKey, 0, "", REG_OPTION_NON_VOLATILE,
                               KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  RegistryBatch batch(registry);
  bool ok = registry.RegSetValueExA(key, "JoinName", 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(ansiName.c_str()),
                                    DWORD(ansiName.size() + 1)) == ERROR_SUCCESS &&
            registry.RegSetValueExA(key, "JoinStatus", 0, REG_DWORD,
                                    reinterpret_cast<const BYTE*>(&status),
                                    sizeof status) == ERROR_SUCCESS;
  (void)registry.RegCloseKey(key);
  // The join is made only when both values were kept: a write that was not
  // committed (a full disk, a read-only machine) is a failed join.
  if (!ok) {
    batch.cancel();
    return false;
  }
  return batch.commit() == ERROR_SUCCESS;
}

}  // namespace

DWORD EmulatedMembership::NetGetJoinInformation(const char16_t* server, std::u16string* name,
                                                DWORD* status) {
  if (!name || !status) return DWORD(ERROR_INVALID_PARAMETER);
  if (server && *server) return ERROR_BAD_NETPATH;

  std::string joinName;
  DWORD type = 0;
  std::string bytes;
  if (queryValue(registry_, "JoinName", &type, &bytes))
    joinName.assign(bytes.c_str(), strnlen(bytes.c_str(), bytes.size()));
  std::optional<std::u16string> wide = ansiToWide(joinName);
  if (!wide) return DWORD(ERROR_INVALID_PARAMETER);
  *name = std::move(*wide);
  *status = joinStatus(registry_);
  return NERR_Success;
}

DWORD EmulatedMembership::NetJoinDomain(const char16_t* server, const char16_t* domain,
                                        const char16_t*, const char16_t*, const char16_t*,
                                        DWORD options) {
  if (server && *server) return ERROR_BAD_NETPATH;
  if (!domain) return DWORD(ERROR_INVALID_PARAMETER);
  const std::optional<std::string> converted = wideToAnsi(domain);
  if (!converted) return DWORD(ERROR_INVALID_PARAMETER);
  const std::string& name = *converted;
  const DWORD current = joinStatus(registry_);

  if (options & NETSETUP_JOIN_DOMAIN) {
    if (name.empty()) return DWORD(ERROR_INVALID_PARAMETER);
    // A domain member leaves its domain before it can join another.
    if (current == NetSetupDomainName) return NERR_SetupAlreadyJoined;
    if (!domainAcceptsJoin(registry_, name)) return ERROR_NO_SUCH_DOMAIN;
    return writeMembership(registry_, name, NetSetupDomainName) ? NERR_Success
                                                                : DWORD(ERROR_ACCESS_DENIED);
  }
  if (!isValidWorkgroupName(name)) return NERR_InvalidWorkgroupName;
  if (current == NetSetupDomainName) return NERR_SetupAlreadyJoined;
  return writeMembership(registry_, name, NetSetupWorkgroupName) ? NERR_Success
                                                                 : DWORD(ERROR_ACCESS_DENIED);
}

}  // namespace emu
