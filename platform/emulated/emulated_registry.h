// The emulated machine's registry: HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER
// kept in an SQLite database, with the semantics Win32 shows its callers.
//
// Names are case-insensitive and case-preserving and are compared as text
// after conversion from the ANSI code page (a Shift-JIS trail byte 0x5C is not
// a path separator). Subkeys enumerate in case-insensitive sorted order,
// values in the order they were created. Value data and types are stored
// byte for byte. Every call is one transaction, so several processes can use
// one machine and never see half a write.
//
// A standard user's registry refuses, with ERROR_ACCESS_DENIED, what
// HKEY_LOCAL_MACHINE's security refuses such a user on Windows: creating a
// key there, opening one for any kind of write, setting or deleting a value
// and deleting a key. Reading and HKEY_CURRENT_USER are not affected.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/emulated/sqlite_db.h"
#include "platform/registry.h"

namespace emu {

// What a registry is opened for. Opening for writing first runs SQLite's
// quick check and refuses a damaged file, so that no command writes on top
// of damage and spreads it; reading commands skip the cost.
enum class OpenFor { Reading, Writing };

class EmulatedRegistry : public win::Registry {
 public:
  // Opens the registry database at `path`. A missing, locked or damaged
  // database is reported through `error` and left exactly as it is.
  static std::unique_ptr<EmulatedRegistry> open(const std::string& path, std::string* error,
                                                OpenFor purpose = OpenFor::Writing);
  // Creates a new database with the two empty hives. Fails if the file exists.
  static std::unique_ptr<EmulatedRegistry> create(const std::string& path, std::string* error);
  ~EmulatedRegistry() override;

  [[nodiscard]] win::LONG RegOpenKeyExA(win::HKEY key, const char* subKey, win::DWORD options,
                                        win::REGSAM sam, win::HKEY* result) override;
  [[nodiscard]] win::LONG RegCreateKeyExA(win::HKEY key, const char* subKey, win::DWORD reserved,
                                          const char* keyClass, win::DWORD options, win::REGSAM sam,
                                          const void* security, win::HKEY* result,
                                          win::DWORD* disposition) override;
  [[nodiscard]] win::LONG RegQueryInfoKeyA(
      win::HKEY key, char* keyClass, win::DWORD* keyClassLength, win::DWORD* reserved,
      win::DWORD* subKeys, win::DWORD* maxSubKeyLength, win::DWORD* maxClassLength,
      win::DWORD* values, win::DWORD* maxValueNameLength, win::DWORD* maxValueLength,
      win::DWORD* securityDescriptorSize, win::FILETIME* lastWriteTime) override;
  [[nodiscard]] win::LONG RegEnumKeyA(win::HKEY key, win::DWORD index, char* name,
                                      win::DWORD nameSize) override;
  [[nodiscard]] win::LONG RegEnumValueA(win::HKEY key, win::DWORD index, char* name,
                                        win::DWORD* nameLength, win::DWORD* reserved,
                                        win::DWORD* type, win::BYTE* data,
                                        win::DWORD* dataSize) override;
  [[nodiscard]] win::LONG RegQueryValueExA(win::HKEY key, const char* name, win::DWORD* reserved,
                                           win::DWORD* type, win::BYTE* data,
                                           win::DWORD* dataSize) override;
  [[nodiscard]] win::LONG RegSetValueExA(win::HKEY key, const char* name, win::DWORD reserved,
                                         win::DWORD type, const win::BYTE* data,
                                         win::DWORD dataSize) override;
  [[nodiscard]] win::LONG RegDeleteValueA(win::HKEY key, const char* name) override;
  [[nodiscard]] win::LONG RegDeleteKeyA(win::HKEY key, const char* subKey) override;
  [[nodiscard]] win::LONG RegCloseKey(win::HKEY key) override;
  [[nodiscard]] win::DWORD SHDeleteKeyA(win::HKEY key, const char* subKey) override;
  // One transaction: the copy is made whole or not at all.
  [[nodiscard]] win::LONG RegCopyTreeA(win::HKEY keySrc, const char* subKey,
                                       win::HKEY keyDest) override;
  // A batch is one write transaction; each call inside it is a savepoint, so
  // a failed call undoes only itself. Other processes see the batch at once
  // when it commits, and wait for it meanwhile; a cancelled batch is rolled
  // back whole.
  [[nodiscard]] win::LONG beginBatch() override;
  [[nodiscard]] win::LONG endBatch(bool commit) override;

  // Runs `body` as one transaction: every registry call it makes commits
  // together, or none does when it returns false or a call fails inside.
  // Used by the machine tool's import, which is all-or-nothing.
  [[nodiscard]] bool transaction(const std::function<bool()>& body, std::string* error);

  // SQLite's full integrity check of the whole file. True when it reached a
  // verdict: `problems` is then empty for a sound file or lists what is
  // wrong (at most `maxProblems` lines); false with `error` when the check
  // could not run.
  [[nodiscard]] bool checkIntegrity(int maxProblems, std::vector<std::string>* problems,
                                    std::string* error);

  // Whether the process runs as a standard user (see above).
  bool standardUser() const { return standardUser_; }
  void setStandardUser(bool standardUser) { standardUser_ = standardUser; }

  // Number of handles currently open (tests check that helpers close theirs).
  std::size_t openHandleCount() const { return handles_.size(); }

 private:
  struct Handle {
    std::int64_t keyId;
    win::REGSAM access;
    bool localMachine;  // the key lies under HKEY_LOCAL_MACHINE
    // The batch and deletion count at which the key was last seen to exist.
    std::uint64_t checkedBatch = 0;
    std::uint64_t checkedDeletions = 0;
  };
  class Call;

  EmulatedRegistry() = default;
  [[nodiscard]] bool refuseDamage(const std::string& path, std::string* error);

  [[nodiscard]] win::LONG resolveHandle(win::HKEY key, win::REGSAM need, std::int64_t* keyId);
  [[nodiscard]] win::LONG walk(std::int64_t from, const char* subKey, bool create,
                               std::int64_t* keyId, bool* created);
  win::HKEY newHandle(std::int64_t keyId, win::REGSAM access, bool localMachine);
  bool underLocalMachine(win::HKEY key) const;
  // ERROR_ACCESS_DENIED when a standard user may not change what lies under
  // `key`; a handle that is not known is left to the call to refuse.
  [[nodiscard]] win::LONG refuseStandardUser(win::HKEY key) const;
  [[nodiscard]] win::LONG checkNewKeyPath(std::int64_t parent, const char* subKey);
  int keyDepth(std::int64_t keyId);
  bool keyExists(std::int64_t keyId);
  bool inBatch() const;
  [[nodiscard]] win::LONG storageError();
  [[nodiscard]] win::LONG lostBatch() const;

  Database db_;
  std::unordered_map<std::uintptr_t, Handle> handles_;
  std::uintptr_t nextHandle_ = 0x1000;
  bool failed_ = false;  // a write failed inside an outer transaction
  bool standardUser_ = false;
  int batchDepth_ = 0;
  bool batchOpen_ = false;         // the outermost batch holds a transaction
  bool batchCancelled_ = false;    // a batch inside it ended with endBatch(false)
  win::LONG batchError_ = 0;       // the storage error of a call inside the batch
  std::uint64_t batchSerial_ = 0;  // numbers the batches that held a transaction
  std::uint64_t deletions_ = 0;    // key deletions attempted through this registry
  // Keys found by walking paths inside the current batch, by parent id and
  // folded name; valid for one batch and deletion count.
  std::unordered_map<std::string, std::int64_t> pathCache_;
  std::pair<std::uint64_t, std::uint64_t> pathCacheStamp_{0, 0};
};

}  // namespace emu
