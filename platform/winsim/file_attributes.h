// File attributes of the simulated file system. Windows keeps attributes
// (read-only, hidden, system, archive) with each file; a Linux file system has
// only mode bits, so the attributes live in system.db, one row per host path.
// Read-only is kept in both places: setting it clears the file's write bits
// (so host tools see it too), clearing it gives them back. A row holds for
// the file it was written for: one deleted or replaced by other means drops
// its attributes, as on Windows.
#pragma once

#include <sys/stat.h>

#include <string>

#include "platform/win32.h"

namespace winsim::fileattr {

/// The attribute bits SetFileAttributesA stores; others are ignored.
constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                            FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | 0x100 /*TEMPORARY*/ |
                            0x1000 /*OFFLINE*/ | 0x2000 /*NOT_CONTENT_INDEXED*/;

/// The attributes Windows reports for the file at `host` (already stat'ed):
/// the stored ones, else ARCHIVE for a file and none for a directory;
/// READONLY also when the host file has no owner write bit; DIRECTORY for a
/// directory; NORMAL when nothing else is set. 0 or a store error.
DWORD Effective(const std::string& host, const struct stat& st, DWORD* attributes);

/// True when the file at `host` is read-only (see Effective). A store error
/// counts as not read-only and is returned in `error` when given.
bool IsReadOnly(const std::string& host, const struct stat& st, DWORD* error = nullptr);

/// Stores `attributes` (masked to kSettable) for `host` and adjusts the
/// host file's write bits for READONLY (files only). 0 or a Win32 error; on
/// error neither the store nor the mode bits changed.
DWORD Set(const std::string& host, const struct stat& st, DWORD attributes);

/// Makes the file `to` (stat'ed after it was written) carry the stored
/// attributes of `from` plus ARCHIVE (or none, when `from` has none), as a
/// copy does.
/// 0 or a store error.
DWORD CopyRecord(const std::string& from, const struct stat& from_st, const std::string& to,
                 const struct stat& to_st);

/// Forgets the stored attributes of `host` (after a delete). 0 or a store error.
DWORD Forget(const std::string& host);

}  // namespace winsim::fileattr
