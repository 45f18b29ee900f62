// A small RAII wrapper over the SQLite C API: a connection, prepared
// statements kept for reuse, and transactions that nest as savepoints.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace emu {

// The text of a statement the connection keeps prepared. Only a string
// literal (or another array of static storage) converts to it, so the text
// lives as long as the program and its address names it: a lookup in the
// cache costs no string hashing on the registry's hot path, and no text
// built at run time can come to share an address with another.
class SqlText {
 public:
  template <std::size_t N>
  consteval SqlText(const char (&text)[N]) : text_(text, N - 1) {}  // NOLINT: implicit by design
  std::string_view text() const { return text_; }
  const char* key() const { return text_.data(); }

 private:
  std::string_view text_;
};

// A cached prepared statement in use. It is reset when it goes out of scope,
// so no statement keeps a read snapshot open between calls.
class Statement {
 public:
  Statement() = default;
  explicit Statement(sqlite3_stmt* stmt) : stmt_(stmt) {}
  ~Statement() { reset(); }
  Statement(Statement&& other) noexcept : stmt_(other.stmt_) { other.stmt_ = nullptr; }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  Statement& operator=(Statement&&) = delete;

  Statement& bind(int index, std::int64_t value);
  Statement& bind(int index, std::string_view text);
  Statement& bindBlob(int index, const void* data, std::size_t size);
  Statement& bindNull(int index);
  // SQLITE_ROW, SQLITE_DONE or an error code.
  [[nodiscard]] int step();
  std::int64_t columnInt(int column);
  std::string columnText(int column);
  std::string columnBlob(int column);
  // The bytes in SQLite's own memory: valid until the statement moves on.
  std::string_view columnBlobView(int column);
  bool columnIsNull(int column);
  void reset();
  explicit operator bool() const { return stmt_ != nullptr; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

class Database {
 public:
  Database() = default;
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Opens an existing database (create=false) or creates one. The connection
  // waits up to `busyTimeoutMs` for another process's lock.
  [[nodiscard]] int open(const std::string& path, bool create, int busyTimeoutMs);
  void close();
  bool isOpen() const { return db_ != nullptr; }
  sqlite3* handle() const { return db_; }
  std::string errorMessage() const;

  // A cached prepared statement with its bindings cleared; empty (false) on a
  // preparation error.
  Statement prepare(SqlText sql);
  [[nodiscard]] int exec(const char* sql);
  // Runs one prepared statement to its end; SQLITE_OK or the error.
  [[nodiscard]] int run(SqlText sql);
  std::int64_t lastInsertRowid() const;
  int changes() const;

  // Transactions. A write transaction starts IMMEDIATE so that two processes
  // never both hold a read snapshot that one of them must then upgrade.
  // Nested calls become savepoints.
  [[nodiscard]] int begin(bool write);
  [[nodiscard]] int commit();
  void rollback();
  int depth() const { return depth_; }

  // SQLite's own check of the file: `PRAGMA quick_check` (every page and
  // record, in time linear in the file's size) or the full
  // `PRAGMA integrity_check` (which also matches each index to its table).
  // Fills `problems` with at most `maxProblems` findings; empty means the
  // file is sound. A file too damaged to run the check at all has SQLite's
  // message as its finding. Returns SQLITE_OK when the check reached a
  // verdict, else the error that kept it from one (a lock held too long).
  [[nodiscard]] int checkIntegrity(bool full, int maxProblems, std::vector<std::string>* problems);
  // Makes the coming close skip folding the write-ahead log into the file,
  // so that a damaged file is left exactly as it was found.
  void leaveUntouchedOnClose();

 private:
  sqlite3* db_ = nullptr;
  std::unordered_map<const char*, sqlite3_stmt*> cache_;  // keyed by SqlText::key()
  // SQLite's message for an open that failed; the connection itself is gone.
  std::string openError_;
  int depth_ = 0;
};

// Rolls back unless committed. Inside an open transaction a read needs no
// savepoint of its own (it already sees one consistent state), and neither
// does a write made of one statement, which SQLite undoes by itself when it
// fails.
class Transaction {
 public:
  Transaction(Database& db, bool write, bool singleStatement = false)
      : db_(db),
        joined_((!write || singleStatement) && db.depth() > 0),
        status_(joined_ ? SQLITE_OK : db.begin(write)) {}
  ~Transaction() {
    if (status_ == SQLITE_OK && !joined_ && !done_) db_.rollback();
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  [[nodiscard]] int status() const { return status_; }
  [[nodiscard]] int commit() {
    if (joined_) return SQLITE_OK;
    done_ = true;
    return db_.commit();
  }

 private:
  Database& db_;
  bool joined_;
  int status_;
  bool done_ = false;
};

}  // namespace emu
