#include "sqlite_entry_store.h"

#include <sqlite3.h>

namespace lobbyfind::directory_service {

namespace {

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS servers (
  ip            TEXT    NOT NULL,
  port          INTEGER NOT NULL,
  servername    TEXT    NOT NULL,
  map           TEXT    NOT NULL,
  version       TEXT    NOT NULL,
  created_ms    INTEGER NOT NULL,
  lastupdate_ms INTEGER NOT NULL,
  PRIMARY KEY (ip, port)
);
CREATE INDEX IF NOT EXISTS servers_by_lastupdate ON servers (lastupdate_ms);
)";

constexpr const char* kColumns = "ip, port, servername, map, version, created_ms, lastupdate_ms";

}  // namespace

// A prepared statement that is reset after each use.
class SqliteEntryStore::Statement {
 public:
  Statement(SqliteEntryStore& store, const std::string& sql) : store_(store) {
    if (sqlite3_prepare_v2(store.db_, sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK) {
      store.Fail("prepare " + sql);
    }
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, const std::string& text) {
    // Texts are 8-bit bytes in no particular code page; they go in as they are.
    sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Statement& Bind(int index, std::int64_t value) {
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
  }
  // True while a row is available.
  bool Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) {
      Reset();
      store_.Fail("step");
    }
    return false;
  }
  void Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
  std::int64_t Int(int column) { return sqlite3_column_int64(stmt_, column); }
  std::string Text(int column) {
    const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
    return data ? std::string(data, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column))) : std::string{};
  }
  ServerEntry Entry() {
    return {Text(0), static_cast<int>(Int(1)), Text(2), Text(3), Text(4), Int(5), Int(6)};
  }
  std::size_t Changes() { return static_cast<std::size_t>(sqlite3_changes(store_.db_)); }

 private:
  SqliteEntryStore& store_;
  sqlite3_stmt* stmt_ = nullptr;
};

SqliteEntryStore::SqliteEntryStore(const std::string& path) {
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK) {
    const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    db_ = nullptr;
    throw StoreError("cannot open database " + path + ": " + message);
  }
  try {
    sqlite3_busy_timeout(db_, 2000);
    Exec("PRAGMA journal_mode=WAL");
    // In WAL mode NORMAL loses at most the last moments before a power cut,
    // never the database; announcements are refreshed every few seconds anyway.
    Exec("PRAGMA synchronous=NORMAL");
    Exec(kSchema);
    const std::string cols = kColumns;
    find_ = std::make_unique<Statement>(*this, "SELECT " + cols + " FROM servers WHERE ip = ?1 AND port = ?2");
    // An upsert rather than INSERT OR REPLACE keeps the row (and its rowid,
    // the tie-breaker of the list order) when an entry is refreshed.
    put_ = std::make_unique<Statement>(
        *this, "INSERT INTO servers (" + cols +
                   ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7) ON CONFLICT (ip, port) DO UPDATE SET "
                   "servername = excluded.servername, map = excluded.map, version = excluded.version, "
                   "created_ms = excluded.created_ms, lastupdate_ms = excluded.lastupdate_ms");
    remove_ip_ = std::make_unique<Statement>(*this, "DELETE FROM servers WHERE ip = ?1");
    remove_old_ = std::make_unique<Statement>(*this, "DELETE FROM servers WHERE lastupdate_ms < ?1");
    count_ip_ = std::make_unique<Statement>(*this, "SELECT count(*) FROM servers WHERE ip = ?1");
    count_ = std::make_unique<Statement>(*this, "SELECT count(*) FROM servers");
    since_ = std::make_unique<Statement>(
        *this, "SELECT " + cols + " FROM servers WHERE lastupdate_ms >= ?1 ORDER BY created_ms, rowid");
  } catch (...) {
    find_.reset(), put_.reset(), remove_ip_.reset(), remove_old_.reset();
    count_ip_.reset(), count_.reset(), since_.reset();
    sqlite3_close(db_);
    throw;
  }
}

SqliteEntryStore::~SqliteEntryStore() {
  find_.reset(), put_.reset(), remove_ip_.reset(), remove_old_.reset();
  count_ip_.reset(), count_.reset(), since_.reset();
  sqlite3_close(db_);
}

void SqliteEntryStore::Exec(const char* sql) {
  char* error = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error ? error : "unknown error";
    sqlite3_free(error);
    throw StoreError(std::string("database: ") + message);
  }
}

void SqliteEntryStore::Fail(const std::string& what) {
  throw StoreError("database (" + what + "): " + sqlite3_errmsg(db_));
}

std::optional<ServerEntry> SqliteEntryStore::Find(const std::string& ip, int port) {
  find_->Bind(1, ip).Bind(2, std::int64_t{port});
  std::optional<ServerEntry> entry;
  if (find_->Step()) entry = find_->Entry();
  find_->Reset();
  return entry;
}

void SqliteEntryStore::Put(const ServerEntry& e) {
  put_->Bind(1, e.ip).Bind(2, std::int64_t{e.port}).Bind(3, e.servername).Bind(4, e.map).Bind(5, e.version);
  put_->Bind(6, e.created_ms).Bind(7, e.lastupdate_ms);
  put_->Step();
  put_->Reset();
}

std::size_t SqliteEntryStore::RemoveByIp(const std::string& ip) {
  remove_ip_->Bind(1, ip).Step();
  const auto n = remove_ip_->Changes();
  remove_ip_->Reset();
  return n;
}

std::size_t SqliteEntryStore::RemoveUpdatedBefore(std::int64_t ms) {
  remove_old_->Bind(1, ms).Step();
  const auto n = remove_old_->Changes();
  remove_old_->Reset();
  return n;
}

std::size_t SqliteEntryStore::CountByIp(const std::string& ip) {
  count_ip_->Bind(1, ip).Step();
  const auto n = static_cast<std::size_t>(count_ip_->Int(0));
  count_ip_->Reset();
  return n;
}

std::size_t SqliteEntryStore::Count() {
  count_->Step();
  const auto n = static_cast<std::size_t>(count_->Int(0));
  count_->Reset();
  return n;
}

std::vector<ServerEntry> SqliteEntryStore::UpdatedSince(std::int64_t ms) {
  std::vector<ServerEntry> out;
  since_->Bind(1, ms);
  while (since_->Step()) out.push_back(since_->Entry());
  since_->Reset();
  return out;
}

std::string SqliteEntryStore::JournalMode() {
  Statement mode(*this, "PRAGMA journal_mode");
  std::string result = mode.Step() ? mode.Text(0) : std::string{};
  mode.Reset();
  return result;
}

}  // namespace lobbyfind::directory_service
