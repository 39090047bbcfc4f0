// Spooler calls that several Ombrel operations share: opening a printer by
// name (the listing is kit::EnumLocalPrinters of common/local_printers.h).
#pragma once

#include "common/local_printers.h"
#include "common/unique_handle.h"
#include "platform/win32.h"

namespace ombrel {

using kit::EnumLocalPrinters;

/// Opens the printer `name` (at most 259 characters) with `defaults` (may be
/// null). False, with the spooler's last error, when it cannot be opened.
bool OpenPrinterByName(LPCSTR name, PRINTER_DEFAULTSA* defaults, kit::UniquePrinter* printer);

}  // namespace ombrel
