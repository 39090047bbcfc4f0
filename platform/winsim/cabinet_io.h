// File access of the cabinet decoder (libmspack) in the simulated system.
//
// libmspack does all its I/O through one mspack_system table. This one reads
// cabinets by their Windows paths, resolved through the drive mapping like
// every other path of the system, and writes only host paths of the
// iteration's own temporary files. libmspack reports its own codes; the
// table keeps the Win32 error of the last failed host operation so that the
// caller can tell a full disk from a damaged cabinet.
#pragma once

#include <mspack.h>

#include <functional>
#include <string>

#include "platform/win32.h"

namespace winsim::cabinet {

/// Resolves a cabinet's Windows path to an existing regular host file.
/// 0, or ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND for a path that is not
/// there, ERROR_FILE_NOT_FOUND also for a directory (what SetupIterateCabinet
/// reports for one), or the mapping's error.
DWORD ResolveCabinetPath(const std::string& windows_path, std::string* host_path);

class CabinetIo {
 public:
  CabinetIo();
  CabinetIo(const CabinetIo&) = delete;
  CabinetIo& operator=(const CabinetIo&) = delete;

  /// The table to hand to mspack_create_cab_decompressor; it stays valid as
  /// long as this object.
  mspack_system* System() { return &table_.base; }

  /// Runs before every open for reading, with the Windows path libmspack
  /// asks for; a non-zero result refuses the open (and is recorded).
  void SetReadHook(std::function<DWORD(const char*)> hook) { read_hook_ = std::move(hook); }

  /// The Win32 error of the last failed host operation since ClearError.
  DWORD LastError() const { return last_error_; }
  void ClearError() { last_error_ = 0; }
  void RecordError(DWORD error) { last_error_ = error; }

 private:
  struct Table {
    mspack_system base;
    CabinetIo* owner;
  };

  static mspack_file* Open(mspack_system* self, const char* name, int mode);

  Table table_;
  std::function<DWORD(const char*)> read_hook_;
  DWORD last_error_ = 0;
};

/// The Win32 error for a libmspack result: the host error recorded behind it
/// when there is one, ERROR_NOT_ENOUGH_MEMORY for an allocation, and
/// ERROR_INVALID_DATA for a file that is not a cabinet or is damaged.
DWORD ToWin32Error(int mspack_error, DWORD host_error);

}  // namespace winsim::cabinet
