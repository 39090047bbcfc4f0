// The installer's own install path: model lookup, files, driver, printer.
#pragma once

#include <string>

/// 1 when the printer was installed, 0 when a step failed. The printer name
/// still carries its command-line quotes.
int SetupUnsignedPrinter(std::string inf_path, std::string printer_name, std::string model_list);
