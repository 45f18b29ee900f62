// One command that reads the profile store to decide and then writes it:
// a capture, a deletion, the editor's save, the switch's record of its use,
// the start-up discard of an earlier store. It holds the store lock from its
// first read to its last write, so two copies of the program (or the window
// and verantu-cli) never interleave on the slots, and keeps its writes whole
// or not at all: the journal saves each part of the store before its first
// change, and the writes also run as one registry batch where the registry
// has them. A write that fails makes the command fail; nothing is reported
// as done that was not done.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/machine.h"
#include "store/context.h"
#include "store/store_journal.h"

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
  Recovery,
  Import,
  Export,  // reads only: it takes the lock to read a slot whole
};

// Passes every call on and remembers the first one that failed to change
// the registry, or to read it for a reason other than a missing key or
// value: the registry helpers go on after a failed write by design, so the
// command learns of it here. After that failure it refuses every further
// change, which the command will undo anyway. Before a change of the store
// it has the journal save the part the change belongs to.
class WriteCheckedRegistry : public win::Registry {
 public:
  explicit WriteCheckedRegistry(win::Registry& inner) : inner_(inner) {}
  [[nodiscard]] win::LONG firstFailure() const { return firstFailure_; }
  void resetFailure() { firstFailure_ = ERROR_SUCCESS; }
  // A failure found outside the registry calls (the journal's own writes).
  void noteFailure(win::LONG error) { (void)noteWrite(error); }
  void setJournal(StoreJournal* journal) { journal_ = journal; }

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
  win::LONG RegCopyTreeA(win::HKEY keySrc, const char* subKey, win::HKEY keyDest) override;
  win::LONG beginBatch() override;
  win::LONG endBatch(bool commit) override;

 private:
  win::LONG noteWrite(win::LONG result);
  win::LONG noteDeletion(win::LONG result);
  win::LONG noteRead(win::LONG result);
  // Whether a change of the key at `path` may go ahead: ERROR_SUCCESS, or
  // the failure that stops it.
  win::LONG beforeChange(const std::string* path, StoreJournal::Change change);
  // The path below HKEY_LOCAL_MACHINE of `key` (and `subKey`), or null for
  // a key elsewhere.
  const std::string* pathOf(win::HKEY key) const;
  std::optional<std::string> join(win::HKEY key, const char* subKey) const;
  void remember(win::LONG result, win::HKEY parent, const char* subKey, win::HKEY* opened);

  win::Registry& inner_;
  win::LONG firstFailure_ = ERROR_SUCCESS;
  StoreJournal* journal_ = nullptr;
  std::map<win::HKEY, std::string> paths_;
};

// A machine whose registry calls are checked, the rest passed on as is.
class CheckedMachine : public win::MachineOverlay {
 public:
  explicit CheckedMachine(win::Machine& inner)
      : MachineOverlay(inner), registry_(inner.registry()) {}
  WriteCheckedRegistry& registry() override { return registry_; }

 private:
  WriteCheckedRegistry registry_;
};

class StoreCommand {
 public:
  // Takes the store lock, waiting up to kStoreLockWaitMs, then finishes or
  // undoes what a command cut short left in the journal. When another
  // command keeps the lock longer, or the store cannot be made whole, says
  // so (owned by ctx.owner) and locked() is false: the command must then
  // stop without reading or writing.
  StoreCommand(const Context& ctx, StoreChange change);
  // Undoes the writes of a batch that was not committed (an early return,
  // an exception) and releases the lock.
  ~StoreCommand();
  StoreCommand(const StoreCommand&) = delete;
  StoreCommand& operator=(const StoreCommand&) = delete;

  [[nodiscard]] bool locked() const { return locked_ && recovered_; }
  // The context to run the command through: the same machine and prompter,
  // with the registry calls checked.
  const Context& context() const { return *context_; }

  // Starts the batch of the command's writes. False, after a message saying
  // why, when the registry cannot take them (read-only, locked, damaged).
  [[nodiscard]] bool beginWrites();
  // Ends the batch. When every write since beginWrites() succeeded and the
  // registry kept them, true; otherwise the batch is undone, a message says
  // what failed and that nothing was changed, and false.
  [[nodiscard]] bool commitWrites();
  // Undoes the batch without a message: the command decided to write
  // nothing after all.
  void cancelWrites();
  // Tells the journal that slot `slot` is about to be replaced while its
  // old content is held, whole, by slot `heldBy`: a deletion moving the
  // slots down then need not copy each of them. False when the command
  // has failed already or the journal cannot be written.
  [[nodiscard]] bool slotHeldBy(int slot, int heldBy);
  // A step that failed without a registry call failing (no memory for a
  // copy): the command is then undone at its commit, with this cause
  // unless a write failed first.
  void noteFailure(win::LONG error) { checkedRegistry().noteFailure(error); }
  // Reports a failure the command found itself (a key it wrote that cannot
  // be read back) and undoes the batch.
  void failWrites(win::LONG error);

 private:
  WriteCheckedRegistry& checkedRegistry();
  void showFailure(win::LONG error) const;

  const Context& outer_;
  StoreChange change_;
  std::unique_ptr<CheckedMachine> machine_;
  std::unique_ptr<Context> context_;
  // The journal writes past the journal, with its own check.
  std::unique_ptr<CheckedMachine> journalMachine_;
  std::unique_ptr<Context> journalContext_;
  StoreJournal journal_;
  win::HANDLE mutex_ = nullptr;
  bool locked_ = false;
  bool recovered_ = false;
  bool batchOpen_ = false;
};

// Before anything of the store is read at a start: when a command cut
// short left a journal, takes the store lock and undoes its changes. False,
// after a message, when that cannot be done now.
[[nodiscard]] bool RecoverStore(const Context& ctx);

}  // namespace store
