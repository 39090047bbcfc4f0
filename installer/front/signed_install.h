// The install path for systems whose printer UI installs signed drivers
// itself (version code 9): the INF is handed to printui in a hidden process.
#pragma once

#include <string>

/// Parameters handed to rundll32.exe: printer name, INF path, port, printer
/// name, each in double quotes.
extern const char kPrintUiCommandFormat[];

/// Starts "<system>\rundll32.exe printui.dll,PrintUIEntry /if ..." hidden,
/// without waiting, then registers the INF (CopyOemInf). Always 1.
int SetupSignedPrinterOnWindowsXP(std::string inf_path, std::string printer_name,
                                  std::string model_list);
