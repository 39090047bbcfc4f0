// Choosing the port and creating the printer.
#pragma once

#include <string>

#include "platform/win32.h"

/// Results of FindPortInRegistry.
enum PortScanResult : int {
  PortKeyMissing = 0,
  PortKeyEmpty = 1,
  PortFirstValue = 2,
  PortMatched = 3,
};

/// The text of the printer description: five zero-filled 260-byte fields.
struct PrinterInfoStrings {
  char printer_name[kMaxPath] = {};
  char port_name[kMaxPath] = {};
  char driver_name[kMaxPath] = {};
  char print_processor[kMaxPath] = {};
  char data_type[kMaxPath] = {};
};

/// Chooses the port from the manufacturer's USB and PARALLEL port records
/// ("LPT1:" when neither exists, "FILE:" when they supply nothing); returns 1.
int GetActivePort(std::string& port, std::string manufacturer, std::string model_list);

/// Scans one port record key; writes `port` (260 bytes) for codes 2 and 3.
int FindPortInRegistry(const char* key_path, char* port, std::string manufacturer,
                       std::string model_list);

/// Creates the local printer on the port with the driver of the same name.
/// The INF path and DDI section play no part in the description. A printer
/// name (1801) or port name (206) that does not fit its field is refused.
bool InstallPrinter(std::string inf_path, std::string printer_name, std::string ddi_section,
                    std::string port_name);

/// Fills the printer description's text fields; always true.
bool FillPrinterInfo(PrinterInfoStrings& fields, std::string printer_name);
