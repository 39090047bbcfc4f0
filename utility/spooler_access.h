// Spooler calls that several Ombrel operations share: opening a printer by
// name (the listing is kit::EnumLocalPrinters of common/local_printers.h).
#pragma once

#include "common/local_printers.h"
#include "common/unique_handle.h"
#include "platform/win32.h"

namespace ombrel {

using kit::EnumLocalPrinters;

/// The spooler library's full path: the system directory and "WinSpool.drv".
/// False when the system directory is unknown or the path does not fit.
bool SpoolerLibraryPath(char (&path)[kMaxPath]);

/// Loads the spooler by its full path for the rest of an export, before its
/// first spooler call. The Windows build delay-loads WINSPOOL.DRV, and a
/// spooler that cannot be loaded would make the delay-load helper raise an
/// exception there, ending the calling setup program; held here, the
/// helper's own load finds it. False, with ERROR_MOD_NOT_FOUND as the last
/// error, when it cannot be loaded: the export then fails as on a spooler error.
bool HoldSpooler(kit::UniqueModule* spooler);

/// Opens the printer `name` (at most 259 characters) with `defaults` (may be
/// null). False, with the spooler's last error, when it cannot be opened.
bool OpenPrinterByName(LPCSTR name, PRINTER_DEFAULTSA* defaults, kit::UniquePrinter* printer);

}  // namespace ombrel
