// Registering the printer driver with the spooler.
#pragma once

#include <string>

struct DriverInfoStrings;

/// Registers a version-3 "Windows NT x86" driver under the printer's name.
/// True when registered or already installed (1795); false after the error box.
bool InstallPrinterDriver(std::string inf_path, std::string printer_name, std::string ddi_section,
                          std::string copied_files, std::string pnp_id);

/// Fills the driver description's text fields from the INF; always true.
bool FillDriverInfo(DriverInfoStrings& fields, std::string inf_path, std::string include_inf_path,
                    std::string printer_name, std::string ddi_section, std::string copied_files);
