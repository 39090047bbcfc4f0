// The one way both deliverables tell the user of a failed system call.
#pragma once

#include "platform/win32.h"

/// Shows the system's text for `code` in a warning box (MB_OK |
/// MB_ICONWARNING, no owner) with `caption`. A code with no system text shows
/// "Unknown error <code> (0x<code in hex>)." so that the number is never lost.
void ShowLastErrorBox(DWORD code, const char* caption);
