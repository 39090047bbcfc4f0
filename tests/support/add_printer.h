// Creating a local printer through the spooler, as the tests' fixtures do.
#pragma once

#include <string>

#include "platform/win32.h"

namespace kit_test {

/// AddPrinterA at level 2 for `name` on `port` with `driver`, the WinPrint
/// processor and the RAW data type; the new printer's handle, or nullptr
/// when the spooler refuses it.
inline HANDLE AddLocalPrinter(const std::string& name, const std::string& driver,
                              const std::string& port, DWORD attributes) {
  std::string n = name, d = driver, p = port, proc = "WinPrint", type = "RAW";
  PRINTER_INFO_2A info = {};
  info.pPrinterName = n.data();
  info.pPortName = p.data();
  info.pDriverName = d.data();
  info.pPrintProcessor = proc.data();
  info.pDatatype = type.data();
  info.Attributes = attributes;
  return AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
}

}  // namespace kit_test
