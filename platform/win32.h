// The one Win32 surface that the kit's operation code includes.
//
// On Windows it is the system's own headers. On the host it is the subset of
// the ANSI Win32 API that the kit uses, declared with the same names, types,
// constants and calling forms, and provided by the simulated system in
// platform/winsim. Nothing else in the operation code knows which build it is in.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <winspool.h>
#include <setupapi.h>
#include <shellapi.h>

#else
#include "platform/winsim/win32_host.h"
#endif

extern "C" {
/// The spooler's set-default-printer operation, which the installer imports
/// from WINSPOOL.DRV by ordinal 202 (no name is bound). One printer name in,
/// TRUE on success.
BOOL WINAPI SetDefaultPrinterOrdinal202(LPCSTR printer_name);
}

/// MAX_PATH counts the terminating NUL: a 260-byte buffer holds 259 characters.
constexpr unsigned kMaxPath = 260;
