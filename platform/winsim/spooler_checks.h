// What the functions of the simulated spooler share: the printer handle, the
// argument checks that WINSPOOL makes before it touches any state, and the
// BOOL/SetLastError exit.
#pragma once

#include <string>
#include <string_view>

#include "platform/winsim/store.h"
#include "platform/winsim/winsim.h"

namespace winsim::spooler {

/// The standard DELETE right; PRINTER_ALL_ACCESS includes it.
inline constexpr ACCESS_MASK kDeleteAccess = 0x00010000;

/// What an open printer handle stands for.
struct PrinterHandle : HandleObject {
  std::string name;     // as stored when the handle was opened
  ACCESS_MASK access = 0;  // the rights granted
};

/// The live printer handle behind `handle`, or nullptr (last error 6).
PrinterHandle* LookupPrinter(HANDLE handle);

/// Opens a new printer handle on `name` with the given rights.
HANDLE NewPrinterHandle(const std::string& name, ACCESS_MASK access);

/// The rights an OpenPrinterA request is granted: generic rights mapped to
/// printer rights, no request at all giving PRINTER_ACCESS_USE.
ACCESS_MASK GrantedAccess(ACCESS_MASK desired);

/// True when `granted` holds `needed`. Windows 95, 98 and Me have no access
/// control, so there every handle may do everything.
bool HasAccess(ACCESS_MASK granted, ACCESS_MASK needed);

/// True on Windows 95, 98 and Me, where PRINTER_ATTRIBUTE_DEFAULT marks the
/// default printer and setting it makes a printer the default. NT keeps the
/// default per user (the Device entry) and neither reports nor takes the bit.
bool DefaultIsAnAttribute();

/// True for NULL or "": the local machine, the only one simulated.
bool IsLocalServer(const char* server);

/// True for NULL, "" or "Windows NT x86" in any letter case.
bool IsOurEnvironment(const char* environment);

/// True for a printer name the spooler accepts: not empty, no backslash, no comma.
bool IsValidPrinterName(const char* name);

/// True for a data type that the WinPrint print processor handles.
bool IsKnownDatatype(std::string_view datatype);

struct PrinterRecord;

/// Checks what a printer description refers to: 0, ERROR_UNKNOWN_PRINTER_DRIVER,
/// ERROR_UNKNOWN_PORT, ERROR_UNKNOWN_PRINTPROCESSOR or ERROR_INVALID_DATATYPE.
DWORD CheckPrinterReferences(sqlite3* db, const PrinterRecord& record);

/// The text of a possibly-NULL string argument.
inline std::string Text(const char* s) { return s ? std::string(s) : std::string(); }

/// Sets the last error and returns FALSE, the exit of every failing call.
inline BOOL Fail(DWORD code) {
  SetLastError(code);
  return FALSE;
}

}  // namespace winsim::spooler
