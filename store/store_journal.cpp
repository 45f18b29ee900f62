#include "store/store_journal.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "platform/code_page.h"
#include "store/open_key.h"
#include "store/profile_store.h"
#include "store/registry_access.h"
#include "store/registry_reports.h"
#include "store/store_command.h"

namespace store {

namespace {

using win::BYTE;
using win::DWORD;
using win::HKEY;
using win::LONG;

// Present while the command that wrote the journal has not finished.
constexpr const char* kOpenValue = "Open";
// What an entry says about its part; the names follow, after a "\".
constexpr const char* kSavedStore = "store";     // Setting, copied
constexpr const char* kAbsentStore = "nostore";  // Setting did not exist
constexpr const char* kSavedValues = "values";   // the values of Setting, copied
constexpr const char* kSavedSlot = "slot";       // slot NAME, copied
constexpr const char* kAbsentSlot = "noslot";    // slot NAME did not exist
constexpr const char* kMovedSlot = "moved";      // slot NAME is held by slot HELDBY
// Below a slot, the key PATH (the rest of the entry, from HKEY_LOCAL_MACHINE)
// as a whole, copied; the key PATH, which did not exist; the values of the
// key PATH, copied. A command that changes a little of a large profile
// saves only that little.
constexpr const char* kSavedTree = "tree";
constexpr const char* kAbsentTree = "notree";
constexpr const char* kSavedKeyValues = "keyvalues";
// Values of the key PATH below HKEY_CURRENT_USER: those kept in the copy
// are put back, the others named in the copy's "Names" are deleted.
constexpr const char* kUserValues = "user";
// The list of the names saved, under a name the live key does not use.
constexpr const char* kNamesValue = "\x01Names";
// A copy that could not be made or restored; the registry helpers answer
// only 0 or 1, and the command's own check has the cause when it was a write.
constexpr LONG kCopyFailed = ERROR_REGISTRY_IO_FAILED;

bool journalEnabled = true;

// Where entry `seq` keeps its copy.
std::string copyPath(int seq) {
  return std::string(kJournalKey) + "\\" + std::to_string(seq);
}

std::string slotPath(const std::string& name) {
  return std::string(kSettingKey) + "\\" + name;
}

char foldAscii(char c) {
  return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

// Whether `path` is `key` or lies below it; names compare as Windows does,
// ignoring the case of ASCII letters (every name of this store is ASCII).
bool isAtOrBelow(const std::string& path, const std::string& key) {
  if (path.size() < key.size()) return false;
  for (std::size_t i = 0; i < key.size(); ++i)
    if (foldAscii(path[i]) != foldAscii(key[i])) return false;
  return path.size() == key.size() || path[key.size()] == '\\';
}

// The first backslash at or after `from` (a character boundary) that
// separates two names: in code page 932 the second byte of a character such
// as 表 is a backslash too.
std::size_t nextSeparator(const std::string& path, std::size_t from) {
  for (std::size_t i = from; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (win::isLeadByte(c) && i + 1 < path.size())
      ++i;
    else if (c == '\\')
      return i;
  }
  return std::string::npos;
}

// Whether `path` names a slot or a key below one.
bool isInSlot(const std::string& path) {
  const std::string setting = kSettingKey;
  if (!isAtOrBelow(path, setting) || path.size() <= setting.size() + 1) return false;
  return path[setting.size() + 1] != '\\';
}

std::vector<std::string> splitEntry(const std::string& entry) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = entry.find('\\', start);
    parts.push_back(entry.substr(start, end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

bool keyExists(win::Registry& registry, const std::string& path) {
  OpenKey key(registry);
  return key.open(HKEY_LOCAL_MACHINE, path, KEY_READ) == ERROR_SUCCESS;
}

// True also when it cannot be told.
bool hasSubkeys(win::Registry& registry, const std::string& path) {
  OpenKey key(registry);
  DWORD subkeys = 1;
  if (key.open(HKEY_LOCAL_MACHINE, path, KEY_READ) != ERROR_SUCCESS ||
      registry.RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return true;
  return subkeys != 0;
}

// Copies the tree of the open key `from` into the key at `target`, created
// when missing, in one registry call: a profile is hundreds of values.
LONG copyTree(win::Registry& registry, HKEY from, const std::string& target) {
  OpenKey to(registry);
  LONG status = to.create(HKEY_LOCAL_MACHINE, target);
  if (status != ERROR_SUCCESS) return status;
  return registry.RegCopyTreeA(from, nullptr, to.get());
}

LONG copyTree(win::Registry& registry, const std::string& source, const std::string& target) {
  OpenKey from(registry);
  LONG status = from.open(HKEY_LOCAL_MACHINE, source, KEY_READ);
  if (status != ERROR_SUCCESS) return status;
  return copyTree(registry, from.get(), target);
}

// Makes the key at `target` an exact copy of the one at `source`, which
// must exist: a restore from nothing would silently lose the part.
LONG replaceTree(const Context& ctx, const std::string& source, const std::string& target) {
  if (!keyExists(ctx.registry(), source)) return ERROR_REGISTRY_CORRUPT;
  if (DeleteKeyTree(ctx, HKEY_LOCAL_MACHINE, target) != 0) return kCopyFailed;
  return copyTree(ctx.registry(), source, target);
}

// The values of the key at `target` become exactly those kept at `source`;
// its subkeys stay.
LONG replaceValues(const Context& ctx, const std::string& source, const std::string& target) {
  if (!keyExists(ctx.registry(), source)) return ERROR_REGISTRY_CORRUPT;
  win::Registry& registry = ctx.registry();
  {
    OpenKey setting(registry);
    LONG status = setting.create(HKEY_LOCAL_MACHINE, target);
    if (status != ERROR_SUCCESS) return status;
    char name[kNameBufferSize];
    for (;;) {
      DWORD length = sizeof name;
      status = registry.RegEnumValueA(setting.get(), 0, name, &length, nullptr, nullptr, nullptr,
                                      nullptr);
      if (status == ERROR_NO_MORE_ITEMS) break;
      if (status != ERROR_SUCCESS) return status;
      status = registry.RegDeleteValueA(setting.get(), name);
      if (status != ERROR_SUCCESS) return status;
    }
  }
  if (CopyKeyValues(ctx, HKEY_LOCAL_MACHINE, source, HKEY_LOCAL_MACHINE, target) != 0)
    return kCopyFailed;
  return ERROR_SUCCESS;
}

// One value as it is stored: type and bytes.
struct RawValue {
  DWORD type = 0;
  std::vector<BYTE> data;
};

LONG readRaw(win::Registry& registry, HKEY key, const char* name, RawValue& value) {
  DWORD size = 0;
  LONG status = registry.RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size);
  if (status != ERROR_SUCCESS) return status;
  value.data.resize(size);
  status = registry.RegQueryValueExA(key, name, nullptr, &value.type, value.data.data(), &size);
  value.data.resize(size);
  return status;
}

LONG writeRaw(win::Registry& registry, HKEY key, const char* name, const RawValue& value) {
  return registry.RegSetValueExA(key, name, 0, value.type, value.data.data(),
                                 DWORD(value.data.size()));
}

// The live values the copy at `source` was made of become what they were:
// each one kept is written back, each one that was missing is deleted.
LONG restoreUserValues(const Context& ctx, const std::string& source, const std::string& path) {
  win::Registry& registry = ctx.registry();
  OpenKey copy(registry);
  LONG status = copy.open(HKEY_LOCAL_MACHINE, source, KEY_READ);
  if (status != ERROR_SUCCESS) return ERROR_REGISTRY_CORRUPT;
  RawValue names;
  status = readRaw(registry, copy.get(), kNamesValue, names);
  if (status != ERROR_SUCCESS || names.type != REG_MULTI_SZ) return ERROR_REGISTRY_CORRUPT;
  OpenKey live(registry);
  status = live.create(HKEY_CURRENT_USER, path);
  if (status != ERROR_SUCCESS) return status;
  const std::string list(names.data.begin(), names.data.end());
  for (std::size_t start = 0; start < list.size();) {
    const std::size_t end = list.find('\0', start);
    const std::string name = list.substr(start, end - start);
    if (name.empty()) break;
    RawValue value;
    status = readRaw(registry, copy.get(), name.c_str(), value);
    if (status == ERROR_SUCCESS)
      status = writeRaw(registry, live.get(), name.c_str(), value);
    else if (status == ERROR_FILE_NOT_FOUND)
      status = registry.RegDeleteValueA(live.get(), name.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return status;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return ERROR_SUCCESS;
}

// Puts back the part entry `seq` describes.
LONG restore(const Context& ctx, int seq, const std::string& entry) {
  std::vector<std::string> parts = splitEntry(entry);
  const std::string& kind = parts[0];
  if (kind == kUserValues) {
    const std::size_t cut = entry.find('\\');
    if (cut == std::string::npos || cut + 1 == entry.size()) return ERROR_REGISTRY_CORRUPT;
    return restoreUserValues(ctx, copyPath(seq), entry.substr(cut + 1));
  }
  if (kind == kSavedTree || kind == kAbsentTree || kind == kSavedKeyValues) {
    // Only slots and keys below them are saved this way: an entry naming
    // any other key is not the journal's.
    const std::size_t cut = entry.find('\\');
    const std::string path = cut == std::string::npos ? std::string() : entry.substr(cut + 1);
    if (!isInSlot(path)) return ERROR_REGISTRY_CORRUPT;
    if (kind == kSavedTree) return replaceTree(ctx, copyPath(seq), path);
    if (kind == kSavedKeyValues) return replaceValues(ctx, copyPath(seq), path);
    return DeleteKeyTree(ctx, HKEY_LOCAL_MACHINE, path) == 0 ? ERROR_SUCCESS : kCopyFailed;
  }
  if (kind == kSavedStore) return replaceTree(ctx, copyPath(seq), kSettingKey);
  if (kind == kAbsentStore)
    return DeleteKeyTree(ctx, HKEY_LOCAL_MACHINE, kSettingKey) == 0 ? ERROR_SUCCESS : kCopyFailed;
  if (kind == kSavedValues) return replaceValues(ctx, copyPath(seq), kSettingKey);
  if (parts.size() < 2 || parts[1].empty()) return ERROR_REGISTRY_CORRUPT;
  const std::string slot = slotPath(parts[1]);
  if (kind == kSavedSlot) return replaceTree(ctx, copyPath(seq), slot);
  if (kind == kAbsentSlot)
    return DeleteKeyTree(ctx, HKEY_LOCAL_MACHINE, slot) == 0 ? ERROR_SUCCESS : kCopyFailed;
  if (kind == kMovedSlot && parts.size() == 3 && !parts[2].empty())
    return replaceTree(ctx, slotPath(parts[2]), slot);
  return ERROR_REGISTRY_CORRUPT;
}

// An entry's text, however long the path it names.
LONG queryEntry(win::Registry& registry, HKEY journal, int seq, std::string& entry) {
  RawValue value;
  LONG status = readRaw(registry, journal, std::to_string(seq).c_str(), value);
  if (status != ERROR_SUCCESS) return status;
  if (value.type != REG_SZ) return ERROR_REGISTRY_CORRUPT;
  const auto* text = reinterpret_cast<const char*>(value.data.data());
  entry.assign(text, strnlen(text, value.data.size()));
  return ERROR_SUCCESS;
}

}  // namespace

bool StoreJournal::present() const {
  return keyExists(ctx_.registry(), kJournalKey);
}

LONG StoreJournal::recover() {
  if (checked_) checked_->resetFailure();
  win::Registry& registry = ctx_.registry();
  {
    OpenKey journal(registry);
    LONG status = journal.open(HKEY_LOCAL_MACHINE, kJournalKey, KEY_ALL_ACCESS);
    if (status == ERROR_FILE_NOT_FOUND) {
      reset();
      return ERROR_SUCCESS;
    }
    if (status != ERROR_SUCCESS) return status;
    status =
        registry.RegQueryValueExA(journal.get(), kOpenValue, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS) {
      // Entries are numbered from 1 without gaps: a recovery removes them
      // from the newest down.
      int count = 0;
      std::string entry;
      while (queryEntry(registry, journal.get(), count + 1, entry) == ERROR_SUCCESS) ++count;
      for (int seq = count; seq >= 1; --seq) {
        status = queryEntry(registry, journal.get(), seq, entry);
        if (status != ERROR_SUCCESS) return status;
        status = restore(ctx_, seq, entry);
        if (status != ERROR_SUCCESS) return status;
        status = registry.RegDeleteValueA(journal.get(), std::to_string(seq).c_str());
        if (status != ERROR_SUCCESS) return status;
      }
      status = registry.RegDeleteValueA(journal.get(), kOpenValue);
      if (status != ERROR_SUCCESS) return status;
    } else if (status != ERROR_FILE_NOT_FOUND) {
      return status;
    }
  }
  // Without "Open" what is left only takes room: the changes it was for
  // stand, or were undone.
  DWORD removed = registry.SHDeleteKeyA(HKEY_LOCAL_MACHINE, kJournalKey);
  if (removed != DWORD(ERROR_SUCCESS) && removed != DWORD(ERROR_FILE_NOT_FOUND))
    return LONG(removed);
  reset();
  return ERROR_SUCCESS;
}

// Why the last copy failed: the first write the registry refused, or, when
// none was, `status` (a failure of the registry as such when the copy
// says no more). The check starts afresh, so that the undo can still write.
LONG StoreJournal::copyFailure(LONG status) {
  LONG failure = checked_ ? checked_->firstFailure() : ERROR_SUCCESS;
  if (checked_) checked_->resetFailure();
  if (failure != ERROR_SUCCESS) return failure;
  return status != ERROR_SUCCESS ? status : kCopyFailed;
}

void StoreJournal::reset() {
  open_ = false;
  entries_ = 0;
  storeSaved_ = false;
  valuesSaved_ = false;
  slotsSaved_.clear();
  treesSaved_.clear();
  keyValuesSaved_.clear();
}

LONG StoreJournal::open() {
  if (open_) return ERROR_SUCCESS;
  OpenKey journal(ctx_.registry());
  LONG status = journal.create(HKEY_LOCAL_MACHINE, kJournalKey);
  if (status != ERROR_SUCCESS) return status;
  const BYTE one[4] = {1, 0, 0, 0};
  status = ctx_.registry().RegSetValueExA(journal.get(), kOpenValue, 0, REG_DWORD, one, sizeof one);
  if (status != ERROR_SUCCESS) return status;
  open_ = true;
  return ERROR_SUCCESS;
}

// The entry is the last write for its part: before it, the copy it names
// is complete.
LONG StoreJournal::addEntry(const std::string& entry) {
  OpenKey journal(ctx_.registry());
  LONG status = journal.open(HKEY_LOCAL_MACHINE, kJournalKey, KEY_SET_VALUE);
  if (status != ERROR_SUCCESS) return status;
  const int seq = entries_ + 1;
  status = ctx_.registry().RegSetValueExA(journal.get(), std::to_string(seq).c_str(), 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(entry.c_str()),
                                          DWORD(entry.size() + 1));
  if (status == ERROR_SUCCESS) entries_ = seq;
  return status;
}

LONG StoreJournal::saveStore() {
  if (storeSaved_) return ERROR_SUCCESS;
  LONG status = open();
  if (status != ERROR_SUCCESS) return status;
  if (keyExists(ctx_.registry(), kSettingKey)) {
    status = copyTree(ctx_.registry(), kSettingKey, copyPath(entries_ + 1));
    if (status != ERROR_SUCCESS) return copyFailure(status);
    status = addEntry(kSavedStore);
  } else {
    status = addEntry(kAbsentStore);
  }
  if (status == ERROR_SUCCESS) storeSaved_ = true;
  return status;
}

LONG StoreJournal::saveSlot(const std::string& name) {
  if (storeSaved_ || slotsSaved_.count(name)) return ERROR_SUCCESS;
  // A slot of a store that does not exist yet comes with the store.
  if (!keyExists(ctx_.registry(), kSettingKey)) return saveStore();
  LONG status = open();
  if (status != ERROR_SUCCESS) return status;
  OpenKey slot(ctx_.registry());
  status = slot.open(HKEY_LOCAL_MACHINE, slotPath(name), KEY_READ);
  if (status == ERROR_FILE_NOT_FOUND) {
    status = addEntry(std::string(kAbsentSlot) + "\\" + name);
  } else if (status == ERROR_SUCCESS) {
    status = copyTree(ctx_.registry(), slot.get(), copyPath(entries_ + 1));
    if (status != ERROR_SUCCESS) return copyFailure(status);
    status = addEntry(std::string(kSavedSlot) + "\\" + name);
  }
  if (status == ERROR_SUCCESS) slotsSaved_.insert(name);
  return status;
}

LONG StoreJournal::saveValues() {
  if (storeSaved_ || valuesSaved_) return ERROR_SUCCESS;
  if (!keyExists(ctx_.registry(), kSettingKey)) return saveStore();
  LONG status = open();
  if (status != ERROR_SUCCESS) return status;
  if (CopyKeyValues(ctx_, HKEY_LOCAL_MACHINE, kSettingKey, HKEY_LOCAL_MACHINE,
                    copyPath(entries_ + 1)) != 0)
    return copyFailure(kCopyFailed);
  status = addEntry(kSavedValues);
  if (status == ERROR_SUCCESS) valuesSaved_ = true;
  return status;
}

void SetJournalForBenchmarks(bool enabled) {
  journalEnabled = enabled;
}

LONG StoreJournal::beforeChange(const std::string& path, Change change) {
  if (!journalEnabled || storeSaved_) return ERROR_SUCCESS;
  // Creating a key that exists changes nothing; what is saved already is
  // looked up first, since a command creates thousands of keys in parts
  // it has saved.
  const auto createsNothing = [&] {
    return change == Change::Create && keyExists(ctx_.registry(), path);
  };
  const std::string setting = kSettingKey;
  if (isAtOrBelow(path, setting)) {
    if (path.size() == setting.size()) {
      if (change == Change::Values) return saveValues();
      return createsNothing() ? ERROR_SUCCESS : saveStore();
    }
    const std::size_t start = setting.size() + 1;
    const std::size_t cut = nextSeparator(path, start);
    const std::string slot = path.substr(start, cut - start);
    if (slotsSaved_.count(slot) || (cut != std::string::npos && treeSaved(path)))
      return ERROR_SUCCESS;
    if (createsNothing()) return ERROR_SUCCESS;
    if (cut == std::string::npos && change != Change::Values) return saveSlot(slot);
    return saveBelowSlot(slot, path, change);
  }
  // Creating or deleting a key above Setting (the root itself) can take
  // the whole store with it; its values are not the store's.
  if (change == Change::Values || !isAtOrBelow(setting, path) || createsNothing())
    return ERROR_SUCCESS;
  return saveStore();
}

bool StoreJournal::treeSaved(const std::string& path) const {
  for (std::size_t cut = nextSeparator(path, 0); cut != std::string::npos;
       cut = nextSeparator(path, cut + 1))
    if (treesSaved_.count(std::string_view(path).substr(0, cut))) return true;
  return treesSaved_.count(path) != 0;
}

// The values of the slot key itself are saved like those of any key below it.
LONG StoreJournal::saveBelowSlot(const std::string& slot, const std::string& path, Change change) {
  if (change == Change::Values && keyValuesSaved_.count(path)) return ERROR_SUCCESS;
  const std::string slotKey = slotPath(slot);
  // Below a slot that does not exist yet, everything comes with the slot.
  if (!keyExists(ctx_.registry(), slotKey)) return saveSlot(slot);
  LONG status = open();
  if (status != ERROR_SUCCESS) return status;

  // The values of a key with subkeys are copied one by one; a key without
  // any is copied whole in one call, which also covers what is created
  // below it later.
  if (change == Change::Values && hasSubkeys(ctx_.registry(), path)) {
    if (CopyKeyValues(ctx_, HKEY_LOCAL_MACHINE, path, HKEY_LOCAL_MACHINE, copyPath(entries_ + 1)) !=
        0)
      return copyFailure(kCopyFailed);
    status = addEntry(std::string(kSavedKeyValues) + "\\" + path);
    if (status == ERROR_SUCCESS) keyValuesSaved_.insert(path);
    return status;
  }

  // A key that is created brings every missing key above it with it: the
  // highest of them is what an undo deletes (for a key that is deleted
  // while missing, nothing).
  std::string missing;
  for (std::size_t cut = nextSeparator(path, slotKey.size() + 1); change != Change::Values;
       cut = nextSeparator(path, cut + 1)) {
    std::string key = path.substr(0, cut);
    if (!keyExists(ctx_.registry(), key)) {
      missing = std::move(key);
      break;
    }
    if (cut == std::string::npos) break;
  }
  if (!missing.empty()) {
    status = addEntry(std::string(kAbsentTree) + "\\" + missing);
    if (status == ERROR_SUCCESS) treesSaved_.insert(missing);
    return status;
  }
  status = copyTree(ctx_.registry(), path, copyPath(entries_ + 1));
  if (status != ERROR_SUCCESS) return copyFailure(status);
  status = addEntry(std::string(kSavedTree) + "\\" + path);
  if (status == ERROR_SUCCESS) treesSaved_.insert(path);
  return status;
}

LONG StoreJournal::noteSlotHeldBy(int slot, int heldBy) {
  if (!journalEnabled) return ERROR_SUCCESS;
  const std::string name = std::to_string(slot);
  if (storeSaved_ || slotsSaved_.count(name)) return ERROR_SUCCESS;
  LONG status = open();
  if (status != ERROR_SUCCESS) return status;
  status = addEntry(std::string(kMovedSlot) + "\\" + name + "\\" + std::to_string(heldBy));
  if (status == ERROR_SUCCESS) slotsSaved_.insert(name);
  return status;
}

LONG StoreJournal::saveUserValues(const std::string& path, const std::vector<std::string>& names) {
  LONG status = open();
  if (status != ERROR_SUCCESS) return status;
  win::Registry& registry = ctx_.registry();
  {
    OpenKey copy(registry);
    status = copy.create(HKEY_LOCAL_MACHINE, copyPath(entries_ + 1));
    if (status != ERROR_SUCCESS) return status;
    OpenKey live(registry);
    status = live.open(HKEY_CURRENT_USER, path, KEY_READ);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return status;
    RawValue list{REG_MULTI_SZ, {}};
    for (const std::string& name : names) {
      RawValue value;
      LONG read = live.get() ? readRaw(registry, live.get(), name.c_str(), value)
                             : LONG(ERROR_FILE_NOT_FOUND);
      if (read == ERROR_SUCCESS) read = writeRaw(registry, copy.get(), name.c_str(), value);
      if (read != ERROR_SUCCESS && read != ERROR_FILE_NOT_FOUND) return read;
      list.data.insert(list.data.end(), name.begin(), name.end());
      list.data.push_back(0);
    }
    list.data.push_back(0);
    // Written last: a copy without its list of names is never used.
    status = writeRaw(registry, copy.get(), kNamesValue, list);
    if (status != ERROR_SUCCESS) return status;
  }
  return addEntry(std::string(kUserValues) + "\\" + path);
}

LONG StoreJournal::finish() {
  if (!open_) return ERROR_SUCCESS;
  {
    OpenKey journal(ctx_.registry());
    LONG status = journal.open(HKEY_LOCAL_MACHINE, kJournalKey, KEY_SET_VALUE);
    if (status == ERROR_SUCCESS)
      status = ctx_.registry().RegDeleteValueA(journal.get(), kOpenValue);
    if (status != ERROR_SUCCESS) return status;
  }
  // The changes stand from here on; copies that cannot be removed now are
  // removed by the next command.
  (void)ctx_.registry().SHDeleteKeyA(HKEY_LOCAL_MACHINE, kJournalKey);
  reset();
  return ERROR_SUCCESS;
}

}  // namespace store
