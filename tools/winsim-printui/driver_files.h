// Copying the files of a driver package to their destinations: each from the
// folder of the INF that names it (with the path its [SourceDisksNames] and
// [SourceDisksFiles] entries give), else from where the system keeps its
// in-box driver files: the driver store folder of ntprint.inf (Vista and
// later), or the driver cache cabinet <Windows>\Driver Cache\i386\driver.cab
// (2000, XP, Server 2003).
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"
#include "tools/winsim-printui/driver_package.h"

namespace printui {

/// The Windows directory of a DestinationDirs dirid (10, 11, 66000 to 66004),
/// with `subdir`; false for a dirid the simulated system does not have.
bool DestinationDirectory(DWORD dirid, const std::string& subdir, std::string* out);

/// The Windows path the file is copied from when it lies beside its INF.
std::string SourcePath(const PackageFile& file);

/// Copies every file; 0, or the error of the first file that could not be
/// copied, with its name in `*failed`.
DWORD CopyPackageFiles(const std::vector<PackageFile>& files, std::string* failed);

}  // namespace printui
