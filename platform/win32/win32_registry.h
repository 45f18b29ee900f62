// The registry on Windows: the W functions with code page 932 names and text
// data, sized as the A functions size them.
#pragma once

#include "platform/registry.h"

namespace win32 {

class Win32Registry : public win::Registry {
 public:
  [[nodiscard]] LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM sam,
                                   HKEY* result) override;
  [[nodiscard]] LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved,
                                     const char* keyClass, DWORD options, REGSAM sam,
                                     const void* security, HKEY* result,
                                     DWORD* disposition) override;
  [[nodiscard]] LONG RegQueryInfoKeyA(HKEY key, char* keyClass, DWORD* keyClassLength,
                                      DWORD* reserved, DWORD* subKeys, DWORD* maxSubKeyLength,
                                      DWORD* maxClassLength, DWORD* values,
                                      DWORD* maxValueNameLength, DWORD* maxValueLength,
                                      DWORD* securityDescriptorSize,
                                      FILETIME* lastWriteTime) override;
  [[nodiscard]] LONG RegEnumKeyA(HKEY key, DWORD index, char* name, DWORD nameSize) override;
  [[nodiscard]] LONG RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameLength,
                                   DWORD* reserved, DWORD* type, BYTE* data,
                                   DWORD* dataSize) override;
  [[nodiscard]] LONG RegQueryValueExA(HKEY key, const char* name, DWORD* reserved, DWORD* type,
                                      BYTE* data, DWORD* dataSize) override;
  [[nodiscard]] LONG RegSetValueExA(HKEY key, const char* name, DWORD reserved, DWORD type,
                                    const BYTE* data, DWORD dataSize) override;
  [[nodiscard]] LONG RegDeleteValueA(HKEY key, const char* name) override;
  [[nodiscard]] LONG RegDeleteKeyA(HKEY key, const char* subKey) override;
  [[nodiscard]] LONG RegCloseKey(HKEY key) override;
  [[nodiscard]] DWORD SHDeleteKeyA(HKEY key, const char* subKey) override;
  [[nodiscard]] LONG RegCopyTreeA(HKEY keySrc, const char* subKey, HKEY keyDest) override;
};

}  // namespace win32
