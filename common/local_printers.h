// Listing the local printers with the spooler's two-call sizing protocol,
// as both deliverables do.
#pragma once

#include "common/unique_handle.h"
#include "platform/win32.h"

namespace kit {

/// Lists the local printers at `level` (1 or 2) into a zero-filled
/// GlobalAlloc block owned by `block`: first the size, then the records.
/// False when the second call (or the allocation) failed; the last error then
/// says why.
bool EnumLocalPrinters(DWORD level, UniqueGlobalMem* block, DWORD* count);

}  // namespace kit
