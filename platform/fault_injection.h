// Crash testing: a machine whose registry ends the process, as a kill
// would, right after a chosen number of changes. The store's journal must
// then let the next command find the store exactly as before or after.
// Only verantu-cli honours it, and only when two environment variables
// agree, so that no stray setting can cut a user's command short:
//   VERANTU_FAULT_INJECTION=kill-after-writes  VERANTU_FAULT_AFTER_WRITES=N
// VERANTU_FAULT_INJECTION=count-writes ends nothing: the process prints, as
// its last line on standard error, how many changes it made, so that a test
// can choose which of them to stop after.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/machine.h"
#include "platform/registry.h"

namespace win {

// The process's exit status when it was ended on purpose.
inline constexpr int kFaultExitCode = 86;

class KillAfterWritesRegistry : public Registry {
 public:
  // `writes` 0 only counts.
  KillAfterWritesRegistry(Registry& inner, long writes) : inner_(inner), left_(writes) {}
  ~KillAfterWritesRegistry() override {
    if (left_ <= 0) std::fprintf(stderr, "registry writes: %ld\n", done_);
  }

  [[nodiscard]] LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM sam,
                                   HKEY* result) override {
    return inner_.RegOpenKeyExA(key, subKey, options, sam, result);
  }
  [[nodiscard]] LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved,
                                     const char* keyClass, DWORD options, REGSAM sam,
                                     const void* security, HKEY* result,
                                     DWORD* disposition) override {
    return counted(inner_.RegCreateKeyExA(key, subKey, reserved, keyClass, options, sam, security,
                                          result, disposition));
  }
  [[nodiscard]] LONG RegQueryInfoKeyA(HKEY key, char* keyClass, DWORD* keyClassLength,
                                      DWORD* reserved, DWORD* subKeys, DWORD* maxSubKeyLength,
                                      DWORD* maxClassLength, DWORD* values,
                                      DWORD* maxValueNameLength, DWORD* maxValueLength,
                                      DWORD* securityDescriptorSize,
                                      FILETIME* lastWriteTime) override {
    return inner_.RegQueryInfoKeyA(key, keyClass, keyClassLength, reserved, subKeys,
                                   maxSubKeyLength, maxClassLength, values, maxValueNameLength,
                                   maxValueLength, securityDescriptorSize, lastWriteTime);
  }
  [[nodiscard]] LONG RegEnumKeyA(HKEY key, DWORD index, char* name, DWORD nameSize) override {
    return inner_.RegEnumKeyA(key, index, name, nameSize);
  }
  [[nodiscard]] LONG RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameLength,
                                   DWORD* reserved, DWORD* type, BYTE* data,
                                   DWORD* dataSize) override {
    return inner_.RegEnumValueA(key, index, name, nameLength, reserved, type, data, dataSize);
  }
  [[nodiscard]] LONG RegQueryValueExA(HKEY key, const char* name, DWORD* reserved, DWORD* type,
                                      BYTE* data, DWORD* dataSize) override {
    return inner_.RegQueryValueExA(key, name, reserved, type, data, dataSize);
  }
  [[nodiscard]] LONG RegSetValueExA(HKEY key, const char* name, DWORD reserved, DWORD type,
                                    const BYTE* data, DWORD dataSize) override {
    return counted(inner_.RegSetValueExA(key, name, reserved, type, data, dataSize));
  }
  [[nodiscard]] LONG RegDeleteValueA(HKEY key, const char* name) override {
    return counted(inner_.RegDeleteValueA(key, name));
  }
  [[nodiscard]] LONG RegDeleteKeyA(HKEY key, const char* subKey) override {
    return counted(inner_.RegDeleteKeyA(key, subKey));
  }
  [[nodiscard]] LONG RegCloseKey(HKEY key) override { return inner_.RegCloseKey(key); }
  [[nodiscard]] DWORD SHDeleteKeyA(HKEY key, const char* subKey) override {
    return DWORD(counted(LONG(inner_.SHDeleteKeyA(key, subKey))));
  }
  // One write, counted when it is done: a kill inside a copy on Windows
  // leaves part of it, which the store's journal never relies on.
  [[nodiscard]] LONG RegCopyTreeA(HKEY keySrc, const char* subKey, HKEY keyDest) override {
    return counted(inner_.RegCopyTreeA(keySrc, subKey, keyDest));
  }
  [[nodiscard]] LONG beginBatch() override { return inner_.beginBatch(); }
  [[nodiscard]] LONG endBatch(bool commit) override { return inner_.endBatch(commit); }

 private:
  // Ends the process without unwinding: nothing after this write reaches
  // the registry, as after a kill.
  LONG counted(LONG result) {
    ++done_;
    if (left_ > 0 && --left_ == 0) std::_Exit(kFaultExitCode);
    return result;
  }

  Registry& inner_;
  long left_;
  long done_ = 0;
};

class KillAfterWritesMachine : public MachineOverlay {
 public:
  KillAfterWritesMachine(std::unique_ptr<Machine> inner, long writes)
      : MachineOverlay(*inner), inner_(std::move(inner)), registry_(inner_->registry(), writes) {}
  Registry& registry() override { return registry_; }

 private:
  std::unique_ptr<Machine> inner_;
  KillAfterWritesRegistry registry_;
};

// `machine` itself, or, when both variables ask for it, the machine that
// ends the process after N registry changes.
inline std::unique_ptr<Machine> WithFaultInjection(std::unique_ptr<Machine> machine) {
  const char* mode = std::getenv("VERANTU_FAULT_INJECTION");
  const char* writes = std::getenv("VERANTU_FAULT_AFTER_WRITES");
  if (machine && mode && std::strcmp(mode, "count-writes") == 0)
    return std::make_unique<KillAfterWritesMachine>(std::move(machine), 0);
  if (!machine || !mode || std::strcmp(mode, "kill-after-writes") != 0 || !writes) return machine;
  char* end = nullptr;
  long n = std::strtol(writes, &end, 10);
  if (n <= 0 || *end) return machine;
  return std::make_unique<KillAfterWritesMachine>(std::move(machine), n);
}

}  // namespace win
