// The installer's record of each printer it installs, under the
// manufacturer's key of HKEY_LOCAL_MACHINE:
//   Software\<manufacturer>\QXPrinter\Drivers\<printer name>   (value "OEMINF")
// The same QXPrinter key holds the port records (Port\USB, Port\PARALLEL)
// that another component writes. Registry key names ignore case, so the
// spellings "QXPrinter", "QXprinter" and "Qxprinter" below name one key.
#pragma once

#include <string>

#include "platform/win32.h"

/// Format of the record path (manufacturer, printer name) for creating the
/// record and for reading or writing its "OEMINF" value.
extern const char kDriverRecordFormat[];

/// Composes the record path into the 260-byte `path`; false (and `path`
/// left empty) when it would not fit.
bool ComposeDriverRecordPath(char (&path)[kMaxPath], const std::string& manufacturer,
                             const std::string& printer_name);

/// Creates the record afresh (an existing one, with its values, is deleted
/// first). Quotes are removed from the printer name. False when the path does
/// not fit 259 characters (the registry is then not touched) or the key could
/// not be created.
bool CreateDriverRecord(std::string printer_name, std::string manufacturer);

/// Deletes the record, then Drivers and QXPrinter while each has no subkey
/// left. Software\<manufacturer> always stays. Always true.
bool DeleteDriverRecord(std::string manufacturer, std::string printer_name);

/// True when the key below HKEY_LOCAL_MACHINE can be opened.
bool RegistryKeyExists(std::string key_path);

/// False when the key is missing or has no subkey; true otherwise, also when
/// the key cannot be examined (so that it is kept).
bool RegistryKeyHasSubKeys(std::string key_path);
