// The host_file_attributes table of system.db:
//   host_path   TEXT PRIMARY KEY  the file's host path as ToHostPath spells it
//   identity    TEXT              "<device>:<inode>" of the file the row is for
//   attributes  INTEGER           the stored FILE_ATTRIBUTE_* bits
//   write_bits  INTEGER           the mode write bits the file had before
//                                 READONLY cleared them (0 when not cleared)
// A row whose identity is not that of the file now at the path belongs to
// a file that was deleted or replaced behind winsim's back, and is ignored.
#include "platform/winsim/file_attributes.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/winsim/store.h"
#include "platform/winsim/winsim.h"

namespace winsim::fileattr {
namespace {

constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

bool table_ready = false;

void ForgetTable() { table_ready = false; }
const bool reset_registered = (RegisterResetHook(&ForgetTable), true);

/// Creates the table on the process's connection once.
DWORD EnsureTable() {
  if (table_ready) return 0;
  DWORD error = 0;
  sqlite3* db = Database(&error);
  if (db == nullptr) return error ? error : ERROR_CANTOPEN;
  int rc = sqlite3_exec(db,
                        "CREATE TABLE IF NOT EXISTS host_file_attributes ("
                        " host_path TEXT PRIMARY KEY,"
                        " identity TEXT NOT NULL,"
                        " attributes INTEGER NOT NULL,"
                        " write_bits INTEGER NOT NULL DEFAULT 0)",
                        nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) return SqliteToWin32(rc);
  // Made inside a caller's transaction (the spooler checks files while it
  // holds the store), the table goes again if that one is rolled back.
  table_ready = sqlite3_get_autocommit(db) != 0;
  return 0;
}

struct Record {
  bool found = false;
  DWORD attributes = 0;
  mode_t write_bits = 0;
};

/// Device, inode and (where the file system keeps it) birth time: inode
/// numbers are reused at once for a file created after a deletion.
std::string Identity(const std::string& host, const struct stat& st) {
  std::string id = std::to_string(static_cast<unsigned long long>(st.st_dev));
  id += ':';
  id += std::to_string(static_cast<unsigned long long>(st.st_ino));
  struct statx sx;
  if (statx(AT_FDCWD, host.c_str(), 0, STATX_BTIME, &sx) == 0 && (sx.stx_mask & STATX_BTIME)) {
    id += ':';
    id += std::to_string(static_cast<long long>(sx.stx_btime.tv_sec));
    id += '.';
    id += std::to_string(sx.stx_btime.tv_nsec);
  }
  return id;
}

/// The row for the file `st` at `host`; not found when there is none or it
/// is another file's.
DWORD ReadRecord(sqlite3* db, const std::string& host, const struct stat& st, Record* record) {
  Statement select(db,
                   "SELECT attributes, write_bits FROM host_file_attributes"
                   " WHERE host_path = ? AND identity = ?");
  if (!select.ok()) return ERROR_BADDB;
  select.Bind(1, host).Bind(2, Identity(host, st));
  int rc = select.Step();
  if (rc == SQLITE_DONE) return 0;
  if (rc != SQLITE_ROW) return SqliteToWin32(rc);
  record->found = true;
  record->attributes = static_cast<DWORD>(select.Int(0));
  record->write_bits = static_cast<mode_t>(select.Int(1));
  return 0;
}

DWORD WriteRecord(sqlite3* db, const std::string& host, const struct stat& st, const Record& record) {
  Statement upsert(db,
                   "INSERT INTO host_file_attributes (host_path, identity, attributes, write_bits)"
                   " VALUES (?, ?, ?, ?) ON CONFLICT(host_path) DO UPDATE SET"
                   " identity = excluded.identity, attributes = excluded.attributes,"
                   " write_bits = excluded.write_bits");
  if (!upsert.ok()) return ERROR_BADDB;
  upsert.Bind(1, host).Bind(2, Identity(host, st)).Bind(3, static_cast<long long>(record.attributes))
      .Bind(4, static_cast<long long>(record.write_bits));
  int rc = upsert.Step();
  return rc == SQLITE_DONE ? 0 : SqliteToWin32(rc);
}

DWORD DeleteRecord(sqlite3* db, const std::string& host) {
  Statement del(db, "DELETE FROM host_file_attributes WHERE host_path = ?");
  if (!del.ok()) return ERROR_BADDB;
  del.Bind(1, host);
  int rc = del.Step();
  return rc == SQLITE_DONE ? 0 : SqliteToWin32(rc);
}

DWORD Lookup(const std::string& host, const struct stat& st, Record* record) {
  if (DWORD e = EnsureTable()) return e;
  Transaction txn(Transaction::kRead);
  if (txn.status()) return txn.status();
  if (DWORD e = ReadRecord(txn.db(), host, st, record)) return e;
  return txn.Commit();  // a read that joined a caller's transaction must not spoil it
}

DWORD Combine(const Record& record, const struct stat& st) {
  bool directory = S_ISDIR(st.st_mode);
  DWORD attributes = record.found ? record.attributes : (directory ? 0 : FILE_ATTRIBUTE_ARCHIVE);
  if (!directory && (st.st_mode & S_IWUSR) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
  if (directory) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
  return attributes;
}

}  // namespace

DWORD Effective(const std::string& host, const struct stat& st, DWORD* attributes) {
  Record record;
  if (DWORD e = Lookup(host, st, &record)) return e;
  *attributes = Combine(record, st);
  return 0;
}

bool IsReadOnly(const std::string& host, const struct stat& st, DWORD* error) {
  DWORD attributes = 0;
  DWORD e = Effective(host, st, &attributes);
  if (error) *error = e;
  return e == 0 && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

DWORD Set(const std::string& host, const struct stat& st, DWORD attributes) {
  if (DWORD e = EnsureTable()) return e;
  Transaction txn(Transaction::kWrite);
  if (txn.status()) return txn.status();
  Record old;
  if (DWORD e = ReadRecord(txn.db(), host, st, &old)) return e;

  Record updated;
  updated.found = true;
  updated.attributes = attributes & kSettable;
  mode_t mode = st.st_mode & 07777;
  mode_t new_mode = mode;
  bool read_only = (updated.attributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (!S_ISDIR(st.st_mode)) {
    // Directories keep their mode: Windows does not enforce read-only on
    // them, and clearing their write bits would stop new files being made.
    if (read_only) {
      updated.write_bits = (mode & kWriteBits) ? (mode & kWriteBits) : old.write_bits;
      new_mode = mode & ~kWriteBits;
    } else if ((mode & S_IWUSR) == 0) {
      mode_t restore = old.write_bits ? old.write_bits : S_IWUSR;
      new_mode = mode | restore;
    }
  }
  if (DWORD e = WriteRecord(txn.db(), host, st, updated)) return e;
  if (new_mode != mode && chmod(host.c_str(), new_mode) != 0) return ErrnoToWin32(errno);
  DWORD e = txn.Commit();
  if (e != 0 && new_mode != mode) chmod(host.c_str(), mode);
  return e;
}

DWORD CopyRecord(const std::string& from, const struct stat& from_st, const std::string& to,
                 const struct stat& to_st) {
  if (DWORD e = EnsureTable()) return e;
  Transaction txn(Transaction::kWrite);
  if (txn.status()) return txn.status();
  Record record;
  if (DWORD e = ReadRecord(txn.db(), from, from_st, &record)) return e;
  // A new copy is a changed file: it gets ARCHIVE besides the source's bits.
  record.attributes |= FILE_ATTRIBUTE_ARCHIVE;
  DWORD e = record.found ? WriteRecord(txn.db(), to, to_st, record) : DeleteRecord(txn.db(), to);
  if (e) return e;
  return txn.Commit();
}

DWORD Forget(const std::string& host) {
  if (DWORD e = EnsureTable()) return e;
  Transaction txn(Transaction::kWrite);
  if (txn.status()) return txn.status();
  if (DWORD e = DeleteRecord(txn.db(), host)) return e;
  return txn.Commit();
}

}  // namespace winsim::fileattr
