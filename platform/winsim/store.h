// The SQLite database behind the simulated registry (and so the spooler):
// <root>/system.db in WAL mode with a busy timeout, one connection per
// process. Every Win32 call that touches it runs in one transaction, so a
// process killed at any point leaves the last committed state.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

#include "platform/win32.h"

namespace winsim {

/// The process's connection, opened (and the schema created) on first use.
/// nullptr when the database cannot be opened or is not one; `error` then
/// holds the Win32 code (ERROR_BADDB for a file that is not a database,
/// ERROR_ACCESS_DENIED for a root that cannot be written) and a clear message
/// has been written to stderr once.
sqlite3* Database(DWORD* error);

/// Closes the connection (ResetProcessState).
void CloseDatabase();

/// A number that changes with every connection the process opens, so that
/// what was read through one connection is never taken for another's.
uint64_t ConnectionSerial();

/// A number that changes whenever the store may have changed since the last
/// call with the same connection: a commit by another connection (SQLite's
/// PRAGMA data_version) or a change made through this one. 0 on failure.
uint64_t StoreVersion(sqlite3* db);

/// One transaction on the process's connection. Write transactions take the
/// write lock at BEGIN (BEGIN IMMEDIATE), so two processes never dead-lock
/// upgrading a read lock; waits are bounded by the busy timeout. Nested
/// transactions join the outer one. Not committed = rolled back.
class Transaction {
 public:
  enum Mode { kRead, kWrite };
  explicit Transaction(Mode mode);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  /// 0 when the transaction is open; else the Win32 error of opening it.
  DWORD status() const { return status_; }
  sqlite3* db() const { return db_; }
  /// Commits (the outermost level only); 0 or a Win32 error.
  DWORD Commit();

 private:
  sqlite3* db_ = nullptr;
  DWORD status_ = 0;
  bool outermost_ = false;
  bool done_ = false;
};

/// A prepared statement that finalizes itself.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool ok() const { return stmt_ != nullptr; }
  Statement& Bind(int index, long long value);
  Statement& Bind(int index, const std::string& text);
  Statement& BindBlob(int index, const std::string& bytes);
  /// SQLITE_ROW, SQLITE_DONE or an error code.
  int Step();
  long long Int(int column) const;
  std::string Text(int column) const;
  std::string Blob(int column) const;
  sqlite3_stmt* Raw() const { return stmt_; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

/// Maps an SQLite result code to a Win32 error code.
DWORD SqliteToWin32(int rc);

}  // namespace winsim
