#include "platform/emulated/sqlite_db.h"

#include <string>

namespace emu {

Statement& Statement::bind(int index, std::int64_t value) {
  sqlite3_bind_int64(stmt_, index, value);
  return *this;
}

Statement& Statement::bind(int index, std::string_view text) {
  sqlite3_bind_text(stmt_, index, text.data(), int(text.size()), SQLITE_TRANSIENT);
  return *this;
}

Statement& Statement::bindBlob(int index, const void* data, std::size_t size) {
  // A zero-length blob must stay a blob, not NULL.
  static const char empty = 0;
  sqlite3_bind_blob(stmt_, index, size ? data : &empty, int(size), SQLITE_TRANSIENT);
  return *this;
}

Statement& Statement::bindNull(int index) {
  sqlite3_bind_null(stmt_, index);
  return *this;
}

int Statement::step() {
  return sqlite3_step(stmt_);
}

std::int64_t Statement::columnInt(int column) {
  return sqlite3_column_int64(stmt_, column);
}

std::string Statement::columnText(int column) {
  const unsigned char* text = sqlite3_column_text(stmt_, column);
  int size = sqlite3_column_bytes(stmt_, column);
  return text ? std::string(reinterpret_cast<const char*>(text), size_t(size)) : std::string();
}

std::string Statement::columnBlob(int column) {
  const void* data = sqlite3_column_blob(stmt_, column);
  int size = sqlite3_column_bytes(stmt_, column);
  return data ? std::string(static_cast<const char*>(data), size_t(size)) : std::string();
}

std::string_view Statement::columnBlobView(int column) {
  const void* data = sqlite3_column_blob(stmt_, column);
  int size = sqlite3_column_bytes(stmt_, column);
  return data ? std::string_view(static_cast<const char*>(data), size_t(size)) : std::string_view();
}

bool Statement::columnIsNull(int column) {
  return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

void Statement::reset() {
  if (stmt_) sqlite3_reset(stmt_);
}

Database::~Database() {
  close();
}

int Database::open(const std::string& path, bool create, int busyTimeoutMs) {
  close();
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
  if (create) flags |= SQLITE_OPEN_CREATE;
  int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    // SQLite hands out a connection even when the open fails; only its
    // message is kept, so that isOpen() tells the truth.
    std::string message = errorMessage();
    close();
    openError_ = std::move(message);
    return rc;
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, busyTimeoutMs);
  // In WAL mode NORMAL keeps every commit atomic and the file consistent; it
  // only skips the fsync per commit, which would make each registry write
  // wait for the disk.
  sqlite3_exec(db_, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
  // A deletion moves every later profile inside one transaction; with the
  // default 2 MB cache its dirty pages spill and are read back over and over.
  sqlite3_exec(db_, "PRAGMA cache_size=-32768", nullptr, nullptr, nullptr);
  // Each registry call inside a batch is a savepoint whose journal, like the
  // temporary tables of a recursive query, is small: keep them in memory
  // rather than writing them to temporary files.
  sqlite3_exec(db_, "PRAGMA temp_store=MEMORY", nullptr, nullptr, nullptr);
  return SQLITE_OK;
}

void Database::close() {
  for (auto& [sql, stmt] : cache_) sqlite3_finalize(stmt);
  cache_.clear();
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
  depth_ = 0;
  openError_.clear();
}

std::string Database::errorMessage() const {
  if (db_) return sqlite3_errmsg(db_);
  return openError_.empty() ? "no database" : openError_;
}

Statement Database::prepare(SqlText sql) {
  auto found = cache_.find(sql.key());
  if (found != cache_.end()) {
    sqlite3_reset(found->second);
    sqlite3_clear_bindings(found->second);
    return Statement(found->second);
  }
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v3(db_, sql.text().data(), int(sql.text().size()), SQLITE_PREPARE_PERSISTENT,
                         &stmt, nullptr) != SQLITE_OK) {
    sqlite3_finalize(stmt);
    return Statement();
  }
  cache_[sql.key()] = stmt;
  return Statement(stmt);
}

int Database::exec(const char* sql) {
  return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
}

std::int64_t Database::lastInsertRowid() const {
  return sqlite3_last_insert_rowid(db_);
}

int Database::changes() const {
  return sqlite3_changes(db_);
}

int Database::run(SqlText sql) {
  // Transaction control runs on every registry call: keep it prepared.
  Statement statement = prepare(sql);
  if (!statement) return sqlite3_errcode(db_);
  int rc = statement.step();
  return rc == SQLITE_DONE || rc == SQLITE_ROW ? SQLITE_OK : rc;
}

int Database::begin(bool write) {
  // SQLite ends a transaction by itself after some errors (a full disk, an
  // I/O error); then there is nothing left to nest into.
  if (depth_ > 0 && sqlite3_get_autocommit(db_)) depth_ = 0;
  int rc = depth_ > 0 ? run("SAVEPOINT nested")
           : write    ? run("BEGIN IMMEDIATE")
                      : run("BEGIN DEFERRED");
  if (rc == SQLITE_OK) ++depth_;
  return rc;
}

int Database::commit() {
  if (depth_ == 0) return SQLITE_MISUSE;
  if (sqlite3_get_autocommit(db_)) {
    depth_ = 0;
    return SQLITE_ABORT;
  }
  int rc = depth_ == 1 ? run("COMMIT") : run("RELEASE nested");
  if (rc == SQLITE_OK) {
    --depth_;
  } else {
    rollback();
  }
  return rc;
}

void Database::rollback() {
  if (depth_ == 0) return;
  if (sqlite3_get_autocommit(db_)) {
    depth_ = 0;
    return;
  }
  // Nothing is left to report: the caller is failing already.
  if (depth_ == 1) {
    (void)run("ROLLBACK");
  } else {
    (void)run("ROLLBACK TO nested");
    (void)run("RELEASE nested");
  }
  --depth_;
}

int Database::checkIntegrity(bool full, int maxProblems, std::vector<std::string>* problems) {
  problems->clear();
  // The pragma takes its limit as part of the text, so it is not cached.
  std::string sql = std::string(full ? "PRAGMA integrity_check(" : "PRAGMA quick_check(") +
                    std::to_string(maxProblems) + ")";
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr);
  if (rc == SQLITE_OK) {
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(stmt, 0);
      std::string line = text ? reinterpret_cast<const char*>(text) : "";
      if (line != "ok") problems->push_back(std::move(line));
    }
  }
  std::string failure = rc == SQLITE_DONE ? std::string() : errorMessage();
  sqlite3_finalize(stmt);
  if (rc == SQLITE_DONE) return SQLITE_OK;
  int primary = rc & 0xFF;
  if (primary != SQLITE_CORRUPT && primary != SQLITE_NOTADB) return rc;
  if (problems->empty()) problems->push_back(failure);
  return SQLITE_OK;
}

void Database::leaveUntouchedOnClose() {
  if (db_) sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
}

}  // namespace emu
