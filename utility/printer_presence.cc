// Whether a printer of a given name exists.
#include "common/strbuf.h"
#include "common/unique_handle.h"
#include "utility/export_args.h"
#include "utility/exports.h"
#include "utility/spooler_access.h"

extern "C" int WINAPI IsPrinterInstalled(LONG_PTR unused1, LONG_PTR unused2, LPCSTR printer_name) {
  if (!ombrel::AcceptStringArgument(printer_name)) return 0;
  kit::UniqueModule spooler;
  if (!ombrel::HoldSpooler(&spooler)) return 0;  // never a box, as for any spooler failure
  kit::UniquePrinter printer;
  return ombrel::OpenPrinterByName(printer_name, nullptr, &printer) ? 1 : 0;
}
