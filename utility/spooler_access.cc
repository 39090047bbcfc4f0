#include "utility/spooler_access.h"

#include "common/strbuf.h"
#include "utility/default_printer.h"

namespace ombrel {

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
