// What an install section of a printer INF asks for, gathered the way the
// printer class installer reads it (Microsoft's "Printer INF File Entries"
// and "INF DDInstall Section"): the files of its CopyFiles directives with
// their destinations, and the driver's file roles, from the section itself,
// its DataSection, and the sections that Needs names in the INFs that
// Include names.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "tools/winsim-printui/inf_file.h"

namespace printui {

/// One file a CopyFiles directive copies.
struct PackageFile {
  const InfFile* inf = nullptr;  // the INF whose directive names it
  std::string target_name;       // name in the destination directory
  std::string source_name;       // name on the source media
  DWORD dirid = 0;               // DestinationDirs entry: 66000 printer drivers, 11 system, ...
  std::string subdir;            // below the dirid's directory, or ""
};

struct DriverPackage {
  std::vector<std::unique_ptr<InfFile>> included;  // INFs that Include opened
  std::vector<PackageFile> files;
  std::string driver_file, data_file, config_file, help_file, default_datatype;
  std::vector<std::string> missing_includes;  // Include files found nowhere
  std::vector<std::string> missing_needs;     // Needs sections found nowhere
};

/// Gathers the package of `install_section` of `inf`; `section_name` is the
/// model line's undecorated name, the default data file. Keys of the install
/// section come first, then its DataSection's, then those of each Needs
/// section in order; ConfigFile defaults to DriverFile. The INF and the INFs
/// that Include names are read as one appended INF (the INF first): a
/// DataSection, Needs section or file-list section, and each key of a data
/// section, comes from the first of them that has it. Include files are
/// looked for beside the INF, then in <Windows>\inf.
DriverPackage GatherPackage(const InfFile& inf, const std::string& install_section,
                            const std::string& section_name);

}  // namespace printui
