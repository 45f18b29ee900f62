#include "platform/emulated/emulated_profile_strings.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <strings.h>

#include "platform/emulated/emulation_counter.h"
#include "platform/profile_text.h"

namespace emu {

using namespace win;

namespace {

constexpr const char* kMappedRoot = "Software\\Microsoft\\Windows NT\\CurrentVersion\\";
constexpr const char* kMappedSections[] = {"windows", "Devices", "PrinterPorts"};
constexpr const char* kPrintersKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";
constexpr const char* kBroadcastCounter = "SettingChangeBroadcasts";

// The registry key of a WIN.INI section, or nothing for a section that is
// not mapped. Section names match whatever their letter case.
std::optional<std::string> mappedKey(const char* app) {
  for (const char* section : kMappedSections)
    if (strcasecmp(app, section) == 0) return std::string(kMappedRoot) + section;
  return std::nullopt;
}

class Key {
 public:
  explicit Key(Registry& registry) : registry_(registry) {}
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (key_) (void)registry_.RegCloseKey(key_);
  }
  bool open(const std::string& path, REGSAM access) {
    return registry_.RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, access, &key_) ==
           ERROR_SUCCESS;
  }
  bool create(const std::string& path) {
    return registry_.RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, "",
                                     REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key_,
                                     nullptr) == ERROR_SUCCESS;
  }
  HKEY get() const { return key_; }

 private:
  Registry& registry_;
  HKEY key_ = nullptr;
};

std::vector<std::string> valueNames(Registry& registry, HKEY key) {
  std::vector<std::string> names;
  std::vector<char> name(16384);
  for (DWORD index = 0;; ++index) {
    DWORD length = DWORD(name.size());
    if (registry.RegEnumValueA(key, index, name.data(), &length, nullptr, nullptr, nullptr,
                               nullptr) != ERROR_SUCCESS)
      break;
    names.emplace_back(name.data(), length);
  }
  return names;
}

// The entry's text up to its first NUL, whatever the value's size.
std::optional<std::string> readEntry(Registry& registry, HKEY key, const char* name) {
  DWORD size = 0;
  if (registry.RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
    return std::nullopt;
  std::vector<BYTE> data(std::size_t(size) + 1);
  if (registry.RegQueryValueExA(key, name, nullptr, nullptr, data.data(), &size) != ERROR_SUCCESS)
    return std::nullopt;
  const char* text = reinterpret_cast<const char*>(data.data());
  return std::string(text, strnlen(text, size));
}

}  // namespace

DWORD EmulatedProfileStrings::GetProfileStringA(const char* app, const char* key,
                                                const char* defaultText, char* out, DWORD size) {
  if (!out || size == 0) return 0;

  if (!app) {
    std::vector<std::string> sections;
    for (const char* section : kMappedSections) {
      Key mapped(registry_);
      if (mapped.open(std::string(kMappedRoot) + section, KEY_READ)) sections.push_back(section);
    }
    return copyProfileList(sections, out, size);
  }

  std::optional<std::string> path = mappedKey(app);
  Key section(registry_);
  bool opened = path && section.open(*path, KEY_READ);
  if (!key)
    return copyProfileList(
        opened ? valueNames(registry_, section.get()) : std::vector<std::string>{}, out, size);
  if (opened) {
    if (std::optional<std::string> text = readEntry(registry_, section.get(), key))
      return copyProfileText(*text, out, size);
  }
  std::string fallback = defaultText ? defaultText : "";
  fallback.erase(fallback.find_last_not_of(' ') + 1);
  return copyProfileText(fallback, out, size);
}

BOOL EmulatedProfileStrings::GetDefaultPrinterA(char* buffer, DWORD* size) {
  if (!size) return FALSE;
  char device[1024] = {};
  DWORD length = GetProfileStringA("windows", "device", "", device, sizeof device);
  const std::string_view entry(device, length);
  const std::string_view name = entry.substr(0, entry.find(','));
  if (name.empty()) {
    *size = 0;
    return FALSE;
  }
  const DWORD needed = DWORD(name.size() + 1);
  if (!buffer || *size < needed) {
    *size = needed;
    return FALSE;
  }
  std::memcpy(buffer, name.data(), name.size());
  buffer[name.size()] = '\0';
  *size = needed;
  return TRUE;
}

BOOL EmulatedProfileStrings::WriteProfileStringA(const char* app, const char* key,
                                                 const char* value) {
  if (!app) return FALSE;
  std::optional<std::string> path = mappedKey(app);
  if (!path) return FALSE;

  Key section(registry_);
  if (!key || !value) {
    // Deleting what does not exist succeeds.
    if (!section.open(*path, KEY_ALL_ACCESS)) return TRUE;
    if (!key) {
      // The section is cleared only when every entry is gone.
      BOOL cleared = TRUE;
      for (const std::string& name : valueNames(registry_, section.get())) {
        LONG rc = registry_.RegDeleteValueA(section.get(), name.c_str());
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) cleared = FALSE;
      }
      return cleared;
    }
    LONG rc = registry_.RegDeleteValueA(section.get(), key);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? TRUE : FALSE;
  }
  if (!section.create(*path)) return FALSE;
  // Stored with its NUL, as Windows stores REG_SZ text.
  return registry_.RegSetValueExA(section.get(), key, 0, REG_SZ,
                                  reinterpret_cast<const BYTE*>(value),
                                  DWORD(std::strlen(value) + 1)) == ERROR_SUCCESS
             ? TRUE
             : FALSE;
}

namespace {

std::vector<std::string> printerNames(Registry& registry) {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPrintersKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return names;
  std::vector<char> name(4096);
  for (DWORD index = 0;; ++index) {
    if (registry.RegEnumKeyA(key, index, name.data(), DWORD(name.size())) != ERROR_SUCCESS) break;
    names.emplace_back(name.data());
  }
  (void)registry.RegCloseKey(key);
  return names;
}

}  // namespace

BOOL EmulatedProfileStrings::EnumPrintersA(DWORD flags, char*, DWORD level, BYTE* buffer,
                                           DWORD bufferSize, DWORD* needed, DWORD* returned) {
  if (!needed || !returned || level != 4) return FALSE;
  *returned = 0;
  std::vector<std::string> names;
  if (flags & PRINTER_ENUM_LOCAL) names = printerNames(registry_);

  // The records first, then the names they point to.
  std::size_t size = names.size() * sizeof(PRINTER_INFO_4A);
  for (const std::string& name : names) size += name.size() + 1;
  *needed = DWORD(size);
  if (!buffer || bufferSize < size) return names.empty() ? TRUE : FALSE;

  auto* records = reinterpret_cast<PRINTER_INFO_4A*>(buffer);
  char* text = reinterpret_cast<char*>(buffer + names.size() * sizeof(PRINTER_INFO_4A));
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::memcpy(text, names[i].c_str(), names[i].size() + 1);
    records[i] = PRINTER_INFO_4A{text, nullptr, PRINTER_ATTRIBUTE_LOCAL};
    text += names[i].size() + 1;
  }
  *returned = DWORD(names.size());
  return TRUE;
}

LRESULT EmulatedProfileStrings::SendMessageTimeoutA(HWND window, UINT, WPARAM, LPARAM, UINT, UINT,
                                                    DWORD_PTR* result) {
  if (result) *result = 0;
  if (window != HWND_BROADCAST) return 0;
  return CountEmulationEvent(registry_, kBroadcastCounter) ? 1 : 0;
}

DWORD EmulatedProfileStrings::settingChangeBroadcasts() {
  return EmulationCount(registry_, kBroadcastCounter);
}

}  // namespace emu
