// The process's connection to <root>/system.db and its transactions.
#include "platform/winsim/store.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <mutex>
#include <vector>

#include "platform/winsim/spooler_store.h"
#include "platform/winsim/winsim.h"

namespace winsim {
namespace {

constexpr int kBusyTimeoutMs = 60000;

const char kSchema[] =
    "CREATE TABLE IF NOT EXISTS reg_keys("
    "  id INTEGER PRIMARY KEY, parent INTEGER NOT NULL, name BLOB NOT NULL,"
    "  fold BLOB NOT NULL, UNIQUE(parent, fold));"
    "CREATE TABLE IF NOT EXISTS reg_values("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT, key INTEGER NOT NULL, name BLOB NOT NULL,"
    "  fold BLOB NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL, UNIQUE(key, fold));"
    // Values are enumerated in the order they were first set (their id).
    "CREATE INDEX IF NOT EXISTS reg_values_order ON reg_values(key, id);"
    "INSERT OR IGNORE INTO reg_keys(id, parent, name, fold) VALUES"
    "  (1, 0, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE'),"
    "  (2, 0, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER');"
    // The spooler's listing of a key's subkeys with their values, kept
    // beside the registry so that a process need not read thousands of
    // values to list the printers (spooler_listing_store.cc). Any change of
    // such a subkey or of its values deletes the listing in the same
    // transaction, whoever makes it, so a listing that exists is current.
    "CREATE TABLE IF NOT EXISTS key_listings(parent INTEGER PRIMARY KEY, records BLOB NOT NULL);"
    "CREATE TRIGGER IF NOT EXISTS key_listings_key_added AFTER INSERT ON reg_keys BEGIN"
    "  DELETE FROM key_listings WHERE parent = NEW.parent; END;"
    "CREATE TRIGGER IF NOT EXISTS key_listings_key_changed AFTER UPDATE ON reg_keys BEGIN"
    "  DELETE FROM key_listings WHERE parent IN (OLD.parent, NEW.parent, OLD.id); END;"
    "CREATE TRIGGER IF NOT EXISTS key_listings_key_deleted AFTER DELETE ON reg_keys BEGIN"
    "  DELETE FROM key_listings WHERE parent IN (OLD.parent, OLD.id); END;"
    "CREATE TRIGGER IF NOT EXISTS key_listings_value_added AFTER INSERT ON reg_values BEGIN"
    "  DELETE FROM key_listings WHERE parent = (SELECT parent FROM reg_keys WHERE id = NEW.key); END;"
    "CREATE TRIGGER IF NOT EXISTS key_listings_value_changed AFTER UPDATE ON reg_values BEGIN"
    "  DELETE FROM key_listings WHERE parent IN"
    "  ((SELECT parent FROM reg_keys WHERE id = OLD.key), (SELECT parent FROM reg_keys WHERE id = NEW.key)); END;"
    "CREATE TRIGGER IF NOT EXISTS key_listings_value_deleted AFTER DELETE ON reg_values BEGIN"
    "  DELETE FROM key_listings WHERE parent = (SELECT parent FROM reg_keys WHERE id = OLD.key); END;";

struct Connection {
  std::recursive_mutex mu;
  sqlite3* db = nullptr;
  // Prepared statements that are not in use, by their SQL text: parsing SQL
  // costs more than running it, and an install runs the same few hundred
  // statements again and again.
  std::map<std::string, std::vector<sqlite3_stmt*>> idle;
  DWORD failure = 0;  // sticky: a database that failed to open is not retried
  int depth = 0;      // transaction nesting
  bool poisoned = false;
  int step_error = 0;  // the first failed step of the open transaction
  uint64_t serial = 0;  // connections opened so far
};

Connection& Conn() {
  static auto* c = new Connection;
  return *c;
}

/// The Win32 error of a failed disk call under SQLite, from its errno: a
/// full disk (ERROR_DISK_FULL) or a failing one (ERROR_WRITE_FAULT); 0 when
/// the last failure was not the disk's.
DWORD DiskError(sqlite3* db) {
  switch (db ? sqlite3_system_errno(db) : 0) {
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EIO: return ERROR_WRITE_FAULT;
    default: return 0;
  }
}

/// A failure to open or set up the database: the disk's own error when it
/// was the disk, else the access or format error.
DWORD OpenError(sqlite3* db, int rc) {
  if (DWORD disk = DiskError(db)) return disk;
  return rc == SQLITE_CANTOPEN || rc == SQLITE_READONLY || rc == SQLITE_PERM ? ERROR_ACCESS_DENIED
                                                                              : SqliteToWin32(rc);
}

void Report(const std::string& message) { std::fprintf(stderr, "winsim: %s\n", message.c_str()); }

// True when the schema's last object exists. Parsing the schema statements
// costs a quarter of a short run and takes the write lock, so it is done
// only for a database that lacks them.
bool SchemaPresent(sqlite3* db, int* rc) {
  sqlite3_stmt* st = nullptr;
  *rc = sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE name = 'key_listings_value_deleted'", -1,
                           &st, nullptr);
  if (*rc != SQLITE_OK) return false;
  int step = sqlite3_step(st);
  sqlite3_finalize(st);
  if (step != SQLITE_ROW && step != SQLITE_DONE) *rc = step;
  return step == SQLITE_ROW;
}

// Opens the database for reading and writing. SQLite falls back to a
// read-only connection when the read-write open fails; Windows' registry is
// always open, so a failure of that one open (a disk fault of the moment) is
// tried once more, and a store that stays read-only is refused: every write
// would fail later with no cause to show.
int OpenReadWrite(const std::string& path, sqlite3** db) {
  int rc = SQLITE_OK;
  for (int attempt = 0; attempt < 2; ++attempt) {
    rc = sqlite3_open_v2(path.c_str(), db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE |
                                               SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK || sqlite3_db_readonly(*db, "main") != 1) return rc;
    sqlite3_close(*db);
    *db = nullptr;
    rc = SQLITE_READONLY;
  }
  return rc;
}

DWORD OpenDatabase(Connection& c) {
  std::string path = Root() + "/system.db";
  int rc = OpenReadWrite(path, &c.db);
  if (rc != SQLITE_OK) {
    Report("cannot open the registry database " + path + ": " +
           (c.db ? sqlite3_errmsg(c.db) : sqlite3_errstr(rc)));
    DWORD error = OpenError(c.db, rc);
    sqlite3_close(c.db);
    c.db = nullptr;
    return error;
  }
  sqlite3_busy_timeout(c.db, kBusyTimeoutMs);
  char* message = nullptr;
  // Windows' registry never loses a change it has reported done, short of
  // the power failing in the seconds before its lazy flush, and a setup
  // program's installs are expected on disk once it has ended (its next step
  // is often a restart). In WAL mode NORMAL syncs only at checkpoints, so a
  // power loss could take back any number of finished installs; FULL syncs
  // the log at each commit, and every call is one transaction: a call that
  // returned success is on disk, and a crash or power loss mid-call leaves
  // the state before it.
  // A throw-away system (system.ini [storage] ThrowAway) is deleted after
  // its run: it needs no flush at all.
  rc = sqlite3_exec(c.db,
                    Facts().throw_away ? "PRAGMA journal_mode=WAL; PRAGMA synchronous=OFF;"
                                       : "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;",
                    nullptr, nullptr, &message);
  if (rc == SQLITE_OK && !SchemaPresent(c.db, &rc) && rc == SQLITE_OK) {
    rc = sqlite3_exec(c.db, (std::string("BEGIN IMMEDIATE;") + kSchema + "COMMIT;").c_str(),
                      nullptr, nullptr, &message);
  }
  if (rc != SQLITE_OK) {
    if (rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT) {
      Report(path + " is not a registry database; it is left untouched");
    } else {
      Report("cannot use the registry database " + path + ": " +
             (message ? message : sqlite3_errstr(rc)));
    }
    sqlite3_free(message);
    DWORD error = OpenError(c.db, rc);
    sqlite3_close(c.db);
    c.db = nullptr;
    return error;
  }
  ++c.serial;
  // A fresh Windows already has the spooler's ports and keys.
  if (!spooler::HasDefaults(c.db) &&
      sqlite3_exec(c.db, "BEGIN IMMEDIATE;", nullptr, nullptr, nullptr) == SQLITE_OK) {
    bool seeded = spooler::EnsureDefaults(c.db) == 0;
    sqlite3_exec(c.db, seeded ? "COMMIT;" : "ROLLBACK;", nullptr, nullptr, nullptr);
  }
  return 0;
}

}  // namespace

DWORD SqliteToWin32(int rc) {
  // SQLite reports a failed write as SQLITE_IOERR, and a full disk as
  // SQLITE_FULL or (for a failed sync) SQLITE_IOERR: errno tells which.
  if ((rc & 0xFF) == SQLITE_IOERR || (rc & 0xFF) == SQLITE_FULL) {
    DWORD disk = DiskError(Conn().db);
    if (disk != 0) return disk;
    return (rc & 0xFF) == SQLITE_FULL ? ERROR_DISK_FULL : ERROR_WRITE_FAULT;
  }
  switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW: return 0;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT: return ERROR_BADDB;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN: return ERROR_ACCESS_DENIED;
    case SQLITE_NOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return ERROR_SHARING_VIOLATION;
    default: return ERROR_BADDB;
  }
}

sqlite3* Database(DWORD* error) {
  Connection& c = Conn();
  std::lock_guard<std::recursive_mutex> lock(c.mu);
  if (!c.db && c.failure == 0) c.failure = OpenDatabase(c);
  if (error) *error = c.db ? 0 : c.failure;
  return c.db;
}

void CloseDatabase() {
  Connection& c = Conn();
  std::lock_guard<std::recursive_mutex> lock(c.mu);
  for (auto& [sql, stmts] : c.idle)
    for (sqlite3_stmt* st : stmts) sqlite3_finalize(st);
  c.idle.clear();
  if (c.db) sqlite3_close_v2(c.db);
  c.db = nullptr;
  c.failure = 0;
  c.depth = 0;
  c.poisoned = false;
}

uint64_t ConnectionSerial() {
  Connection& c = Conn();
  std::lock_guard<std::recursive_mutex> lock(c.mu);
  return c.serial;
}

uint64_t StoreVersion(sqlite3* db) {
  Statement s(db, "PRAGMA data_version");
  if (!s.ok() || s.Step() != SQLITE_ROW) return 0;
  // data_version moves with other connections' commits only; this
  // connection's own changes are counted apart. Both fit in 32 bits here.
  uint64_t others = static_cast<uint64_t>(s.Int(0));
  uint64_t own = static_cast<uint64_t>(sqlite3_total_changes64(db));
  return others << 32 ^ own;
}

Transaction::Transaction(Mode mode) {
  Connection& c = Conn();
  c.mu.lock();
  db_ = Database(&status_);
  if (!db_) return;
  if (c.depth == 0) {
    const char* begin = mode == kWrite ? "BEGIN IMMEDIATE" : "BEGIN";
    int rc = sqlite3_exec(db_, begin, nullptr, nullptr, nullptr);
    if ((rc & 0xFF) == SQLITE_READONLY) {
      // SQLite keeps a connection whose shared-memory index could not be
      // opened for writing read-only for good; a fresh one is tried once.
      CloseDatabase();
      db_ = Database(&status_);
      if (!db_) return;
      rc = sqlite3_exec(db_, begin, nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
      status_ = SqliteToWin32(rc);
      db_ = nullptr;
      return;
    }
    outermost_ = true;
    c.poisoned = false;
    c.step_error = 0;
  }
  ++c.depth;
}

Transaction::~Transaction() {
  Connection& c = Conn();
  if (db_) {
    --c.depth;
    if (!done_) c.poisoned = true;  // an inner level gave up: the whole call fails
    if (outermost_ && (!done_ || c.poisoned)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  c.mu.unlock();
}

DWORD Transaction::Commit() {
  if (!db_) return status_ ? status_ : ERROR_BADDB;
  done_ = true;
  if (!outermost_) return 0;
  Connection& c = Conn();
  // The call fails with the error of the step that gave up, as Windows
  // reports the disk's error rather than a generic one.
  if (c.poisoned) return c.step_error ? SqliteToWin32(c.step_error) : ERROR_CANTWRITE;
  int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    done_ = false;  // roll back in the destructor
    return SqliteToWin32(rc);
  }
  return 0;
}

Statement::Statement(sqlite3* db, const char* sql) {
  if (!db) return;
  Connection& c = Conn();
  std::lock_guard<std::recursive_mutex> lock(c.mu);
  if (db == c.db) {
    auto it = c.idle.find(sql);
    if (it != c.idle.end() && !it->second.empty()) {
      stmt_ = it->second.back();
      it->second.pop_back();
      return;
    }
  }
  if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "winsim: bad statement (%s): %s\n", sqlite3_errmsg(db), sql);
    stmt_ = nullptr;
  }
}

Statement::~Statement() {
  if (!stmt_) return;
  Connection& c = Conn();
  std::lock_guard<std::recursive_mutex> lock(c.mu);
  if (sqlite3_db_handle(stmt_) != c.db) {
    sqlite3_finalize(stmt_);
    return;
  }
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
  c.idle[sqlite3_sql(stmt_)].push_back(stmt_);
}

Statement& Statement::Bind(int index, long long value) {
  if (stmt_) sqlite3_bind_int64(stmt_, index, value);
  return *this;
}

Statement& Statement::Bind(int index, const std::string& text) {
  if (stmt_) sqlite3_bind_blob(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  return *this;
}

Statement& Statement::BindBlob(int index, const std::string& bytes) { return Bind(index, bytes); }

int Statement::Step() {
  if (!stmt_) return SQLITE_ERROR;
  int rc = sqlite3_step(stmt_);
  Connection& c = Conn();
  if (rc != SQLITE_ROW && rc != SQLITE_DONE && c.step_error == 0) c.step_error = rc;
  return rc;
}

long long Statement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

std::string Statement::Text(int column) const { return Blob(column); }

std::string Statement::Blob(int column) const {
  const void* p = sqlite3_column_blob(stmt_, column);
  int n = sqlite3_column_bytes(stmt_, column);
  return p ? std::string(static_cast<const char*>(p), n) : std::string();
}

}  // namespace winsim
