// Host file operations behind the simulated file functions: the Windows
// error for a path that is not there, and copies that never leave a half
// written file under the target's name.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

#include "platform/win32.h"

namespace winsim::hostfiles {

/// The error Windows gives for a path that does not exist: ERROR_FILE_NOT_FOUND
/// when its directory exists, else ERROR_PATH_NOT_FOUND.
DWORD MissingPathError(const std::string& host);

/// The directory part of a host path ("/" for a file in the root).
std::string HostDirectory(const std::string& host);

/// Creates a temporary file ".~winsim-<kind>-<pid>-XXXXXX" in the host
/// directory `dir` (mkstemp: the open descriptor, or -1 with errno), its
/// path in `*path`. Temporary files there whose writer no longer runs (one
/// killed in the middle of a copy) are removed first.
int CreateTempFile(const std::string& dir, const char* kind, std::string* path);

/// Removes the temporary files of `dir` whose writing process has ended;
/// those of running processes stay.
void RemoveStaleTempFiles(const std::string& dir);

/// Flushes the host file (or directory) to the disk. 0 or a Win32 error.
DWORD SyncFile(const std::string& host);

/// Flushes the directory that holds `host`, so that a name just created or
/// renamed there survives a power loss. 0 or a Win32 error.
DWORD SyncDirectoryOf(const std::string& host);

/// Copies the regular file `from` to `to` through a temporary file in the
/// target's directory that is renamed into place (or, with `no_replace`,
/// linked, so an existing target is never touched: ERROR_FILE_EXISTS). The
/// copy keeps the source's mode bits and modification time. The data and
/// then the directory entry are flushed to the disk before it returns, so a
/// copy reported done survives a power loss. 0 or a Win32 error. No
/// temporary file is left; an error before the rename leaves the target as
/// it was, one in flushing the directory leaves the whole new file in place.
DWORD CopyAtomically(const std::string& from, const std::string& to, bool no_replace);

/// Writes `bytes` as the file `to` in the same all-or-nothing way.
DWORD WriteAtomically(const std::string& to, std::string_view bytes, mode_t mode, bool no_replace);

/// Opens a host file for reading only when it is a regular file (or a link to
/// one): a FIFO, socket or device is refused before it is opened, since
/// opening one can block for ever or act on the device. Windows refuses to
/// open a directory or a device as a file with ERROR_ACCESS_DENIED (CreateFile,
/// Microsoft's documentation), the answer given here. The descriptor, or -1
/// with the Win32 error in `error`.
int OpenRegularFile(const std::string& host, DWORD* error);

/// Reads a whole host file. 0 or a Win32 error.
DWORD ReadWholeFile(const std::string& host, std::string* bytes);

}  // namespace winsim::hostfiles
