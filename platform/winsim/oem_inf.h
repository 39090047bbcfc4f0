// Where SetupCopyOEMInfA puts an INF: the system INF directory's
// oem<N>.inf files, the lowest free number for a new one, and the
// byte-identical copy that is already registered.
#pragma once

#include <string>

#include "platform/win32.h"

namespace winsim::oeminf {

struct Placement {
  std::string bytes;         // the INF's content
  std::string inf_dir_host;  // host path of <Windows>\inf
  unsigned number = 0;       // N of oem<N>.inf
  bool existing = false;     // an identical oem<N>.inf is already there
  std::string windows_path;  // "<Windows>\inf\oem<N>.inf"
  std::string host_path;     // its host path
};

/// Reads the source INF and finds its place: the identical registered copy,
/// else the lowest free number. Creates the INF directory when it is missing.
/// 0, or ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND for a missing source, or
/// another Win32 error.
DWORD Place(const char* source_inf, Placement* placement);

/// Writes a new copy (and its oem<N>.pnf) without ever replacing an INF;
/// when another process took the number first, takes the next free one and
/// updates `placement`. 0 or a Win32 error.
DWORD Write(Placement* placement);

/// Deletes the copy and PNF that Write made.
void Undo(const Placement& placement);

}  // namespace winsim::oeminf
