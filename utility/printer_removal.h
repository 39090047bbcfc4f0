// Taking a printer driver and every local printer that uses it off the system.
#pragma once

#include "platform/win32.h"

namespace ombrel {

/// Deletes every local printer whose driver name equals `driver_name` byte
/// for byte, in the spooler's enumeration order; a printer that cannot be
/// opened gets the error box and the walk goes on. 0 (after the error box)
/// when the printers cannot be listed, else 1.
int RemovePrintersUsingDriver(LPCSTR driver_name);

/// Opens the printer with full access and asks the spooler to delete it.
/// 1 when it was opened, 0 after the error box when it was not.
int RemovePrinterByName(LPCSTR printer_name);

/// Deletes the driver from this computer's current environment. 1 when it
/// was deleted or was not installed (1797), else 0 after the error box.
int RemoveDriverByName(LPCSTR driver_name);

}  // namespace ombrel
