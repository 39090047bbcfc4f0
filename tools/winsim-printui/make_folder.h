// Creating a destination folder, the one step of the printer UI that the
// Win32 surface of the simulated system does not offer (it has no
// CreateDirectoryA): one implementation for each build.
#pragma once

#include <string>

namespace printui {

/// Creates a missing destination folder and the folders above it, as Setup's
/// file queue does before it copies into it (Wine: setupapi's queue,
/// create_full_pathW). A failure is left to the copy that follows to report.
void MakeFolder(const std::string& windows_dir);

}  // namespace printui
