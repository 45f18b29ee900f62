#include "platform/emulated/emulated_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <thread>

#include "platform/code_page.h"

namespace emu {

using namespace win;

namespace {

constexpr const char* kCurrentVersionKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

thread_local DWORD lastError = ERROR_SUCCESS;

bool readString(Registry& registry, const char* path, const char* name, std::string* text) {
  HKEY key = nullptr;
  if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  char buffer[256] = {};
  DWORD size = sizeof buffer - 1;
  DWORD type = 0;
  LONG rc =
      registry.RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  (void)registry.RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return false;
  *text = std::string(buffer, strnlen(buffer, size));
  return true;
}

bool readDword(Registry& registry, const char* path, const char* name, DWORD* value) {
  HKEY key = nullptr;
  if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  DWORD size = sizeof *value;
  DWORD type = 0;
  LONG rc =
      registry.RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  (void)registry.RegCloseKey(key);
  return rc == ERROR_SUCCESS && type == REG_DWORD && size == sizeof *value;
}

// A file name for the lock of a named mutex: the name with anything but
// letters and digits written as hex, so every name maps to one file.
std::string lockFileName(const std::string& name) {
  std::string result;
  for (char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (std::isalnum(c)) {
      result += ch;
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      result += hex;
    }
  }
  return result + ".lock";
}

// True when the text's last character (not merely its last byte) is "\".
bool endsWithBackslashCharacter(const std::string& text) {
  bool backslash = false;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    bool lead = win::isLeadByte(c);
    backslash = c == '\\';
    if (lead && i + 1 < text.size()) ++i;
  }
  return backslash;
}

}  // namespace

EmulatedSystem::EmulatedSystem(Registry& registry, std::string machineFolder)
    : registry_(registry), machineFolder_(std::move(machineFolder)) {}

EmulatedSystem::~EmulatedSystem() {
  for (auto& [handle, mutex] : mutexes_)
    if (mutex.fd >= 0) ::close(mutex.fd);
  for (auto& [name, ownership] : owned_)
    if (ownership.fd >= 0) ::close(ownership.fd);
}

std::string EmulatedSystem::lockFolder() {
  std::string folder = machineFolder_ + "/mutex";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return folder;
}

BOOL EmulatedSystem::GetVersionExA(OSVERSIONINFOA* info) {
  if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    lastError = ERROR_INVALID_PARAMETER;
    return FALSE;
  }
  std::string version;
  if (!readString(registry_, kCurrentVersionKey, "CurrentVersion", &version)) {
    lastError = ERROR_FILE_NOT_FOUND;
    return FALSE;
  }
  unsigned major = 0;
  unsigned minor = 0;
  if (std::sscanf(version.c_str(), "%u.%u", &major, &minor) < 1) {
    lastError = ERROR_BADKEY;
    return FALSE;
  }
  // Windows 10 and later: the real version beside the frozen "6.3".
  if (DWORD major10 = 0;
      readDword(registry_, kCurrentVersionKey, "CurrentMajorVersionNumber", &major10)) {
    DWORD minor10 = 0;
    readDword(registry_, kCurrentVersionKey, "CurrentMinorVersionNumber", &minor10);
    major = major10;
    minor = minor10;
  }
  std::string build;
  std::string servicePack;
  readString(registry_, kCurrentVersionKey, "CurrentBuildNumber", &build);
  readString(registry_, kCurrentVersionKey, "CSDVersion", &servicePack);
  info->dwMajorVersion = major;
  info->dwMinorVersion = minor;
  info->dwBuildNumber = DWORD(std::strtoul(build.c_str(), nullptr, 10));
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  std::strncpy(info->szCSDVersion, servicePack.c_str(), sizeof info->szCSDVersion - 1);
  return TRUE;
}

UINT EmulatedSystem::GetWindowsDirectoryA(char* buffer, UINT size) {
  std::string root;
  if (!readString(registry_, kCurrentVersionKey, "SystemRoot", &root) || root.empty()) {
    lastError = ERROR_FILE_NOT_FOUND;
    return 0;
  }
  // Like Windows: no trailing backslash unless the directory is a drive root.
  // A last byte 0x5C may be the second half of a double-byte character.
  while (root.size() > 3 && endsWithBackslashCharacter(root)) root.pop_back();
  if (!buffer || size < root.size() + 1) return UINT(root.size() + 1);
  std::memcpy(buffer, root.c_str(), root.size() + 1);
  return UINT(root.size());
}

HANDLE EmulatedSystem::CreateMutexA(const void*, BOOL initialOwner, const char* name) {
  std::string path = lockFolder() + "/" + lockFileName(name ? name : "");
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    lastError = ERROR_ACCESS_DENIED;
    return nullptr;
  }
  // The lock is the mutex's existence: it belongs to this open file, so the
  // kernel drops it when the process ends, however it ends.
  Mutex mutex;
  mutex.name = name ? name : "";
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
    mutex.fd = fd;
    lastError = ERROR_SUCCESS;
  } else {
    ::close(fd);
    lastError = ERROR_ALREADY_EXISTS;
  }
  std::uintptr_t handle = nextHandle_;
  nextHandle_ += 4;
  mutexes_[handle] = mutex;
  // The creator of a new mutex may own it from the start; a mutex that
  // existed already is only opened, whatever was asked.
  if (initialOwner && mutex.fd >= 0) {
    const DWORD created = lastError;
    if (takeOwnership(mutex.name, 0) != WAIT_OBJECT_0) {
      (void)CloseHandle(reinterpret_cast<HANDLE>(handle));
      lastError = ERROR_ACCESS_DENIED;
      return nullptr;
    }
    lastError = created;
  }
  return reinterpret_cast<HANDLE>(handle);
}

DWORD EmulatedSystem::WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  auto found = mutexes_.find(reinterpret_cast<std::uintptr_t>(handle));
  if (found == mutexes_.end()) {
    lastError = ERROR_INVALID_HANDLE;
    return WAIT_FAILED;
  }
  return takeOwnership(found->second.name, milliseconds);
}

DWORD EmulatedSystem::takeOwnership(const std::string& name, DWORD milliseconds) {
  Ownership& ownership = owned_[name];
  if (ownership.count > 0) {
    ++ownership.count;
    return WAIT_OBJECT_0;
  }
  // Ownership is the lock of a file of its own, apart from the one that
  // says the mutex exists; the kernel drops it when the owner dies. Whether
  // the owner died holding it cannot be told, so a wait never answers
  // WAIT_ABANDONED here.
  std::string path = lockFolder() + "/" + lockFileName(name) + ".owner";
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    lastError = ERROR_ACCESS_DENIED;
    return WAIT_FAILED;
  }
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (milliseconds != INFINITE && Clock::now() >= deadline) {
      ::close(fd);
      return WAIT_TIMEOUT;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ownership.fd = fd;
  ownership.count = 1;
  return WAIT_OBJECT_0;
}

BOOL EmulatedSystem::ReleaseMutex(HANDLE mutex) {
  auto found = mutexes_.find(reinterpret_cast<std::uintptr_t>(mutex));
  if (found != mutexes_.end()) {
    auto owner = owned_.find(found->second.name);
    if (owner != owned_.end() && owner->second.count > 0) {
      if (--owner->second.count == 0) {
        ::close(owner->second.fd);
        owned_.erase(owner);
      }
      return TRUE;
    }
  }
  lastError = found == mutexes_.end() ? ERROR_INVALID_HANDLE : ERROR_NOT_OWNER;
  return FALSE;
}

BOOL EmulatedSystem::CloseHandle(HANDLE handle) {
  if (tokens_.erase(reinterpret_cast<std::uintptr_t>(handle))) return TRUE;
  auto found = mutexes_.find(reinterpret_cast<std::uintptr_t>(handle));
  if (found == mutexes_.end()) {
    lastError = ERROR_INVALID_HANDLE;
    return FALSE;
  }
  if (found->second.fd >= 0) ::close(found->second.fd);
  const std::string name = found->second.name;
  mutexes_.erase(found);
  // With its last handle the mutex is gone, and so is this process's
  // ownership of it.
  const bool open = std::any_of(mutexes_.begin(), mutexes_.end(),
                                [&](const auto& entry) { return entry.second.name == name; });
  auto owner = owned_.find(name);
  if (!open && owner != owned_.end()) {
    if (owner->second.fd >= 0) ::close(owner->second.fd);
    owned_.erase(owner);
  }
  return TRUE;
}

DWORD EmulatedSystem::GetLastError() {
  return lastError;
}

bool EmulatedSystem::elevatedByEnvironment() {
  const char* elevated = std::getenv("VERANTU_ELEVATED");
  return !(elevated && std::strcmp(elevated, "0") == 0);
}

BOOL EmulatedSystem::OpenProcessToken(HANDLE process, DWORD, HANDLE* token) {
  // Only the process itself is known here.
  if (!token || process != GetCurrentProcess()) {
    lastError = ERROR_INVALID_HANDLE;
    return FALSE;
  }
  std::uintptr_t handle = nextHandle_;
  nextHandle_ += 4;
  tokens_.insert(handle);
  *token = reinterpret_cast<HANDLE>(handle);
  return TRUE;
}

BOOL EmulatedSystem::GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS informationClass,
                                         void* information, DWORD length, DWORD* returnLength) {
  if (!tokens_.count(reinterpret_cast<std::uintptr_t>(token))) {
    lastError = ERROR_INVALID_HANDLE;
    return FALSE;
  }
  if (informationClass != TokenElevation || !returnLength) {
    lastError = ERROR_INVALID_PARAMETER;
    return FALSE;
  }
  *returnLength = sizeof(TOKEN_ELEVATION);
  if (!information || length < sizeof(TOKEN_ELEVATION)) {
    lastError = ERROR_INSUFFICIENT_BUFFER;
    return FALSE;
  }
  static_cast<TOKEN_ELEVATION*>(information)->TokenIsElevated = elevated_ ? 1 : 0;
  return TRUE;
}

std::string EmulatedSystem::localDateTimeText() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[64];
  // Japanese Windows: short date "yyyy/MM/dd", long time "H:mm:ss".
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %d:%02d:%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

}  // namespace emu
