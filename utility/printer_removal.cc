#include "utility/printer_removal.h"

#include <cstring>

#include "common/strbuf.h"
#include "common/unique_handle.h"
#include "utility/export_args.h"
#include "utility/exports.h"
#include "utility/spooler_access.h"

namespace ombrel {

int RemovePrintersUsingDriver(LPCSTR driver_name) {
  kit::UniqueGlobalMem block;
  DWORD count = 0;
  if (!EnumLocalPrinters(2, &block, &count)) {
    ReportLastError();
    return 0;
  }
  // The block is the spooler's copy of the list, so deleting printers while
  // walking it is safe.
  const auto* records = static_cast<const PRINTER_INFO_2A*>(block.Get());
  for (DWORD i = 0; i < count; ++i) {
    const PRINTER_INFO_2A& record = records[i];
    if (record.pDriverName == nullptr || record.pPrinterName == nullptr) continue;
    if (std::strcmp(record.pDriverName, driver_name) != 0) continue;
    RemovePrinterByName(record.pPrinterName);
  }
  return 1;
}

int RemovePrinterByName(LPCSTR printer_name) {
  char raw[] = "RAW";
  PRINTER_DEFAULTSA defaults = {raw, nullptr, PRINTER_ALL_ACCESS};
  kit::UniquePrinter printer;
  if (!OpenPrinterByName(printer_name, &defaults, &printer)) {
    ReportLastError();
    return 0;
  }
  DeletePrinter(printer.Get());  // a printer with pending jobs goes when they end
  return 1;
}

int RemoveDriverByName(LPCSTR driver_name) {
  char name[kMaxPath] = {};
  kit::CopyStr(name, driver_name);
  if (DeletePrinterDriverA(nullptr, nullptr, name)) return 1;
  if (GetLastError() == ERROR_UNKNOWN_PRINTER_DRIVER) return 1;
  ReportLastError();
  return 0;
}

}  // namespace ombrel

extern "C" int WINAPI UninstallPrinter(LONG_PTR passed_on, LONG_PTR unused, LPCSTR driver_name) {
  if (!ombrel::AcceptStringArgument(driver_name)) return 0;
  kit::UniqueModule spooler;
  if (!ombrel::HoldSpooler(&spooler)) {
    ombrel::ReportLastError();
    return 0;
  }
  char name[kMaxPath] = {};
  kit::CopyStr(name, driver_name);
  if (!ombrel::RemovePrintersUsingDriver(name)) return 0;
  if (!ombrel::RemoveDriverByName(name)) return 0;
  MySetDefaultPrinter(passed_on, 0, "");
  SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, 0, SMTO_NORMAL, 1000, nullptr);
  return 0;
}
