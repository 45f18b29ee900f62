#include "platform/emulated/emulated_surroundings.h"

#include <QString>

#include <cstring>
#include <vector>

#include "platform/code_page.h"

namespace emu {

using namespace win;

namespace {

constexpr const char* kEmulationKey = "SYSTEM\\Emulation";
// An adapter's Connection key is this, its identifier and "\Connection".
constexpr const char* kNetworkKeyPrefix =
    "SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\";

// The bytes of a value, or false when the key or the value is missing.
bool queryBytes(Registry& registry, const std::string& path, const char* name, std::string* bytes) {
  HKEY key = nullptr;
  if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  DWORD type = 0;
  DWORD size = 0;
  bool ok = registry.RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
  if (ok) {
    bytes->assign(size, '\0');
    ok = registry.RegQueryValueExA(key, name, nullptr, &type,
                                   reinterpret_cast<BYTE*>(bytes->data()), &size) == ERROR_SUCCESS;
    bytes->resize(size);
  }
  (void)registry.RegCloseKey(key);
  return ok;
}

// The strings of a REG_MULTI_SZ image, up to the first empty one.
std::vector<std::string> splitStrings(const std::string& bytes) {
  std::vector<std::string> strings;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find('\0', pos);
    if (end == std::string::npos) end = bytes.size();
    if (end == pos) break;
    strings.push_back(bytes.substr(pos, end - pos));
    pos = end + 1;
  }
  return strings;
}

bool sameName(const std::string& a, const std::string& b) {
  return QString::fromStdString(ansiToUtf8(a))
             .compare(QString::fromStdString(ansiToUtf8(b)), Qt::CaseInsensitive) == 0;
}

// The text after the "=" of the first "name=text" entry of the Emulation
// value whose name is `name`. The name ends at the first "=", so the text
// (an SSID) may hold one itself.
DWORD findEntry(Registry& registry, const char* valueName, const std::string& name,
                std::string* found) {
  std::string bytes;
  if (!queryBytes(registry, kEmulationKey, valueName, &bytes)) return ERROR_NOT_FOUND;
  for (const std::string& entry : splitStrings(bytes)) {
    std::size_t equals = entry.find('=');
    if (equals == std::string::npos || !sameName(entry.substr(0, equals), name)) continue;
    std::string text = entry.substr(equals + 1);
    if (text.empty()) return ERROR_NOT_FOUND;
    *found = std::move(text);
    return ERROR_SUCCESS;
  }
  return ERROR_NOT_FOUND;
}

}  // namespace

DWORD EmulatedSurroundings::lookUpByConnection(const char* valueName, const std::string& adapterId,
                                               std::string* found) {
  if (!found) return DWORD(ERROR_INVALID_PARAMETER);
  const std::string path = kNetworkKeyPrefix + adapterId + "\\Connection";
  std::string name;
  if (!queryBytes(registry_, path, "Name", &name)) return ERROR_NOT_FOUND;
  name.resize(strnlen(name.c_str(), name.size()));
  if (name.empty()) return ERROR_NOT_FOUND;
  return findEntry(registry_, valueName, name, found);
}

DWORD EmulatedSurroundings::QueryConnectedSsid(const std::string& adapterId, std::string* ssid) {
  return lookUpByConnection("WirelessNetworks", adapterId, ssid);
}

DWORD EmulatedSurroundings::QueryDnsSuffix(const std::string& adapterId, std::string* suffix) {
  return lookUpByConnection("DnsSuffixes", adapterId, suffix);
}

DWORD EmulatedSurroundings::QueryNeighborMac(const std::string& address, std::string* mac) {
  if (!mac) return DWORD(ERROR_INVALID_PARAMETER);
  std::string found;
  DWORD status = findEntry(registry_, "Neighbors", address, &found);
  if (status != ERROR_SUCCESS) return status;
  // Windows writes hardware addresses in capitals.
  *mac = QString::fromStdString(found).toUpper().toStdString();
  return ERROR_SUCCESS;
}

}  // namespace emu

namespace win {

std::unique_ptr<NetworkSurroundings> OpenSurroundings(Machine& machine) {
  return std::make_unique<emu::EmulatedSurroundings>(machine.registry());
}

}  // namespace win
