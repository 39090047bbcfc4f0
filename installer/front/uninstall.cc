#include "installer/front/uninstall.h"

#include <cstring>

#include "common/error_box.h"
#include "common/local_printers.h"
#include "common/strbuf.h"
#include "common/text.h"
#include "common/trace.h"
#include "common/unique_handle.h"
#include "installer/front/settings_broadcast.h"
#include "installer/front/setup_printer.h"
#include "installer/inf/inf_access.h"
#include "installer/records/oem_inf.h"
#include "platform/win32.h"

int UninstallPrinterDriver(std::string driver_name, std::string inf_path) {
  driver_name = kit::RemoveChar(driver_name, '"');
  inf_path = kit::RemoveChar(inf_path, '"');

  // Only a failed listing (or a refused name) ends early: then nothing at
  // all has been removed, and the exit code says so.
  if (DeletePrintersOfDriver(driver_name) == 0) return 0;
  RemovePrinterDriver(driver_name);
  SelectDefaultPrinter(false, std::string());

  std::string manufacturer = GetManufacturerName(inf_path);
  RemoveOemInf(inf_path, driver_name, manufacturer);
  BroadcastSettingsChange();
  return 1;
}

int DeletePrintersOfDriver(std::string driver_name) {
  char wanted[kMaxPath] = {};
  if (!kit::CopyStr(wanted, driver_name)) {
    // No driver name is this long; comparing a cut name could match and
    // delete the printers of another driver.
    ShowLastErrorBox(ERROR_INVALID_PRINTER_NAME, "Quillset");
    return 0;
  }

  kit::UniqueGlobalMem block;
  DWORD count = 0;
  if (!kit::EnumLocalPrinters(2, &block, &count)) return 0;

  const auto* printers = static_cast<const PRINTER_INFO_2A*>(block.Get());
  for (DWORD i = 0; printers != nullptr && i < count; ++i) {
    const PRINTER_INFO_2A& printer = printers[i];
    if (printer.pDriverName == nullptr || printer.pPrinterName == nullptr) continue;
    if (std::strcmp(printer.pDriverName, wanted) == 0) DeleteOnePrinter(printer.pPrinterName);
  }
  return 1;
}

int DeleteOnePrinter(std::string printer_name) {
  char datatype[] = "RAW";
  PRINTER_DEFAULTSA defaults = {datatype, nullptr, PRINTER_ALL_ACCESS};
  kit::UniquePrinter printer;
  if (!OpenPrinterA(printer_name.data(), printer.Put(), &defaults)) {
    ShowLastErrorBox(GetLastError(), printer_name.c_str());
    return 0;
  }
  DeletePrinter(printer.Get());
  return 1;
}

int RemovePrinterDriver(std::string driver_name) {
  if (DeletePrinterDriverExA(nullptr, nullptr, driver_name.data(), DPD_DELETE_ALL_FILES, 2)) return 1;
  DWORD error = GetLastError();
  TraceLog("[Quillset] Delete Printer Driver Faile (%s)\n", driver_name.c_str());
  // DPD_DELETE_ALL_FILES keeps a driver that shares a file with another
  // installed driver (3001), which is the rule for drivers built on a shared
  // core such as PSCRIPT5.DLL. Once more with DPD_DELETE_UNUSED_FILES the
  // driver goes and only the files no other driver names. A driver that a
  // printer still uses gives the same code and is refused again, unchanged.
  if (error != ERROR_PRINTER_DRIVER_IN_USE) return 1;
  if (DeletePrinterDriverExA(nullptr, nullptr, driver_name.data(), DPD_DELETE_UNUSED_FILES, 2)) {
    TraceLog("[Quillset] Delete Printer Driver OK, shared files kept (%s)\n", driver_name.c_str());
  } else {
    TraceLog("[Quillset] Delete Printer Driver Faile again (%s)\n", driver_name.c_str());
  }
  return 1;
}
