// The three ways of making a printer the default one. Which one runs is
// chosen by SetDefaultPrinterForVersion (default_printer.cc).
#include <cstring>

#include "common/strbuf.h"
#include "common/unique_handle.h"
#include "utility/default_printer.h"
#include "utility/export_args.h"
#include "utility/spooler_access.h"

namespace ombrel {
namespace {

using SetDefaultPrinterFn = BOOL(WINAPI*)(LPCSTR);

// SetDefaultPrinterA from the loaded spooler library; 0 when the library or
// the function is missing, or when the call fails.
int CallSpoolerSetDefault(LPCSTR printer_name) {
  kit::UniqueModule spooler;
  if (!HoldSpooler(&spooler)) return 0;
  FARPROC proc = GetProcAddress(spooler.Get(), "SetDefaultPrinterA");
  if (proc == nullptr) return 0;
  SetDefaultPrinterFn set_default;
  static_assert(sizeof set_default == sizeof proc);
  std::memcpy(&set_default, &proc, sizeof proc);
  return set_default(printer_name);
}

}  // namespace

int SetDefaultPrinterBySpooler(LPCSTR printer_name) {
  int result = CallSpoolerSetDefault(printer_name);
  if (result != 0) return result;
  return SetDefaultPrinterByProfile(printer_name);
}

int SetDefaultPrinterByProfile(LPCSTR printer_name) {
  {
    kit::UniquePrinter printer;
    if (!OpenPrinterByName(printer_name, nullptr, &printer)) return 0;
  }
  // The port part is always LPT1:, whatever port the printer really uses;
  // NT 4 finds the printer by the name in front.
  char entry[kMaxPath] = {};
  if (!kit::FormatStr(entry, "%s,WINSPOOL,LPT1:", printer_name)) {
    // A cut entry would name some other printer; write nothing instead.
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return 0;
  }
  WriteProfileStringA("windows", "device", entry);
  return 1;
}

int SetDefaultPrinterByAttribute(LPCSTR printer_name) {
  kit::UniquePrinter printer;
  if (!OpenPrinterByName(printer_name, nullptr, &printer)) return 1;

  DWORD needed = 0;
  GetPrinterA(printer.Get(), 2, nullptr, 0, &needed);
  kit::UniqueGlobalMem block(GlobalAlloc(GMEM_ZEROINIT, needed != 0 ? needed : 1));
  if (!block || !GetPrinterA(printer.Get(), 2, static_cast<LPBYTE>(block.Get()), needed, &needed)) {
    ReportLastError();
    return 1;
  }
  auto* record = static_cast<PRINTER_INFO_2A*>(block.Get());
  record->Attributes |= PRINTER_ATTRIBUTE_DEFAULT;
  if (!SetPrinterA(printer.Get(), 2, static_cast<LPBYTE>(block.Get()), 0)) ReportLastError();
  return 1;
}

}  // namespace ombrel
