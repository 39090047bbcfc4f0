// File-list sections, the single-file copy, and extraction of missing files
// from the system's driver cache cabinet.
#pragma once

#include <string>

#include "platform/win32.h"

/// What the cabinet callback reads: the upper-cased missing-file list and the
/// driver directory.
struct CabinetContext {
  std::string missing_files_upper;
  std::string driver_directory;
};

/// Copies a file-list section's files from the INF directory, then has the
/// missing ones taken out of the driver cabinet. False only when the section
/// has no entries in the INF nor in the include INF.
bool CopyFileSection(std::string inf_path, std::string include_inf_path, std::string inf_dir,
                     std::string section, std::string& section_list);

/// Extracts the named files from <Windows>\Driver Cache\i386\driver.cab.
bool CopyFilesInCabinetFile(std::string missing_files);

/// The cabinet iteration's callback (context: a CabinetContext).
UINT CALLBACK CabinetFileCallback(PVOID context, UINT notification, UINT_PTR param1,
                                  UINT_PTR param2);

/// The installer's one single-file copy: overwrites; silent only when the
/// source is missing, an error box (caption: the source) for other failures.
bool MyCopyFile(std::string source, std::string target);
