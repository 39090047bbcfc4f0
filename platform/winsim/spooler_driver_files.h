// The files of printer drivers: where the spooler finds the files a driver
// names (the printer-driver directory) and where it keeps the installed
// copies (the directory's "3" subdirectory, for version-3 drivers).
#pragma once

#include <string>

#include "platform/win32.h"

namespace winsim::spooler {

/// A driver file that was found: where it is on the host and its bare name.
struct SourceFile {
  std::string host_path;
  std::string file_name;
};

/// Finds a file named in a driver description. A bare name lies in the
/// driver directory; a path must point into that directory. 0,
/// ERROR_FILE_NOT_FOUND (absent, or not in the driver directory) or a path error.
DWORD FindDriverFile(const std::string& name, SourceFile* file);

/// How an offered file's modification time compares with its installed copy's.
enum class OfferedAge { kNothingInstalled, kOlder, kSame, kNewer };

/// Compares the offered file with the copy of that name in the version
/// directory; a copy whose time cannot be read counts as not installed.
OfferedAge CompareWithInstalled(const SourceFile& file);

/// Copies a file into the version directory, creating it. With
/// `only_if_newer` an existing copy at least as new is kept. The target is
/// never half-written, and keeps the source's modification time. 0 or the error.
DWORD InstallDriverFile(const SourceFile& file, bool only_if_newer);

/// Deletes the copy of a file staged in the driver directory itself; one
/// that is absent is fine.
void RemoveStagedFile(const std::string& file_name);

/// Whether RemoveDriverFile would remove the file: 0 when it is absent or
/// can go, else the error (a folder in its place: ERROR_ACCESS_DENIED; a
/// folder that cannot be written).
DWORD CheckDriverFileRemovable(const std::string& file_name);

/// Deletes a file from the version directory; one that is absent is fine,
/// one that cannot go (see above) stays with that error.
DWORD RemoveDriverFile(const std::string& file_name);

/// The host path of the driver directory, created when it is missing.
DWORD EnsureDriverDirectory(std::string* host_path);

}  // namespace winsim::spooler
