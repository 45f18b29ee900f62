// The registry surface of the platform layer: the Win32 registry calls with
// their own arguments, buffer rules and status codes. Text is ANSI (code page
// 932); sizes are in bytes of that text.
#pragma once

#include "platform/win_types.h"

namespace win {

class Registry {
 public:
  virtual ~Registry() = default;

  virtual LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM sam,
                             HKEY* result) = 0;
  // Creates every missing key on the way; `disposition` (may be null) tells
  // whether the last key was created or opened.
  virtual LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, const char* keyClass,
                               DWORD options, REGSAM sam, const void* security, HKEY* result,
                               DWORD* disposition) = 0;
  // Every output pointer may be null. Name lengths exclude the terminating NUL.
  virtual LONG RegQueryInfoKeyA(HKEY key, char* keyClass, DWORD* keyClassLength, DWORD* reserved,
                                DWORD* subKeys, DWORD* maxSubKeyLength, DWORD* maxClassLength,
                                DWORD* values, DWORD* maxValueNameLength, DWORD* maxValueLength,
                                DWORD* securityDescriptorSize, FILETIME* lastWriteTime) = 0;
  virtual LONG RegEnumKeyA(HKEY key, DWORD index, char* name, DWORD nameSize) = 0;
  virtual LONG RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameLength, DWORD* reserved,
                             DWORD* type, BYTE* data, DWORD* dataSize) = 0;
  virtual LONG RegQueryValueExA(HKEY key, const char* name, DWORD* reserved, DWORD* type,
                                BYTE* data, DWORD* dataSize) = 0;
  virtual LONG RegSetValueExA(HKEY key, const char* name, DWORD reserved, DWORD type,
                              const BYTE* data, DWORD dataSize) = 0;
  virtual LONG RegDeleteValueA(HKEY key, const char* name) = 0;
  // Deletes a key that has no subkeys.
  virtual LONG RegDeleteKeyA(HKEY key, const char* subKey) = 0;
  virtual LONG RegCloseKey(HKEY key) = 0;
  // Shell helper: deletes a key with all its subkeys.
  virtual DWORD SHDeleteKeyA(HKEY key, const char* subKey) = 0;

  // Not Win32: a hint that the calls until the matching endBatch() belong
  // together, so a registry that commits each call may commit them at once.
  // Every call still succeeds or fails on its own and what succeeded stays.
  // Windows commits each call by itself, so there it does nothing.
  virtual void beginBatch() {}
  virtual void endBatch() {}
};

class RegistryBatch {
 public:
  explicit RegistryBatch(Registry& registry) : registry_(registry) { registry_.beginBatch(); }
  ~RegistryBatch() { registry_.endBatch(); }
  RegistryBatch(const RegistryBatch&) = delete;
  RegistryBatch& operator=(const RegistryBatch&) = delete;

 private:
  Registry& registry_;
};

}  // namespace win
