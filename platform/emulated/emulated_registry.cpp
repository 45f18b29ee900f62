#include "platform/emulated/emulated_registry.h"

#include <QString>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/code_page.h"
#include "platform/registry_limits.h"

namespace emu {

using namespace win;

namespace {

constexpr int kBusyTimeoutMs = 10000;
constexpr const char* kFormat = "verantu-registry 1";
constexpr std::int64_t kLocalMachineId = 1;
constexpr std::int64_t kCurrentUserId = 2;

constexpr const char* kSchema = R"sql(
PRAGMA journal_mode=WAL;
CREATE TABLE meta(name TEXT PRIMARY KEY, value TEXT NOT NULL);
-- Names are kept as the ANSI bytes they were created with; `fold` is the
-- name converted to Unicode and upper-cased, the text Windows compares.
CREATE TABLE keys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER REFERENCES keys(id),
  name BLOB NOT NULL,
  fold TEXT NOT NULL,
  modified INTEGER NOT NULL DEFAULT 0,
  UNIQUE(parent, fold));
-- Values enumerate in creation order, which is their id order.
CREATE TABLE vals(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  key INTEGER NOT NULL REFERENCES keys(id),
  name BLOB NOT NULL,
  fold TEXT NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  UNIQUE(key, fold));
-- Enumeration by index walks this in order instead of sorting every time.
CREATE INDEX vals_order ON vals(key, id);
INSERT INTO keys(id, parent, name, fold) VALUES (1, NULL, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE');
INSERT INTO keys(id, parent, name, fold) VALUES (2, NULL, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER');
)sql";

// The case-insensitive form of a name: Unicode, upper-cased one character at
// a time as the registry does (no locale, no special casing).
std::string foldName(std::string_view ansi) {
  bool ascii = true;
  for (char c : ansi) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  // The emulated conversion always answers; were it ever not to, the name
  // would still fold the same way every time, by its ASCII letters.
  std::optional<std::u16string> wide = ascii ? std::nullopt : ansiToWide(ansi);
  if (!wide) {
    std::string upper(ansi);
    for (char& c : upper)
      if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return upper;
  }
  QString text(reinterpret_cast<const QChar*>(wide->data()), qsizetype(wide->size()));
  for (QChar& c : text) c = c.toUpper();
  return text.toStdString();
}

// The length in UTF-16 code units: every code page 932 character is one.
int wideLength(std::string_view ansi) {
  bool ascii = true;
  for (char c : ansi) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  std::optional<std::u16string> wide = ascii ? std::nullopt : ansiToWide(ansi);
  return wide ? int(wide->size()) : int(ansi.size());
}

// Splits an ANSI path at backslashes that are characters of their own: the
// second byte of a double-byte character may be 0x5C and is not a separator.
// False for a leading backslash; a doubled or trailing backslash separates
// no name of its own, as on Windows.
bool splitPath(const char* path, std::vector<std::string>* parts) {
  parts->clear();
  if (!path) return true;
  std::string current;
  bool any = false;
  for (const char* p = path; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (win::isLeadByte(c) && p[1]) {
      current += *p++;
      current += *p;
    } else if (c == '\\') {
      if (current.empty()) {
        if (parts->empty()) return false;
        continue;
      }
      parts->push_back(std::move(current));
      current.clear();
    } else {
      current += *p;
    }
    any = true;
  }
  if (!current.empty()) parts->push_back(std::move(current));
  (void)any;
  return true;
}

std::int64_t fileTimeNow() {
  using namespace std::chrono;
  // 100-ns intervals since 1601-01-01.
  auto since1970 = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count() / 100;
  return since1970 + 116444736000000000LL;
}

LONG mapSqliteError(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return ERROR_CANTWRITE;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
      return ERROR_REGISTRY_CORRUPT;
    case SQLITE_NOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_FULL:
      return ERROR_DISK_FULL;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return ERROR_ACCESS_DENIED;
    default:
      return ERROR_REGISTRY_IO_FAILED;
  }
}

std::string describe(const std::string& path, int rc, const std::string& message) {
  switch (rc & 0xFF) {
    case SQLITE_CANTOPEN:
      return "cannot open the registry " + path + ": " + message;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return "the registry " + path + " is locked by another process: " + message;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return "the machine's registry " + path + " is damaged (" + message +
             "); it was left as it is";
    default:
      return "cannot use the registry " + path + ": " + message;
  }
}

// A name, or the text of a REG_SZ value, must be code page 932 text: the
// registry holds Unicode, and bytes that do not convert and back (a lead
// byte without its trail byte, an unassigned double-byte code) cannot be
// kept, compared or exported as they were given.
bool isStorableText(std::string_view ansi) {
  return win::isRoundTripAnsi(ansi);
}

// A value name must be code page 932 text; text data needs no check here,
// since RegSetValueExA converts it through Unicode as Windows does.
LONG checkValueName(std::string_view name) {
  return isStorableText(name) ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
}

// Every right that changes a key or its values, as KEY_ALL_ACCESS and
// KEY_WRITE ask for them (WRITE_DAC and WRITE_OWNER included).
constexpr REGSAM kChangingRights =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | 0x00040000 | 0x00080000;

// Counts a key deletion before and after it: whatever was cached while it
// ran (its own path walk included) is stale afterwards.
class DeletionMark {
 public:
  explicit DeletionMark(std::uint64_t& count) : count_(count) { ++count_; }
  ~DeletionMark() { ++count_; }
  DeletionMark(const DeletionMark&) = delete;
  DeletionMark& operator=(const DeletionMark&) = delete;

 private:
  std::uint64_t& count_;
};

}  // namespace

// A registry call: a transaction of its own, or a savepoint inside an outer
// one. Storage errors become Win32 codes.
class EmulatedRegistry::Call {
 public:
  enum Kind { Read, Write, SingleWrite };  // SingleWrite: one statement changes

  Call(EmulatedRegistry& registry, Kind kind) : registry_(registry) {
    if (kind != Read) status_ = registry.lostBatch();
    if (status_ != ERROR_SUCCESS) return;
    tx_.emplace(registry.db_, kind != Read, kind == SingleWrite);
    if (tx_->status() != SQLITE_OK) status_ = mapSqliteError(tx_->status());
  }

  // ERROR_SUCCESS when the call may go on, else the code it fails with.
  LONG status() const { return status_; }

  // Ends a read; there is nothing for it to lose.
  void endRead() { (void)tx_->commit(); }

  // Commits the call's changes. A failure also fails an outer batch.
  LONG commit() {
    int rc = tx_->commit();
    if (rc == SQLITE_OK) return ERROR_SUCCESS;
    registry_.failed_ = true;
    return mapSqliteError(rc);
  }

 private:
  EmulatedRegistry& registry_;
  LONG status_ = ERROR_SUCCESS;
  std::optional<Transaction> tx_;
};

std::unique_ptr<EmulatedRegistry> EmulatedRegistry::open(const std::string& path,
                                                         std::string* error, OpenFor purpose) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    if (error) *error = "no registry at " + path;
    return nullptr;
  }
  std::unique_ptr<EmulatedRegistry> registry(new EmulatedRegistry);
  int rc = registry->db_.open(path, false, kBusyTimeoutMs);
  if (rc != SQLITE_OK) {
    if (error) *error = describe(path, rc, registry->db_.errorMessage());
    return nullptr;
  }
  Statement check = registry->db_.prepare("SELECT value FROM meta WHERE name = 'format'");
  if (!check) {
    int code = sqlite3_errcode(registry->db_.handle());
    if (error)
      *error = describe(path, code == SQLITE_ERROR ? SQLITE_CORRUPT : code,
                        registry->db_.errorMessage());
    return nullptr;
  }
  rc = check.step();
  if (rc != SQLITE_ROW || check.columnText(0) != kFormat) {
    if (error) {
      *error = rc == SQLITE_ROW || rc == SQLITE_DONE
                   ? "the machine's registry " + path +
                         " is damaged (unknown format); it was left as it is"
                   : describe(path, rc, registry->db_.errorMessage());
    }
    return nullptr;
  }
  if (purpose == OpenFor::Writing && registry->refuseDamage(path, error)) return nullptr;
  return registry;
}

// True when the quick check finds the file damaged or cannot run; the file
// is then closed without a checkpoint, exactly as it was found. The check
// reads every page once: a few milliseconds on a store of 256 profiles.
bool EmulatedRegistry::refuseDamage(const std::string& path, std::string* error) {
  std::vector<std::string> problems;
  int rc = db_.checkIntegrity(false, 1, &problems);
  if (rc == SQLITE_OK && problems.empty()) return false;
  if (error) {
    *error = rc != SQLITE_OK
                 ? describe(path, rc, db_.errorMessage())
                 : "the machine's registry " + path + " is damaged (" + problems.front() +
                       "); nothing was written to it (details: verantu-machine check)";
  }
  db_.leaveUntouchedOnClose();
  return true;
}

bool EmulatedRegistry::checkIntegrity(int maxProblems, std::vector<std::string>* problems,
                                      std::string* error) {
  int rc = db_.checkIntegrity(true, maxProblems, problems);
  if (rc == SQLITE_OK) return true;
  if (error) *error = "cannot check the registry: " + db_.errorMessage();
  return false;
}

std::unique_ptr<EmulatedRegistry> EmulatedRegistry::create(const std::string& path,
                                                           std::string* error) {
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) {
    if (error) *error = "a registry exists already at " + path;
    return nullptr;
  }
  std::unique_ptr<EmulatedRegistry> registry(new EmulatedRegistry);
  int rc = registry->db_.open(path, true, kBusyTimeoutMs);
  if (rc == SQLITE_OK) rc = registry->db_.exec(kSchema);
  if (rc == SQLITE_OK) {
    Statement insert = registry->db_.prepare("INSERT INTO meta(name, value) VALUES ('format', ?)");
    insert.bind(1, std::string_view(kFormat));
    rc = insert.step() == SQLITE_DONE ? SQLITE_OK : SQLITE_ERROR;
  }
  if (rc != SQLITE_OK) {
    if (error) *error = describe(path, rc, registry->db_.errorMessage());
    registry->db_.close();
    std::filesystem::remove(path, ec);
    return nullptr;
  }
  return registry;
}

EmulatedRegistry::~EmulatedRegistry() = default;

LONG EmulatedRegistry::storageError() {
  LONG error = mapSqliteError(sqlite3_errcode(db_.handle()));
  if (batchOpen_) batchError_ = error;
  return error;
}

LONG EmulatedRegistry::lostBatch() const {
  // After a full disk or an I/O error SQLite may have ended the batch's
  // transaction by itself, undoing its earlier calls. A write now would
  // commit alone and leave half of the batch: it fails instead.
  if (!batchOpen_ || !sqlite3_get_autocommit(db_.handle())) return ERROR_SUCCESS;
  return batchError_ ? batchError_ : ERROR_REGISTRY_IO_FAILED;
}

bool EmulatedRegistry::keyExists(std::int64_t keyId) {
  Statement query = db_.prepare("SELECT 1 FROM keys WHERE id = ?");
  query.bind(1, keyId);
  return query.step() == SQLITE_ROW;
}

LONG EmulatedRegistry::resolveHandle(HKEY key, REGSAM need, std::int64_t* keyId) {
  auto value = reinterpret_cast<std::uintptr_t>(key);
  if (key == HKEY_LOCAL_MACHINE) {
    *keyId = kLocalMachineId;
    return ERROR_SUCCESS;
  }
  if (key == HKEY_CURRENT_USER) {
    *keyId = kCurrentUserId;
    return ERROR_SUCCESS;
  }
  auto found = handles_.find(value);
  if (found == handles_.end()) return ERROR_INVALID_HANDLE;
  Handle& handle = found->second;
  if ((handle.access & need) != need) return ERROR_ACCESS_DENIED;
  // While a batch holds the write lock no other process can delete the key,
  // so one check per batch suffices until this registry deletes a key itself.
  bool known =
      batchOpen_ && handle.checkedBatch == batchSerial_ && handle.checkedDeletions == deletions_;
  if (!known) {
    if (!keyExists(handle.keyId)) return ERROR_KEY_DELETED;
    handle.checkedBatch = batchOpen_ ? batchSerial_ : 0;
    handle.checkedDeletions = deletions_;
  }
  *keyId = handle.keyId;
  return ERROR_SUCCESS;
}

HKEY EmulatedRegistry::newHandle(std::int64_t keyId, REGSAM access, bool localMachine) {
  std::uintptr_t value = nextHandle_;
  nextHandle_ += 4;
  handles_[value] = Handle{keyId, access, localMachine};
  return reinterpret_cast<HKEY>(value);
}

bool EmulatedRegistry::underLocalMachine(HKEY key) const {
  if (key == HKEY_LOCAL_MACHINE) return true;
  auto found = handles_.find(reinterpret_cast<std::uintptr_t>(key));
  return found != handles_.end() && found->second.localMachine;
}

LONG EmulatedRegistry::refuseStandardUser(HKEY key) const {
  return standardUser_ && underLocalMachine(key) ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
}

LONG EmulatedRegistry::walk(std::int64_t from, const char* subKey, bool create, std::int64_t* keyId,
                            bool* created) {
  std::vector<std::string> parts;
  if (!splitPath(subKey, &parts)) return ERROR_BAD_PATHNAME;
  std::int64_t current = from;
  if (created) *created = false;
  bool cache = inBatch();
  if (!cache || pathCacheStamp_ != std::make_pair(batchSerial_, deletions_)) {
    pathCache_.clear();
    pathCacheStamp_ = {batchSerial_, deletions_};
  }
  for (const std::string& part : parts) {
    std::string fold = foldName(part);
    // Inside a batch no other process changes the tree, so keys found once
    // stay where they are until this registry deletes one.
    std::string cacheKey = std::to_string(current) + '\\' + fold;
    if (cache) {
      auto known = pathCache_.find(cacheKey);
      if (known != pathCache_.end()) {
        current = known->second;
        continue;
      }
    }
    Statement find = db_.prepare("SELECT id FROM keys WHERE parent = ? AND fold = ?");
    find.bind(1, current).bind(2, std::string_view(fold));
    int rc = find.step();
    if (rc == SQLITE_ROW) {
      current = find.columnInt(0);
      // Only keys that existed before this call are remembered: a key this
      // call inserts goes again if the call is undone.
      if (cache) pathCache_.emplace(std::move(cacheKey), current);
      continue;
    }
    if (rc != SQLITE_DONE) return storageError();
    if (!create) return ERROR_FILE_NOT_FOUND;
    if (std::size_t(wideLength(part)) > kMaxKeyNameChars) return ERROR_INVALID_PARAMETER;
    Statement insert =
        db_.prepare("INSERT INTO keys(parent, name, fold, modified) VALUES (?, ?, ?, ?)");
    insert.bind(1, current)
        .bindBlob(2, part.data(), part.size())
        .bind(3, std::string_view(fold))
        .bind(4, fileTimeNow());
    if (insert.step() != SQLITE_DONE) return storageError();
    current = db_.lastInsertRowid();
    if (created) *created = true;
  }
  *keyId = current;
  return ERROR_SUCCESS;
}

// How many levels below its hive a key is (a hive itself is level 0).
int EmulatedRegistry::keyDepth(std::int64_t keyId) {
  Statement query = db_.prepare(
      "WITH RECURSIVE up(id) AS (SELECT ? UNION ALL "
      "SELECT keys.parent FROM keys JOIN up ON keys.id = up.id WHERE keys.parent IS NOT NULL) "
      "SELECT count(*) - 1 FROM up");
  query.bind(1, keyId);
  return query.step() == SQLITE_ROW ? int(query.columnInt(0)) : -1;
}

// What Windows refuses of a path about to be created below `parent`: a key
// deeper than 512 levels, or a name that is not code page 932 text.
LONG EmulatedRegistry::checkNewKeyPath(std::int64_t parent, const char* subKey) {
  std::vector<std::string> parts;
  if (!splitPath(subKey, &parts)) return ERROR_BAD_PATHNAME;
  for (const std::string& part : parts)
    if (!isStorableText(part)) return ERROR_INVALID_PARAMETER;
  if (parts.size() > kMaxKeyDepth) return ERROR_INVALID_PARAMETER;
  int depth = keyDepth(parent);
  if (depth < 0) return storageError();
  return std::size_t(depth) + parts.size() > kMaxKeyDepth ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
}

LONG EmulatedRegistry::RegOpenKeyExA(HKEY key, const char* subKey, DWORD, REGSAM sam,
                                     HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  Call call(*this, Call::Read);
  if (LONG status = call.status()) return status;
  std::int64_t parent = 0;
  if (LONG rc = resolveHandle(key, 0, &parent)) return rc;
  std::int64_t target = 0;
  if (LONG rc = walk(parent, subKey, false, &target, nullptr)) return rc;
  call.endRead();
  if (sam & kChangingRights)
    if (LONG rc = refuseStandardUser(key)) return rc;
  *result = newHandle(target, sam, underLocalMachine(key));
  return ERROR_SUCCESS;
}

LONG EmulatedRegistry::RegCreateKeyExA(HKEY key, const char* subKey, DWORD, const char*, DWORD,
                                       REGSAM sam, const void*, HKEY* result, DWORD* disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  Call call(*this, Call::Write);
  if (LONG status = call.status()) return status;
  std::int64_t parent = 0;
  if (LONG rc = resolveHandle(key, 0, &parent)) return rc;
  std::int64_t target = 0;
  // Windows checks creation against the key's security, not the handle's
  // access, so any handle to the parent may create under it.
  bool created = false;
  LONG rc = walk(parent, subKey, false, &target, nullptr);
  if (rc == ERROR_FILE_NOT_FOUND) {
    if (LONG denied = refuseStandardUser(key)) return denied;
    if (LONG limit = checkNewKeyPath(parent, subKey)) return limit;
    rc = walk(parent, subKey, true, &target, &created);
  }
  if (rc != ERROR_SUCCESS) return rc;
  // An existing key opens as RegOpenKeyExA would open it.
  if (sam & kChangingRights)
    if (LONG denied = refuseStandardUser(key)) return denied;
  if (LONG status = call.commit()) return status;
  *result = newHandle(target, sam, underLocalMachine(key));
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LONG EmulatedRegistry::RegQueryInfoKeyA(HKEY key, char* keyClass, DWORD* keyClassLength, DWORD*,
                                        DWORD* subKeys, DWORD* maxSubKeyLength,
                                        DWORD* maxClassLength, DWORD* values,
                                        DWORD* maxValueNameLength, DWORD* maxValueLength,
                                        DWORD* securityDescriptorSize, FILETIME* lastWriteTime) {
  Call call(*this, Call::Read);
  if (LONG status = call.status()) return status;
  std::int64_t id = 0;
  if (LONG rc = resolveHandle(key, KEY_QUERY_VALUE, &id)) return rc;
  // Name maxima are in characters (the folded name is Unicode text, as long
  // as the name) and the data maximum in the bytes Windows stores, where text
  // is UTF-16.
  Statement keyInfo =
      db_.prepare("SELECT count(*), ifnull(max(length(fold)), 0) FROM keys WHERE parent = ?");
  keyInfo.bind(1, id);
  if (keyInfo.step() != SQLITE_ROW) return storageError();
  // One pass over the key's values. A list of types (`type IN (...)`) would
  // make SQLite build a temporary table on every call.
  Statement valueInfo = db_.prepare("SELECT length(fold), type, data FROM vals WHERE key = ?");
  valueInfo.bind(1, id);
  std::int64_t valueCount = 0;
  std::int64_t maxValueName = 0;
  std::int64_t maxData = 0;
  int valueRc = SQLITE_ROW;
  while ((valueRc = valueInfo.step()) == SQLITE_ROW) {
    ++valueCount;
    maxValueName = std::max(maxValueName, valueInfo.columnInt(0));
    const std::int64_t type = valueInfo.columnInt(1);
    std::string_view data = valueInfo.columnBlobView(2);
    const bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    maxData =
        std::max(maxData, text ? 2 * std::int64_t(wideLength(data)) : std::int64_t(data.size()));
  }
  if (valueRc != SQLITE_DONE) return storageError();
  Statement modified = db_.prepare("SELECT modified FROM keys WHERE id = ?");
  modified.bind(1, id);
  std::int64_t time = modified.step() == SQLITE_ROW ? modified.columnInt(0) : 0;

  if (keyClass && keyClassLength && *keyClassLength > 0) keyClass[0] = '\0';
  if (keyClassLength) *keyClassLength = 0;
  if (subKeys) *subKeys = DWORD(keyInfo.columnInt(0));
  if (maxSubKeyLength) *maxSubKeyLength = DWORD(keyInfo.columnInt(1));
  if (maxClassLength) *maxClassLength = 0;
  if (values) *values = DWORD(valueCount);
  if (maxValueNameLength) *maxValueNameLength = DWORD(maxValueName);
  if (maxValueLength) *maxValueLength = DWORD(maxData);
  if (securityDescriptorSize) *securityDescriptorSize = 0;
  if (lastWriteTime) {
    lastWriteTime->dwLowDateTime = DWORD(std::uint64_t(time) & 0xFFFFFFFFu);
    lastWriteTime->dwHighDateTime = DWORD(std::uint64_t(time) >> 32);
  }
  return ERROR_SUCCESS;
}

LONG EmulatedRegistry::RegEnumKeyA(HKEY key, DWORD index, char* name, DWORD nameSize) {
  Call call(*this, Call::Read);
  if (LONG status = call.status()) return status;
  std::int64_t id = 0;
  if (LONG rc = resolveHandle(key, KEY_ENUMERATE_SUB_KEYS, &id)) return rc;
  Statement query =
      db_.prepare("SELECT name FROM keys WHERE parent = ? ORDER BY fold LIMIT 1 OFFSET ?");
  query.bind(1, id).bind(2, std::int64_t(index));
  int rc = query.step();
  if (rc == SQLITE_DONE) return ERROR_NO_MORE_ITEMS;
  if (rc != SQLITE_ROW) return storageError();
  std::string found = query.columnBlob(0);
  if (!name || nameSize < found.size() + 1) return ERROR_MORE_DATA;
  std::memcpy(name, found.c_str(), found.size() + 1);
  return ERROR_SUCCESS;
}

LONG EmulatedRegistry::RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameLength, DWORD*,
                                     DWORD* type, BYTE* data, DWORD* dataSize) {
  if (!nameLength || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
  Call call(*this, Call::Read);
  if (LONG status = call.status()) return status;
  std::int64_t id = 0;
  if (LONG rc = resolveHandle(key, KEY_QUERY_VALUE, &id)) return rc;
  // The data is read only when the caller asks for it; its size comes from
  // the record header.
  Statement query = db_.prepare(
      "SELECT name, type, length(data), data FROM vals WHERE key = ? ORDER BY id LIMIT 1 OFFSET ?");
  query.bind(1, id).bind(2, std::int64_t(index));
  int rc = query.step();
  if (rc == SQLITE_DONE) return ERROR_NO_MORE_ITEMS;
  if (rc != SQLITE_ROW) return storageError();
  std::string_view found = query.columnBlobView(0);
  if (!name || *nameLength < found.size() + 1) return ERROR_MORE_DATA;
  if (!found.empty()) std::memcpy(name, found.data(), found.size());
  name[found.size()] = '\0';
  *nameLength = DWORD(found.size());
  if (type) *type = DWORD(query.columnInt(1));
  if (dataSize) {
    DWORD available = *dataSize;
    DWORD size = DWORD(query.columnInt(2));
    *dataSize = size;
    if (data) {
      if (available < size) return ERROR_MORE_DATA;
      std::string_view bytes = query.columnBlobView(3);
      if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
    }
  }
  return ERROR_SUCCESS;
}

LONG EmulatedRegistry::RegQueryValueExA(HKEY key, const char* name, DWORD*, DWORD* type, BYTE* data,
                                        DWORD* dataSize) {
  if (data && !dataSize) return ERROR_INVALID_PARAMETER;
  Call call(*this, Call::Read);
  if (LONG status = call.status()) return status;
  std::int64_t id = 0;
  if (LONG rc = resolveHandle(key, KEY_QUERY_VALUE, &id)) return rc;
  std::string fold = foldName(name ? name : "");
  Statement query = db_.prepare("SELECT type, data FROM vals WHERE key = ? AND fold = ?");
  query.bind(1, id).bind(2, std::string_view(fold));
  int rc = query.step();
  if (rc == SQLITE_DONE) return ERROR_FILE_NOT_FOUND;
  if (rc != SQLITE_ROW) return storageError();
  std::string_view bytes = query.columnBlobView(1);
  if (type) *type = DWORD(query.columnInt(0));
  if (dataSize) {
    DWORD available = *dataSize;
    *dataSize = DWORD(bytes.size());
    if (data) {
      // Nothing is copied into a buffer that is too small; the caller learns
      // the size it needs.
      if (available < bytes.size()) return ERROR_MORE_DATA;
      if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
    }
  }
  return ERROR_SUCCESS;
}

LONG EmulatedRegistry::RegSetValueExA(HKEY key, const char* name, DWORD, DWORD type,
                                      const BYTE* data, DWORD dataSize) {
  if (!data && dataSize > 0) return ERROR_INVALID_PARAMETER;
  // Windows stores text as Unicode: bytes that are not code page 932 text
  // come back as what the conversion made of them.
  std::string converted;
  if ((type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) && dataSize > 0) {
    std::string_view text(reinterpret_cast<const char*>(data), dataSize);
    if (!isRoundTripAnsi(text)) {
      std::optional<std::u16string> wide = ansiToWide(text);
      std::optional<std::string> back = wide ? wideToAnsi(*wide) : std::nullopt;
      if (!back) return ERROR_INVALID_PARAMETER;
      converted = std::move(*back);
      data = reinterpret_cast<const BYTE*>(converted.data());
      dataSize = DWORD(converted.size());
    }
  }
  std::string valueName = name ? name : "";
  if (std::size_t(wideLength(valueName)) > kMaxValueNameChars) return ERROR_INVALID_PARAMETER;
  if (LONG rc = checkValueName(valueName)) return rc;
  if (LONG rc = refuseStandardUser(key)) return rc;
  Call call(*this, Call::SingleWrite);
  if (LONG status = call.status()) return status;
  std::int64_t id = 0;
  if (LONG rc = resolveHandle(key, KEY_SET_VALUE, &id)) return rc;
  std::string fold = foldName(valueName);
  // An existing value is replaced in place and keeps its position; the name
  // keeps the spelling it was created with, as on Windows.
  Statement upsert = db_.prepare(
      "INSERT INTO vals(key, name, fold, type, data) VALUES (?, ?, ?, ?, ?) "
      "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data");
  upsert.bind(1, id)
      .bindBlob(2, valueName.data(), valueName.size())
      .bind(3, std::string_view(fold))
      .bind(4, std::int64_t(type))
      .bindBlob(5, data, dataSize);
  if (upsert.step() != SQLITE_DONE) return storageError();
  if (LONG status = call.commit()) return status;
  return ERROR_SUCCESS;
}

LONG EmulatedRegistry::RegDeleteValueA(HKEY key, const char* name) {
  if (LONG rc = refuseStandardUser(key)) return rc;
  Call call(*this, Call::SingleWrite);
  if (LONG status = call.status()) return status;
  std::int64_t id = 0;
  if (LONG rc = resolveHandle(key, KEY_SET_VALUE, &id)) return rc;
  std::string fold = foldName(name ? name : "");
  Statement remove = db_.prepare("DELETE FROM vals WHERE key = ? AND fold = ?");
  remove.bind(1, id).bind(2, std::string_view(fold));
  if (remove.step() != SQLITE_DONE) return storageError();
  if (db_.changes() == 0) return ERROR_FILE_NOT_FOUND;
  if (LONG status = call.commit()) return status;
  return ERROR_SUCCESS;
}

LONG EmulatedRegistry::RegDeleteKeyA(HKEY key, const char* subKey) {
  DeletionMark mark(deletions_);
  if (!subKey || !*subKey) return ERROR_ACCESS_DENIED;
  if (LONG rc = refuseStandardUser(key)) return rc;
  Call call(*this, Call::Write);
  if (LONG status = call.status()) return status;
  std::int64_t parent = 0;
  if (LONG rc = resolveHandle(key, 0, &parent)) return rc;
  std::int64_t target = 0;
  if (LONG rc = walk(parent, subKey, false, &target, nullptr)) return rc;
  Statement children = db_.prepare("SELECT 1 FROM keys WHERE parent = ? LIMIT 1");
  children.bind(1, target);
  int rc = children.step();
  if (rc == SQLITE_ROW) return ERROR_ACCESS_DENIED;  // only a leaf can be deleted this way
  if (rc != SQLITE_DONE) return storageError();
  Statement values = db_.prepare("DELETE FROM vals WHERE key = ?");
  values.bind(1, target);
  if (values.step() != SQLITE_DONE) return storageError();
  Statement self = db_.prepare("DELETE FROM keys WHERE id = ?");
  self.bind(1, target);
  if (self.step() != SQLITE_DONE) return storageError();
  if (LONG status = call.commit()) return status;
  return ERROR_SUCCESS;
}

DWORD EmulatedRegistry::SHDeleteKeyA(HKEY key, const char* subKey) {
  DeletionMark mark(deletions_);
  if (LONG rc = refuseStandardUser(key)) return DWORD(rc);
  Call call(*this, Call::Write);
  if (LONG status = call.status()) return DWORD(status);
  std::int64_t parent = 0;
  if (LONG rc = resolveHandle(key, 0, &parent)) return DWORD(rc);
  std::int64_t target = 0;
  if (LONG rc = walk(parent, subKey, false, &target, nullptr)) return DWORD(rc);
  if (target == kLocalMachineId || target == kCurrentUserId) return ERROR_ACCESS_DENIED;
  // The whole subtree goes in one statement each for values and keys.
  Statement values = db_.prepare(
      "WITH RECURSIVE tree(id) AS (SELECT ? UNION ALL "
      "SELECT keys.id FROM keys JOIN tree ON keys.parent = tree.id) "
      "DELETE FROM vals WHERE key IN (SELECT id FROM tree)");
  values.bind(1, target);
  if (values.step() != SQLITE_DONE) return DWORD(storageError());
  Statement keys = db_.prepare(
      "WITH RECURSIVE tree(id) AS (SELECT ? UNION ALL "
      "SELECT keys.id FROM keys JOIN tree ON keys.parent = tree.id) "
      "DELETE FROM keys WHERE id IN (SELECT id FROM tree)");
  keys.bind(1, target);
  if (keys.step() != SQLITE_DONE) return DWORD(storageError());
  if (LONG status = call.commit()) return DWORD(status);
  return ERROR_SUCCESS;
}

// A handful of statements per key instead of one call per value: the
// store's journal copies whole profiles with it before changing them.
LONG EmulatedRegistry::RegCopyTreeA(HKEY keySrc, const char* subKey, HKEY keyDest) {
  if (LONG rc = refuseStandardUser(keyDest)) return rc;
  Call call(*this, Call::Write);
  if (LONG status = call.status()) return status;
  const bool named = subKey && *subKey;
  std::int64_t source = 0;
  // A subkey is opened for reading as RegOpenKeyExA opens it, whatever the
  // access of the handle it is opened from.
  if (LONG rc =
          resolveHandle(keySrc, named ? 0 : KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, &source))
    return rc;
  if (named)
    if (LONG rc = walk(source, subKey, false, &source, nullptr)) return rc;
  // Subkeys are created as RegCreateKeyExA creates them, checked against the
  // key and not the handle; the values need a handle that may set them.
  std::int64_t destination = 0;
  if (LONG rc = resolveHandle(keyDest, 0, &destination)) return rc;
  {
    Statement values = db_.prepare("SELECT 1 FROM vals WHERE key = ? LIMIT 1");
    values.bind(1, source);
    int rc = values.step();
    if (rc == SQLITE_ROW) {
      if (LONG denied = resolveHandle(keyDest, KEY_SET_VALUE, &destination)) return denied;
    } else if (rc != SQLITE_DONE) {
      return storageError();
    }
  }

  // The source tree as it is before anything is written, parents first, so
  // that a destination inside the source is not copied into itself again.
  struct SourceKey {
    std::int64_t id;
    std::int64_t parent;
    std::string name;
    std::string fold;
  };
  std::vector<SourceKey> tree;
  int deepest = 0;
  {
    Statement query = db_.prepare(
        "WITH RECURSIVE tree(id, depth) AS (SELECT ?, 0 UNION ALL "
        "SELECT keys.id, tree.depth + 1 FROM keys JOIN tree ON keys.parent = tree.id) "
        "SELECT keys.id, keys.parent, keys.name, keys.fold, tree.depth FROM tree "
        "JOIN keys ON keys.id = tree.id ORDER BY tree.depth");
    query.bind(1, source);
    int rc = SQLITE_ROW;
    while ((rc = query.step()) == SQLITE_ROW) {
      tree.push_back(
          {query.columnInt(0), query.columnInt(1), query.columnBlob(2), query.columnText(3)});
      deepest = std::max(deepest, int(query.columnInt(4)));
    }
    if (rc != SQLITE_DONE) return storageError();
  }
  const int depth = keyDepth(destination);
  if (depth < 0) return storageError();
  if (static_cast<std::size_t>(depth + deepest) > kMaxKeyDepth) return ERROR_INVALID_PARAMETER;

  // Where each source key went, and whether that copy was created here: a
  // new key has nothing to merge with, so neither its subkeys nor its values
  // need looking up first.
  struct Copy {
    std::int64_t id;
    bool created;
  };
  std::unordered_map<std::int64_t, Copy> copyOf{{source, {destination, false}}};
  const std::int64_t now = fileTimeNow();
  for (const SourceKey& key : tree) {
    Copy target{destination, false};
    if (key.id != source) {
      const Copy parent = copyOf.at(key.parent);
      int rc = SQLITE_DONE;
      if (!parent.created) {
        Statement find = db_.prepare("SELECT id FROM keys WHERE parent = ? AND fold = ?");
        find.bind(1, parent.id).bind(2, std::string_view(key.fold));
        rc = find.step();
        if (rc == SQLITE_ROW) target.id = find.columnInt(0);
      }
      if (rc == SQLITE_DONE) {
        Statement insert =
            db_.prepare("INSERT INTO keys(parent, name, fold, modified) VALUES (?, ?, ?, ?)");
        insert.bind(1, parent.id)
            .bindBlob(2, key.name.data(), key.name.size())
            .bind(3, std::string_view(key.fold))
            .bind(4, now);
        if (insert.step() != SQLITE_DONE) return storageError();
        target = {db_.lastInsertRowid(), true};
      } else if (rc != SQLITE_ROW) {
        return storageError();
      }
      copyOf.emplace(key.id, target);
    }
    // In creation order, so that new values enumerate as in the source; an
    // existing value is replaced in place, as RegSetValueExA replaces it.
    Statement values =
        target.created ? db_.prepare(
                             "INSERT INTO vals(key, name, fold, type, data) "
                             "SELECT ?, name, fold, type, data FROM vals WHERE key = ? ORDER BY id")
                       : db_.prepare(
                             "INSERT INTO vals(key, name, fold, type, data) "
                             "SELECT ?, name, fold, type, data FROM vals WHERE key = ? ORDER BY id "
                             "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = "
                             "excluded.data");
    values.bind(1, target.id).bind(2, key.id);
    if (values.step() != SQLITE_DONE) return storageError();
  }
  if (LONG status = call.commit()) return status;
  return ERROR_SUCCESS;
}

LONG EmulatedRegistry::RegCloseKey(HKEY key) {
  if (key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER) return ERROR_SUCCESS;
  return handles_.erase(reinterpret_cast<std::uintptr_t>(key)) ? ERROR_SUCCESS
                                                               : ERROR_INVALID_HANDLE;
}

bool EmulatedRegistry::inBatch() const {
  // SQLite ends a transaction by itself after some errors; then the batch no
  // longer keeps other processes out.
  return batchOpen_ && !sqlite3_get_autocommit(db_.handle());
}

LONG EmulatedRegistry::beginBatch() {
  if (batchDepth_++ > 0) return ERROR_SUCCESS;
  // If the transaction cannot start (another process holds the lock for
  // longer than the busy timeout, the file cannot be written) the caller
  // learns why; calls it makes anyway commit one by one.
  // A file SQLite could open only for reading takes no write at all: say so
  // before the first call fails.
  int rc = sqlite3_db_readonly(db_.handle(), "main") == 1 ? SQLITE_READONLY : db_.begin(true);
  batchOpen_ = rc == SQLITE_OK;
  batchCancelled_ = false;
  batchError_ = ERROR_SUCCESS;
  if (!batchOpen_) return mapSqliteError(rc);
  ++batchSerial_;
  return ERROR_SUCCESS;
}

LONG EmulatedRegistry::endBatch(bool commit) {
  if (batchDepth_ == 0) return ERROR_SUCCESS;
  if (!commit) batchCancelled_ = true;
  if (--batchDepth_ > 0) return ERROR_SUCCESS;
  const bool open = batchOpen_;
  const bool keep = !batchCancelled_;
  const LONG lost = lostBatch();
  batchOpen_ = false;
  batchCancelled_ = false;
  if (!open) return ERROR_SUCCESS;
  if (lost) {
    db_.rollback();
    return lost;
  }
  if (!keep) {
    db_.rollback();
    return commit ? ERROR_CANCELLED : ERROR_SUCCESS;
  }
  // A commit that fails (a full disk) is undone whole by Database::commit.
  int rc = db_.commit();
  return rc == SQLITE_OK ? ERROR_SUCCESS : mapSqliteError(rc);
}

bool EmulatedRegistry::transaction(const std::function<bool()>& body, std::string* error) {
  Transaction tx(db_, true);
  if (tx.status() != SQLITE_OK) {
    if (error) *error = "cannot start a registry transaction: " + db_.errorMessage();
    return false;
  }
  failed_ = false;
  bool ok = body();
  if (!ok || failed_) {
    if (error && error->empty()) *error = "the changes were not made";
    return false;  // the destructor rolls everything back
  }
  if (tx.commit() != SQLITE_OK) {
    if (error) *error = "cannot commit the registry changes: " + db_.errorMessage();
    return false;
  }
  return true;
}

}  // namespace emu
