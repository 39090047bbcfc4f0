// The five functions that Ombrel exports to a setup script.
//
// Each takes three 32-bit arguments on the stack, removes them itself
// (WINAPI) and returns a 32-bit signed int. Arguments that are only ever
// values are LONG_PTR and the others are pointers: on i686 both are 4 bytes,
// so the stack layout is exactly three 32-bit words, while on the host the
// same declarations carry native pointers. A caller that passes an address
// where a value is expected (the selector of MySetDefaultPrinter) still works
// in both builds. Every string is read only; a null string, or one of 260
// bytes or more, is refused with the export's failure result and changes
// nothing.
#pragma once

#include "platform/win32.h"

extern "C" {

/// 1 when a printer of that name can be opened, else 0. Never shows a box.
int WINAPI IsPrinterInstalled(LONG_PTR unused1, LONG_PTR unused2, LPCSTR printer_name);

/// Makes a printer the default one: the first local printer when `selector`
/// is 0 (1 and no change when there is none, 0 when the printers cannot be
/// listed), else `printer_name`. Otherwise the result of the route that the
/// Windows version calls for.
int WINAPI MySetDefaultPrinter(LONG_PTR unused, LONG_PTR selector, LPCSTR printer_name);

/// Gives every entry of `folder` whose name is longer than two characters the
/// attributes `*attributes`. 1 when all were set, else 0.
int WINAPI MySetFilesAttibute(LONG_PTR unused, const DWORD* attributes, LPCSTR folder);

/// Hands `address` to the shell's "open" action. 1 when the shell took it,
/// else 0 (after the error box).
int WINAPI OpenURL(LONG_PTR unused1, LONG_PTR unused2, LPCSTR address);

/// Deletes every local printer of `driver_name` and the driver, then makes
/// the first remaining printer the default (passing `passed_on` along) and
/// broadcasts the settings change. Always 0.
int WINAPI UninstallPrinter(LONG_PTR passed_on, LONG_PTR unused, LPCSTR driver_name);

}  // extern "C"
