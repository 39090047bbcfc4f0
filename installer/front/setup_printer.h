// The install sequence and the default-printer selection it shares with the
// uninstall sequence.
#pragma once

#include <string>

/// Installs the printer (signed path on version code 9, the installer's own
/// path otherwise), adds the INF's folder to the source list, makes the
/// printer the default and broadcasts the change. Always returns 1.
int SetupPrinter(std::string inf_path, std::string printer_name, std::string model_list);

/// With `use_given_name` the given printer becomes the default; without it,
/// the first local printer. 1 only when the flag is clear and there is no
/// local printer, else 0.
int SelectDefaultPrinter(bool use_given_name, std::string printer_name);

/// Copies the first local printer's name into the 260-byte buffer; returns the
/// number of local printers, or -1 when the enumeration fails.
int GetFirstLocalPrinter(char* buffer);
