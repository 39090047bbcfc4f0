// Choosing the system's default printer, by the route that the running
// Windows version calls for.
#pragma once

#include "platform/win32.h"

namespace ombrel {

/// Number of local printers, with the first one's name (as the level-1
/// enumeration lists it) copied into `name` when there is one; -1 after the
/// error box when the printers cannot be listed.
int FindFirstLocalPrinter(char (&name)[kMaxPath]);

/// Windows 2000 and later: the spooler's SetDefaultPrinterA, loaded from the
/// system directory at run time. Its nonzero result, or else the result of
/// SetDefaultPrinterByProfile.
int SetDefaultPrinterBySpooler(LPCSTR printer_name);

/// Windows NT 4: writes "<name>,WINSPOOL,LPT1:" to the "windows"/"device"
/// profile entry. 1 when the printer exists and the entry was written, 0
/// when the printer cannot be opened (no message).
int SetDefaultPrinterByProfile(LPCSTR printer_name);

/// Windows 95, 98 and Me: adds PRINTER_ATTRIBUTE_DEFAULT to the printer's
/// attributes, keeping the others. 1 in every case; a failed read or write
/// of the printer record shows the error box.
int SetDefaultPrinterByAttribute(LPCSTR printer_name);

/// The route for a version code of GetWindowsVersion, applied to the name.
int SetDefaultPrinterForVersion(int version_code, LPCSTR printer_name);

}  // namespace ombrel
