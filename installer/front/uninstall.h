// The uninstall sequence.
#pragma once

#include <string>

/// Deletes every local printer of the driver, the driver, the INF copy and the
/// record. 0 only when the local printers cannot be listed, else 1.
int UninstallPrinterDriver(std::string driver_name, std::string inf_path);

/// 0 when the enumeration fails, else 1.
int DeletePrintersOfDriver(std::string driver_name);
/// 1 when the printer could be opened (and deletion was asked), else 0.
int DeleteOnePrinter(std::string printer_name);
/// Deletes the driver with all its files, or, when it shares files with
/// another driver, with the files only it uses; always 1.
int RemovePrinterDriver(std::string driver_name);
