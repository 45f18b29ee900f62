// The registry on Windows. Every call goes to the Unicode (W) function and
// names and text data are converted from and to code page 932 here, so the
// program behaves the same on a Japanese and on any other Windows. Sizes and
// buffer rules are those the ANSI (A) functions show on a code-page-932
// system.
#include "platform/win32/win32_registry.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "platform/win32/win32_text.h"

namespace win32 {

namespace {

bool isText(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Value data as the A functions see it: text types in code page 932 (every
// NUL kept, so REG_MULTI_SZ and a string without its NUL convert alike),
// everything else byte for byte.
std::optional<std::string> ansiData(DWORD type, const std::vector<BYTE>& stored) {
  if (!isText(type))
    return std::string(reinterpret_cast<const char*>(stored.data()), stored.size());
  return toAnsi(
      std::wstring_view(reinterpret_cast<const wchar_t*>(stored.data()), stored.size() / 2));
}

std::optional<std::vector<BYTE>> storedData(DWORD type, const BYTE* data, DWORD size) {
  if (!data || size == 0) return std::vector<BYTE>();
  if (!isText(type)) return std::vector<BYTE>(data, data + size);
  std::optional<std::wstring> wide =
      toWide(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!wide) return std::nullopt;
  auto* bytes = reinterpret_cast<const BYTE*>(wide->data());
  return std::vector<BYTE>(bytes, bytes + wide->size() * sizeof(wchar_t));
}

// Hands data to an A caller: the size it needs always, the bytes only when
// they fit (nothing is copied into a buffer that is too small).
LONG copyData(const std::string& bytes, BYTE* data, DWORD* dataSize) {
  if (!dataSize) return ERROR_SUCCESS;
  DWORD available = *dataSize;
  *dataSize = DWORD(bytes.size());
  if (!data) return ERROR_SUCCESS;
  if (available < bytes.size()) return ERROR_MORE_DATA;
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  return ERROR_SUCCESS;
}

// A name for an A caller's buffer of `size` bytes, NUL included.
LONG copyName(const std::string& name, char* out, DWORD size) {
  if (!out || size < name.size() + 1) return ERROR_MORE_DATA;
  std::memcpy(out, name.c_str(), name.size() + 1);
  return ERROR_SUCCESS;
}

// The longest value name the registry allows, with its NUL.
constexpr DWORD kValueNameBuffer = 16384;

}  // namespace

LONG Win32Registry::RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM sam,
                                  HKEY* result) {
  WideArg path(subKey);
  if (!path.ok()) return LONG(kUnconvertible);
  return ::RegOpenKeyExW(key, path.get(), options, sam, result);
}

LONG Win32Registry::RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved,
                                    const char* keyClass, DWORD options, REGSAM sam,
                                    const void* security, HKEY* result, DWORD* disposition) {
  WideArg path(subKey);
  WideArg className(keyClass);
  if (!path.ok() || !className.ok()) return LONG(kUnconvertible);
  return ::RegCreateKeyExW(
      key, path.get(), reserved, const_cast<wchar_t*>(className.get()), options, sam,
      static_cast<LPSECURITY_ATTRIBUTES>(const_cast<void*>(security)), result, disposition);
}

// The counts and maxima are the registry's own: names in characters, data
// in the bytes stored (text in UTF-16), as Windows documents them.
LONG Win32Registry::RegQueryInfoKeyA(HKEY key, char* keyClass, DWORD* keyClassLength,
                                     DWORD* reserved, DWORD* subKeys, DWORD* maxSubKeyLength,
                                     DWORD* maxClassLength, DWORD* values,
                                     DWORD* maxValueNameLength, DWORD* maxValueLength,
                                     DWORD* securityDescriptorSize, FILETIME* lastWriteTime) {
  LONG rc = ::RegQueryInfoKeyW(key, nullptr, nullptr, reserved, subKeys, maxSubKeyLength,
                               maxClassLength, values, maxValueNameLength, maxValueLength,
                               securityDescriptorSize, lastWriteTime);
  // The program gives its keys no class.
  if (rc == ERROR_SUCCESS) {
    if (keyClass && keyClassLength && *keyClassLength > 0) keyClass[0] = '\0';
    if (keyClassLength) *keyClassLength = 0;
  }
  return rc;
}

LONG Win32Registry::RegEnumKeyA(HKEY key, DWORD index, char* name, DWORD nameSize) {
  wchar_t found[256];
  DWORD length = DWORD(std::size(found));
  LONG rc = ::RegEnumKeyExW(key, index, found, &length, nullptr, nullptr, nullptr, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  std::optional<std::string> ansi = toAnsi(std::wstring_view(found, length));
  if (!ansi) return LONG(kUnconvertible);
  return copyName(*ansi, name, nameSize);
}

LONG Win32Registry::RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameLength, DWORD*,
                                  DWORD* type, BYTE* data, DWORD* dataSize) {
  if (!nameLength || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
  std::vector<wchar_t> found(kValueNameBuffer);
  std::vector<BYTE> stored;
  DWORD storedType = 0;
  DWORD length = 0;
  LONG rc = ERROR_SUCCESS;
  // The data may grow between asking its size and reading it.
  for (DWORD capacity = 256;;) {
    stored.resize(capacity);
    length = DWORD(found.size());
    DWORD size = capacity;
    rc = ::RegEnumValueW(key, index, found.data(), &length, nullptr, &storedType, stored.data(),
                         &size);
    if (rc != ERROR_MORE_DATA) {
      if (rc == ERROR_SUCCESS) stored.resize(size);
      break;
    }
    capacity = std::max(size, capacity * 2);
  }
  if (rc != ERROR_SUCCESS) return rc;
  std::optional<std::string> ansiName = toAnsi(std::wstring_view(found.data(), length));
  std::optional<std::string> bytes = ansiData(storedType, stored);
  if (!ansiName || !bytes) return LONG(kUnconvertible);
  if (LONG nameRc = copyName(*ansiName, name, *nameLength)) return nameRc;
  *nameLength = DWORD(ansiName->size());
  if (type) *type = storedType;
  return copyData(*bytes, data, dataSize);
}

LONG Win32Registry::RegQueryValueExA(HKEY key, const char* name, DWORD*, DWORD* type, BYTE* data,
                                     DWORD* dataSize) {
  if (data && !dataSize) return ERROR_INVALID_PARAMETER;
  WideArg valueName(name);
  if (!valueName.ok()) return LONG(kUnconvertible);
  std::vector<BYTE> stored;
  DWORD storedType = 0;
  LONG rc = ERROR_SUCCESS;
  for (DWORD capacity = 256;;) {
    stored.resize(capacity);
    DWORD size = capacity;
    rc = ::RegQueryValueExW(key, valueName.get(), nullptr, &storedType, stored.data(), &size);
    if (rc == ERROR_MORE_DATA) {
      capacity = std::max(size, capacity * 2);
      continue;
    }
    if (rc == ERROR_SUCCESS) stored.resize(size);
    break;
  }
  if (rc != ERROR_SUCCESS) return rc;
  std::optional<std::string> bytes = ansiData(storedType, stored);
  if (!bytes) return LONG(kUnconvertible);
  if (type) *type = storedType;
  return copyData(*bytes, data, dataSize);
}

LONG Win32Registry::RegSetValueExA(HKEY key, const char* name, DWORD reserved, DWORD type,
                                   const BYTE* data, DWORD dataSize) {
  if (!data && dataSize > 0) return ERROR_INVALID_PARAMETER;
  WideArg valueName(name);
  std::optional<std::vector<BYTE>> stored = storedData(type, data, dataSize);
  if (!valueName.ok() || !stored) return LONG(kUnconvertible);
  return ::RegSetValueExW(key, valueName.get(), reserved, type, stored->data(),
                          DWORD(stored->size()));
}

LONG Win32Registry::RegDeleteValueA(HKEY key, const char* name) {
  WideArg valueName(name);
  if (!valueName.ok()) return LONG(kUnconvertible);
  return ::RegDeleteValueW(key, valueName.get());
}

LONG Win32Registry::RegDeleteKeyA(HKEY key, const char* subKey) {
  WideArg path(subKey);
  if (!path.ok()) return LONG(kUnconvertible);
  return ::RegDeleteKeyW(key, path.get());
}

LONG Win32Registry::RegCloseKey(HKEY key) {
  return ::RegCloseKey(key);
}

DWORD Win32Registry::SHDeleteKeyA(HKEY key, const char* subKey) {
  WideArg path(subKey);
  if (!path.ok()) return kUnconvertible;
  return DWORD(::SHDeleteKeyW(key, path.get()));
}

LONG Win32Registry::RegCopyTreeA(HKEY keySrc, const char* subKey, HKEY keyDest) {
  WideArg path(subKey);
  if (!path.ok()) return LONG(kUnconvertible);
  return ::RegCopyTreeW(keySrc, path.get(), keyDest);
}

}  // namespace win32
