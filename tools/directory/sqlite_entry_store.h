// The EntryStore the service runs on: one SQLite database, so a restart
// loses no announced game. WAL journal for cheap writes next to reads.
#pragma once

#include <memory>
#include <string>

#include "entry_store.h"

struct sqlite3;
struct sqlite3_stmt;

namespace lobbyfind::directory_service {

class SqliteEntryStore final : public EntryStore {
 public:
  // Opens or creates the database at `path` (":memory:" for none). Throws StoreError.
  explicit SqliteEntryStore(const std::string& path);
  ~SqliteEntryStore() override;
  SqliteEntryStore(const SqliteEntryStore&) = delete;
  SqliteEntryStore& operator=(const SqliteEntryStore&) = delete;

  std::optional<ServerEntry> Find(const std::string& ip, int port) override;
  void Put(const ServerEntry& entry) override;
  std::size_t RemoveByIp(const std::string& ip) override;
  std::size_t RemoveUpdatedBefore(std::int64_t ms) override;
  std::size_t CountByIp(const std::string& ip) override;
  std::size_t Count() override;
  std::vector<ServerEntry> UpdatedSince(std::int64_t ms) override;

  // "wal", or "memory" for an in-memory database.
  [[nodiscard]] std::string JournalMode();

 private:
  class Statement;
  void Exec(const char* sql);
  [[noreturn]] void Fail(const std::string& what);

  sqlite3* db_ = nullptr;
  std::unique_ptr<Statement> find_, put_, remove_ip_, remove_old_, count_ip_, count_, since_;
};

}  // namespace lobbyfind::directory_service
