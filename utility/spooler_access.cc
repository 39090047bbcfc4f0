#include "utility/spooler_access.h"

#include "common/strbuf.h"

namespace ombrel {

// The spooler library is always named by its full path in the system
// directory: a bare "WinSpool.drv" would go through the DLL search path, which
// starts at the calling program's folder, where anyone may have planted a file.
bool SpoolerLibraryPath(char (&path)[kMaxPath]) {
  char system_dir[kMaxPath] = {};
  UINT n = GetSystemDirectoryA(system_dir, sizeof system_dir);
  if (n == 0 || n >= sizeof system_dir) return false;
  return kit::JoinPath(path, system_dir, "WinSpool.drv");
}

bool HoldSpooler(kit::UniqueModule* spooler) {
  char path[kMaxPath] = {};
  if (SpoolerLibraryPath(path)) spooler->Reset(LoadLibraryA(path));
  if (*spooler) return true;
  SetLastError(ERROR_MOD_NOT_FOUND);
  return false;
}

bool OpenPrinterByName(LPCSTR name, PRINTER_DEFAULTSA* defaults, kit::UniquePrinter* printer) {
  // OpenPrinterA takes a writable name; the spooler never changes it.
  char buffer[kMaxPath] = {};
  if (!kit::CopyStr(buffer, name)) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return false;
  }
  if (OpenPrinterA(buffer, printer->Put(), defaults)) return true;
  printer->Release();  // whatever a failed open left in the slot is not ours to close
  return false;
}

}  // namespace ombrel
