// The registry surface of the platform layer: the Win32 registry calls with
// their own arguments, buffer rules and status codes. Text is ANSI (code page
// 932); sizes are in bytes of that text.
#pragma once

#include "platform/win_types.h"

namespace win {

class Registry {
 public:
  virtual ~Registry() = default;

  [[nodiscard]] virtual LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM sam,
                                           HKEY* result) = 0;
  // Creates every missing key on the way; `disposition` (may be null) tells
  // whether the last key was created or opened.
  [[nodiscard]] virtual LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved,
                                             const char* keyClass, DWORD options, REGSAM sam,
                                             const void* security, HKEY* result,
                                             DWORD* disposition) = 0;
  // Every output pointer may be null. Name lengths exclude the terminating NUL.
  [[nodiscard]] virtual LONG RegQueryInfoKeyA(HKEY key, char* keyClass, DWORD* keyClassLength,
                                              DWORD* reserved, DWORD* subKeys,
                                              DWORD* maxSubKeyLength, DWORD* maxClassLength,
                                              DWORD* values, DWORD* maxValueNameLength,
                                              DWORD* maxValueLength, DWORD* securityDescriptorSize,
                                              FILETIME* lastWriteTime) = 0;
  [[nodiscard]] virtual LONG RegEnumKeyA(HKEY key, DWORD index, char* name, DWORD nameSize) = 0;
  [[nodiscard]] virtual LONG RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameLength,
                                           DWORD* reserved, DWORD* type, BYTE* data,
                                           DWORD* dataSize) = 0;
  [[nodiscard]] virtual LONG RegQueryValueExA(HKEY key, const char* name, DWORD* reserved,
                                              DWORD* type, BYTE* data, DWORD* dataSize) = 0;
  [[nodiscard]] virtual LONG RegSetValueExA(HKEY key, const char* name, DWORD reserved, DWORD type,
                                            const BYTE* data, DWORD dataSize) = 0;
  [[nodiscard]] virtual LONG RegDeleteValueA(HKEY key, const char* name) = 0;
  // Deletes a key that has no subkeys.
  [[nodiscard]] virtual LONG RegDeleteKeyA(HKEY key, const char* subKey) = 0;
  [[nodiscard]] virtual LONG RegCloseKey(HKEY key) = 0;
  // Shell helper: deletes a key with all its subkeys.
  [[nodiscard]] virtual DWORD SHDeleteKeyA(HKEY key, const char* subKey) = 0;
  // Copies the values and subkeys of `keySrc` (or of its subkey `subKey`,
  // when given) into the open key `keyDest`: values of the same name are
  // overwritten, subkeys merged, the rest of the destination stays. The
  // source needs read access, the destination the right to create subkeys
  // and set values. Windows copies value by value and key by key, so a copy
  // cut short can be partial; the emulated machine copies in one step.
  [[nodiscard]] virtual LONG RegCopyTreeA(HKEY keySrc, const char* subKey, HKEY keyDest) = 0;

  // Not Win32: the calls until the matching endBatch() are one change. On a
  // registry with transactions (the emulated machine) they are kept together
  // or not at all: endBatch(false) undoes every call made since the outermost
  // beginBatch(), and so does ending a batch inside which a nested one was
  // ended with false. Windows commits each call by itself; there both do
  // nothing and the calls keep the order they were made in.
  // beginBatch() answers why the registry cannot take the change (another
  // writer holds it too long, the store cannot be written); the calls then
  // commit one by one. endBatch() answers why the change was not kept.
  [[nodiscard]] virtual LONG beginBatch() { return ERROR_SUCCESS; }
  [[nodiscard]] virtual LONG endBatch(bool commit) {
    (void)commit;
    return ERROR_SUCCESS;
  }
};

// A batch for one scope. Only commit() keeps it, and says whether the
// registry did; a batch left without it (an early return, an exception) is
// undone when it goes out of scope.
class RegistryBatch {
 public:
  explicit RegistryBatch(Registry& registry)
      : registry_(registry), beginStatus_(registry_.beginBatch()) {}
  ~RegistryBatch() { cancel(); }
  RegistryBatch(const RegistryBatch&) = delete;
  RegistryBatch& operator=(const RegistryBatch&) = delete;

  [[nodiscard]] LONG beginStatus() const { return beginStatus_; }
  [[nodiscard]] LONG commit() {
    if (ended_) return ERROR_SUCCESS;
    ended_ = true;
    return registry_.endBatch(true);
  }
  // Nothing is left to report: what the batch held is gone either way.
  void cancel() {
    if (ended_) return;
    ended_ = true;
    (void)registry_.endBatch(false);
  }

 private:
  Registry& registry_;
  LONG beginStatus_;
  bool ended_ = false;
};

}  // namespace win
