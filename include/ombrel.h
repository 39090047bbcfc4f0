/* ombrel.h: the five exports of Ombrel.dll, for setup programs in C and C++.
 *
 * Link with lib/libombrel.dll.a (mingw) or lib/Ombrel.lib (MSVC), or load
 * Ombrel.dll with LoadLibrary and look the names up with GetProcAddress;
 * lib/Ombrel.def lists names and ordinals (1 to 5, alphabetical).
 *
 * Every export is WINAPI (stdcall): three 32-bit arguments that it removes
 * itself, and a 32-bit int result. Strings are ANSI, NUL-terminated and read
 * only. A null string, or one longer than 259 characters, is refused with the
 * export's failure result (last error ERROR_INVALID_PARAMETER) and changes
 * nothing; OpenURL's address has no limit of its own (the shell's applies).
 * When the system's WINSPOOL.DRV cannot be loaded, the printer exports fail
 * as on a spooler error, with last error ERROR_MOD_NOT_FOUND. Where an
 * export reports a failure it shows a modal warning box with the system's
 * text for the error and the caption "Ombrel.Dll"; the call returns when the
 * user has closed it. The library keeps no state between calls and creates
 * no thread.
 */
#ifndef OMBREL_H
#define OMBREL_H

#include <windows.h>

#ifndef OMBREL_API
#define OMBREL_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Ordinal 1. 1 when a printer named printer_name can be opened, else 0.
 * Never shows a box.
 *   unused1, unused2  pass 0
 *   printer_name      the printer's name */
OMBREL_API int WINAPI IsPrinterInstalled(LONG_PTR unused1, LONG_PTR unused2, LPCSTR printer_name);

/* Ordinal 2. Makes a printer the default printer.
 *   unused        pass 0
 *   selector      0: the first local printer (returns 1 and changes nothing
 *                 when there is none; 0 after a box when the printers cannot
 *                 be listed); any other value: printer_name
 *   printer_name  the printer's name; read only when selector is not 0
 * Windows 2000 and later: the spooler's SetDefaultPrinterA, falling back to
 * the profile entry (result 1 when done, 0 when the printer cannot be opened);
 * Windows NT 4: the "windows"/"device" profile entry (same results); Windows
 * 95, 98 and Me: the printer's default attribute (result always 1, a box
 * when the attribute cannot be set). */
OMBREL_API int WINAPI MySetDefaultPrinter(LONG_PTR unused, LONG_PTR selector, LPCSTR printer_name);

/* Ordinal 3 (the name is spelt so). Gives every entry of a folder whose name
 * is longer than two characters the file attributes *attributes.
 *   unused      pass 0
 *   attributes  address of a FILE_ATTRIBUTE_* combination
 *   folder      the folder's path, without a trailing backslash
 * 1 when every entry received them; 0 when the folder cannot be searched or
 * holds no such entry (no box), or after a box when a change failed. A name
 * holding a comma is split at it; pieces that would name the folder itself,
 * its parent or a path (".", "..", "...", "a\b") are skipped. */
OMBREL_API int WINAPI MySetFilesAttibute(LONG_PTR unused, const DWORD *attributes, LPCSTR folder);

/* Ordinal 4. Opens an address (a URL or a file) with the shell's "open".
 *   unused1, unused2  pass 0
 *   address           what to open
 * 1 when the shell took it, else 0 after a box. */
OMBREL_API int WINAPI OpenURL(LONG_PTR unused1, LONG_PTR unused2, LPCSTR address);

/* Ordinal 5. Deletes every local printer that uses a driver, then the
 * driver, makes the first remaining printer the default and tells all
 * windows that the settings changed. A box for each printer that cannot be
 * opened for deletion and for a driver that cannot be deleted; a driver that
 * is not installed counts as removed. Always 0.
 *   passed_on    handed unchanged to MySetDefaultPrinter as its first argument
 *   unused       pass 0
 *   driver_name  the driver's name */
OMBREL_API int WINAPI UninstallPrinter(LONG_PTR passed_on, LONG_PTR unused, LPCSTR driver_name);

#ifdef __cplusplus
}
#endif

#endif /* OMBREL_H */
