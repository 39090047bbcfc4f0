// Copying the driver files named by the DDI section's CopyFiles key.
#pragma once

#include <string>

/// Copies every CopyFiles item into the driver directory; true with the
/// copied-file list ("NAME NAME "), false (list untouched) on the first failure.
bool CopyDriverFiles(std::string inf_path, std::string ddi_section, std::string& copied_files);

/// Copies the INF to <Windows>\inf\<its file name>; the MyCopyFile result.
/// An INF of that name that the system installed is kept (true, no copy).
bool CopyInfToWindowsInf(std::string inf_path);
