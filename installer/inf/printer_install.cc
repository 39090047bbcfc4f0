#include "installer/inf/printer_install.h"

#include "common/error_box.h"
#include "common/strbuf.h"
#include "common/text.h"
#include "common/trace.h"
#include "common/unique_handle.h"

namespace {

/// Points the level-2 record at the fields; every other member stays null.
void SetPrinterRecord(PRINTER_INFO_2A& record, PrinterInfoStrings& fields) {
  record = PRINTER_INFO_2A{};
  record.pPrinterName = fields.printer_name;
  record.pPortName = fields.port_name;
  record.pDriverName = fields.driver_name;
  record.pPrintProcessor = fields.print_processor;
  record.pDatatype = fields.data_type;
  record.Attributes = PRINTER_ATTRIBUTE_LOCAL;
}

bool FailPrinterInstall(DWORD code, const std::string& printer_name) {
  TraceLog("[Quillset] Install Printer Fail!!\n");
  ShowLastErrorBox(code, printer_name.c_str());
  return false;
}

}  // namespace

bool FillPrinterInfo(PrinterInfoStrings& fields, std::string printer_name) {
  printer_name = kit::RemoveChar(printer_name, '"');
  kit::CopyStr(fields.printer_name, printer_name);
  kit::CopyStr(fields.driver_name, printer_name);
  kit::CopyStr(fields.print_processor, "WinPrint");
  kit::CopyStr(fields.data_type, "RAW");
  return true;
}

bool InstallPrinter(std::string inf_path, std::string printer_name, std::string ddi_section,
                    std::string port_name) {
  PrinterInfoStrings fields;
  // A name cut to fit its field would create a printer of another name.
  if (!kit::Fits(fields.printer_name, kit::RemoveChar(printer_name, '"'))) {
    return FailPrinterInstall(ERROR_INVALID_PRINTER_NAME, printer_name);
  }
  if (!kit::CopyStr(fields.port_name, port_name)) {
    return FailPrinterInstall(ERROR_FILENAME_EXCED_RANGE, printer_name);
  }
  FillPrinterInfo(fields, printer_name);

  PRINTER_INFO_2A record;
  SetPrinterRecord(record, fields);
  kit::UniquePrinter printer(AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&record)));
  if (printer || GetLastError() == ERROR_PRINTER_ALREADY_EXISTS) {
    TraceLog("[Quillset] Install Printer OK!!\n");
    return true;
  }
  return FailPrinterInstall(GetLastError(), printer_name);
}
