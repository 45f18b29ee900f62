// One command that reads the profile store to decide and then writes it:
// a capture, a deletion, the editor's save, the switch's record of its use,
// the start-up discard of an earlier store. It holds the store lock from its
// first read to its last write, so two copies of the program (or the window
// and verantu-cli) never interleave on the slots, and runs its writes as one
// registry batch that is kept whole or not at all. A write that fails makes
// the command fail; nothing is reported as done that was not done.
#pragma once

#include <memory>

#include "platform/machine.h"
#include "store/context.h"

namespace store {

// The named mutex every store command holds; the single-instance mutex
// "Verantu!" is another one.
inline constexpr const char* kStoreMutexName = "Verantu! store";
// How long a command waits for another one to finish before it gives up.
inline constexpr win::DWORD kStoreLockWaitMs = 5000;
// A switch's record comes after the machine was switched, when giving up
// would lose it: it waits longer.
inline constexpr win::DWORD kSwitchRecordLockWaitMs = 30000;

// What a command was doing, for the message that says it was not done.
enum class StoreChange {
  Capture,
  Deletion,
  Save,
  SwitchRecord,
  DiscardEarlierStore,
  Import,
  Export,  // reads only: it takes the lock to read a slot whole
};

// Passes every call on and remembers the first one that failed to change
// the registry, or to read it for a reason other than a missing key or
// value: the registry helpers go on after a failed write by design, so the
// command learns of it here.
class WriteCheckedRegistry : public win::Registry {
 public:
  explicit WriteCheckedRegistry(win::Registry& inner) : inner_(inner) {}
  win::LONG firstFailure() const { return firstFailure_; }
  void resetFailure() { firstFailure_ = ERROR_SUCCESS; }

  win::LONG RegOpenKeyExA(win::HKEY key, const char* subKey, win::DWORD options, win::REGSAM sam,
                          win::HKEY* result) override;
  win::LONG RegCreateKeyExA(win::HKEY key, const char* subKey, win::DWORD reserved,
                            const char* keyClass, win::DWORD options, win::REGSAM sam,
                            const void* security, win::HKEY* result,
                            win::DWORD* disposition) override;
  win::LONG RegQueryInfoKeyA(win::HKEY key, char* keyClass, win::DWORD* keyClassLength,
                             win::DWORD* reserved, win::DWORD* subKeys, win::DWORD* maxSubKeyLength,
                             win::DWORD* maxClassLength, win::DWORD* values,
                             win::DWORD* maxValueNameLength, win::DWORD* maxValueLength,
                             win::DWORD* securityDescriptorSize,
                             win::FILETIME* lastWriteTime) override;
  win::LONG RegEnumKeyA(win::HKEY key, win::DWORD index, char* name, win::DWORD nameSize) override;
  win::LONG RegEnumValueA(win::HKEY key, win::DWORD index, char* name, win::DWORD* nameLength,
                          win::DWORD* reserved, win::DWORD* type, win::BYTE* data,
                          win::DWORD* dataSize) override;
  win::LONG RegQueryValueExA(win::HKEY key, const char* name, win::DWORD* reserved,
                             win::DWORD* type, win::BYTE* data, win::DWORD* dataSize) override;
  win::LONG RegSetValueExA(win::HKEY key, const char* name, win::DWORD reserved, win::DWORD type,
                           const win::BYTE* data, win::DWORD dataSize) override;
  win::LONG RegDeleteValueA(win::HKEY key, const char* name) override;
  win::LONG RegDeleteKeyA(win::HKEY key, const char* subKey) override;
  win::LONG RegCloseKey(win::HKEY key) override;
  win::DWORD SHDeleteKeyA(win::HKEY key, const char* subKey) override;
  win::LONG beginBatch() override;
  win::LONG endBatch(bool commit) override;

 private:
  win::LONG noteWrite(win::LONG result);
  win::LONG noteDeletion(win::LONG result);
  win::LONG noteRead(win::LONG result);

  win::Registry& inner_;
  win::LONG firstFailure_ = ERROR_SUCCESS;
};

class StoreCommand {
 public:
  // Takes the store lock, waiting up to kStoreLockWaitMs. When another
  // command keeps it longer, says so (owned by ctx.owner) and locked() is
  // false: the command must then stop without reading or writing.
  StoreCommand(const Context& ctx, StoreChange change);
  // Undoes the writes of a batch that was not committed (an early return,
  // an exception) and releases the lock.
  ~StoreCommand();
  StoreCommand(const StoreCommand&) = delete;
  StoreCommand& operator=(const StoreCommand&) = delete;

  bool locked() const { return locked_; }
  // The context to run the command through: the same machine and prompter,
  // with the registry calls checked.
  const Context& context() const { return *context_; }

  // Starts the batch of the command's writes. False, after a message saying
  // why, when the registry cannot take them (read-only, locked, damaged).
  bool beginWrites();
  // Ends the batch. When every write since beginWrites() succeeded and the
  // registry kept them, true; otherwise the batch is undone, a message says
  // what failed and that nothing was changed, and false.
  bool commitWrites();
  // Undoes the batch without a message: the command decided to write
  // nothing after all.
  void cancelWrites();
  // Reports a failure the command found itself (a key it wrote that cannot
  // be read back) and undoes the batch.
  void failWrites(win::LONG error);

 private:
  class CheckedMachine;
  void showFailure(win::LONG error) const;

  const Context& outer_;
  StoreChange change_;
  std::unique_ptr<CheckedMachine> machine_;
  std::unique_ptr<Context> context_;
  win::HANDLE mutex_ = nullptr;
  bool locked_ = false;
  bool batchOpen_ = false;
};

}  // namespace store
