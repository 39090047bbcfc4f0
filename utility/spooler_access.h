// Spooler calls that several Ombrel operations share: listing the local
// printers into an owned block, and opening a printer by name.
#pragma once

#include "common/unique_handle.h"
#include "platform/win32.h"

namespace ombrel {

/// Lists the local printers at `level` (1 or 2) with the two-call sizing
/// protocol into a zero-filled GlobalAlloc block owned by `block`. False when
/// the second call (or the allocation) failed; the last error then says why.
bool EnumLocalPrinters(DWORD level, kit::UniqueGlobalMem* block, DWORD* count);

/// Opens the printer `name` (at most 259 characters) with `defaults` (may be
/// null). False, with the spooler's last error, when it cannot be opened.
bool OpenPrinterByName(LPCSTR name, PRINTER_DEFAULTSA* defaults, kit::UniquePrinter* printer);

}  // namespace ombrel
