// Registering the printer driver with the spooler.
#pragma once

#include <string>

#include "platform/win32.h"

/// The text of the driver description. Every field is a zero-filled 260-byte
/// buffer except the dependent-file list, which grows to hold every copied
/// file (a multi-string: each name with its NUL, then one more NUL).
struct DriverInfoStrings {
  char name[kMaxPath] = {};
  char environment[kMaxPath] = {};
  char driver_file[kMaxPath] = {};
  char data_file[kMaxPath] = {};
  char config_file[kMaxPath] = {};
  char help_file[kMaxPath] = {};
  std::string dependent_files = std::string(2, '\0');
  char monitor_name[kMaxPath] = {};
  char default_data_type[kMaxPath] = {};
  char previous_names[kMaxPath] = {};
  char manufacturer[kMaxPath] = {};
  char hardware_id[kMaxPath] = {};
  char provider[kMaxPath] = {};
};

/// Registers a version-3 "Windows NT x86" driver under the printer's name.
/// True when registered or already installed (1795); false after the error box.
/// A printer name that does not fit its field is refused (1801).
bool InstallPrinterDriver(std::string inf_path, std::string printer_name, std::string ddi_section,
                          std::string copied_files, std::string pnp_id);

/// Fills the driver description's text fields from the INF; always true.
bool FillDriverInfo(DriverInfoStrings& fields, std::string inf_path, std::string include_inf_path,
                    std::string printer_name, std::string ddi_section, std::string copied_files);

/// The dependent-file multi-string of a copied-file list: each blank-ended
/// piece with its NUL (an empty piece as a lone NUL), then the final NUL.
std::string DependentFileList(const std::string& copied_files);
