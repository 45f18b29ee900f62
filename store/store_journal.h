// The journal that keeps a store command whole on a registry without
// transactions. Before a command first changes a part of the store (the
// values of a key or a subtree below a slot, one slot, the values of
// Setting, or Setting as a whole) the part's old content is copied under
// HKLM "Software\Q\Tolvik\Journal", and only then an entry naming it is
// written: an entry exists only for a copy that is complete. A part that did
// not exist is named without a copy. Parts may overlap: undone newest first,
// each comes back exactly as it was when it was saved.
// The value "Open" says the command has not finished; it is written before
// the first entry and deleted as the command's last step, so that removing
// it is the one write that makes the changes stand. A command cut short
// anywhere (a write refused, the process killed) is undone from the entries
// by itself or by the next command or start.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "store/context.h"

namespace store {

inline constexpr const char* kJournalKey = "Software\\Q\\Tolvik\\Journal";

class WriteCheckedRegistry;

class StoreJournal {
 public:
  // `ctx` writes the journal and the restores, past the journal itself;
  // `checked`, when given, is its registry, which tells why a copy failed.
  explicit StoreJournal(const Context& ctx, WriteCheckedRegistry* checked = nullptr)
      : ctx_(ctx), checked_(checked) {}

  // True when an earlier command left a journal, finished or not.
  [[nodiscard]] bool present() const;
  // Undoes what an unfinished journal records, newest entry first, and
  // removes the journal. Each entry is deleted once its part is restored,
  // so a recovery cut short resumes where it stopped. ERROR_SUCCESS when
  // no journal is left.
  [[nodiscard]] win::LONG recover();

  // What a write is about to do to a key.
  enum class Change {
    Values,  // set or delete one of its values
    Create,  // create it, with whatever keys above it are missing
    Remove,  // delete it with its subtree, or copy a tree into it
  };
  // To be called before a write that changes the key at `path` (below
  // HKEY_LOCAL_MACHINE): saves the part of the store it changes unless it is
  // saved already. Setting and its slots are saved whole; below a slot, the
  // key's values or its subtree alone. Creating a key that exists changes
  // nothing, and paths outside Setting need nothing.
  [[nodiscard]] win::LONG beforeChange(const std::string& path, Change change);
  // Records that the old content of slot `slot` is, at this moment, a copy
  // held by slot `heldBy` (the slots move down by one when a profile is
  // deleted), so that it need not be copied: undoing restores `slot` from
  // `heldBy` before `heldBy` itself is restored.
  [[nodiscard]] win::LONG noteSlotHeldBy(int slot, int heldBy);
  // Saves the values `names` of the key `path` below HKEY_CURRENT_USER as
  // they are now (present or not): a change of the live settings that has
  // to be whole, where the registry groups nothing, is undone from them.
  [[nodiscard]] win::LONG saveUserValues(const std::string& path,
                                         const std::vector<std::string>& names);

  // The command's changes stand: the journal goes.
  [[nodiscard]] win::LONG finish();
  // The command's changes are undone.
  [[nodiscard]] win::LONG rollBack() { return recover(); }

 private:
  void reset();
  win::LONG copyFailure(win::LONG status);
  win::LONG open();
  win::LONG addEntry(const std::string& entry);
  win::LONG saveStore();
  win::LONG saveSlot(const std::string& name);
  win::LONG saveValues();
  // For a part of slot `slot` that no saved part covers.
  win::LONG saveBelowSlot(const std::string& slot, const std::string& path, Change change);
  bool treeSaved(const std::string& path) const;

  const Context& ctx_;
  WriteCheckedRegistry* checked_;
  bool open_ = false;
  int entries_ = 0;
  bool storeSaved_ = false;
  bool valuesSaved_ = false;
  std::set<std::string> slotsSaved_;
  // Below the slots, by path as written (a key spelled two ways is merely
  // saved twice): keys whose subtree is saved or was missing, and keys whose
  // values are saved.
  std::set<std::string, std::less<>> treesSaved_;
  std::set<std::string> keyValuesSaved_;
};

// Benchmarks only: runs the store commands without their journal, to
// measure what it costs. The program never switches it off.
void SetJournalForBenchmarks(bool enabled);

}  // namespace store
