// The print spooler's state, kept in the simulated registry where Windows
// keeps it:
//   HKLM\SYSTEM\CurrentControlSet\Control\Print\Environments\Windows NT x86
//        \Drivers\Version-3\<driver>       one key per installed driver
//   HKLM\SYSTEM\CurrentControlSet\Control\Print\Printers\<printer>
//   HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors\Local Port\Ports
//   HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows  "Device"
// Every function runs inside the caller's open Transaction; names are matched
// without regard to letter case, as the spooler does.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/winsim/store.h"

namespace winsim::spooler {

/// The only environment this simulated spooler serves.
inline constexpr const char* kEnvironment = "Windows NT x86";
/// The driver version of user-mode drivers (NT 5 and later); its key and its
/// files' directory hold every driver this spooler registers.
inline constexpr DWORD kDriverVersion = 3;

/// The optional strings of a driver description, as bits of
/// DriverRecord::null_fields: a member the caller gave as NULL (or that its
/// info level lacks) is stored as no value at all, one given as "" as an
/// empty value, so that a reader can tell the two apart.
enum DriverField : DWORD {
  kHelpFileField = 1u << 0,
  kDependentFilesField = 1u << 1,
  kMonitorField = 1u << 2,
  kDatatypeField = 1u << 3,
  kPreviousNamesField = 1u << 4,
  kManufacturerField = 1u << 5,
  kOemUrlField = 1u << 6,
  kHardwareIdField = 1u << 7,
  kProviderField = 1u << 8,
};

struct PrinterRecord {
  std::string name;
  std::string share_name;
  std::string port;
  std::string driver;
  std::string comment;
  std::string location;
  std::string separator_file;
  std::string print_processor;
  std::string datatype;
  std::string parameters;
  DWORD attributes = 0;  // never holds PRINTER_ATTRIBUTE_DEFAULT: see IsDefault
  DWORD priority = 0;
  DWORD default_priority = 0;
  DWORD start_time = 0;
  DWORD until_time = 0;
  DWORD status = 0;
};

struct DriverRecord {
  std::string name;
  DWORD version = kDriverVersion;
  std::string driver_file;
  std::string data_file;
  std::string config_file;
  std::string help_file;
  std::vector<std::string> dependent_files;  // unbounded: a kit may name dozens
  std::string monitor;
  std::string datatype;
  std::vector<std::string> previous_names;
  std::string manufacturer;
  std::string oem_url;
  std::string hardware_id;
  std::string provider;
  DWORD null_fields = 0;      // DriverField bits of the members given as NULL
  uint64_t driver_date = 0;   // FILETIME of the INF's DriverVer, as given
  uint64_t driver_version = 0;
  DWORD copy_flags = 0;       // dwFileCopyFlags of the call that registered it
  bool IsNull(DriverField f) const { return (null_fields & f) != 0; }
};

/// True for a name the registry can hold as one key: not empty, no backslash.
bool IsKeyName(std::string_view name);

/// Seeds the local ports (LPT1:-LPT3:, COM1:-COM4:, FILE:, USB001-USB008)
/// and the empty Printers, Version-3 and user's Windows keys when the Ports
/// key is missing.
/// Needs a write transaction. 0 or a store error.
DWORD EnsureDefaults(sqlite3* db);

/// True when the Ports key exists (EnsureDefaults has nothing to do). Needs
/// no write lock, so a process that opens the store need not wait for one.
bool HasDefaults(sqlite3* db);

// ---- printers ----------------------------------------------------------------

/// The Printers key, whose subkeys are the printers; false when it is missing.
bool FindPrintersKey(sqlite3* db, int64_t* id);
/// Printer names as stored, in case-insensitive name order.
std::vector<std::string> PrinterNames(sqlite3* db);
/// Reads a printer; ERROR_INVALID_PRINTER_NAME when there is none of that name.
DWORD ReadPrinter(sqlite3* db, std::string_view name, PrinterRecord* record);
/// The values of each printer a reader needs (besides its name, the key's).
enum class PrinterFields {
  kAll,     // level 2, and whoever needs the whole record
  kLevel1,  // driver, location, comment
  kLevel4,  // attributes
  kLevel5,  // port, attributes
  kDriver,  // the driver alone
};
/// Every printer, in enumeration order, read in one indexed query; members
/// outside `fields` keep their defaults.
std::vector<PrinterRecord> ReadAllPrinters(sqlite3* db, PrinterFields fields = PrinterFields::kAll);
/// Creates the printer's key (named record.name) or overwrites its values.
DWORD WritePrinter(sqlite3* db, const PrinterRecord& record);
/// Deletes a printer's key with everything below it.
DWORD DeletePrinterKey(sqlite3* db, std::string_view name);

// ---- drivers -----------------------------------------------------------------

std::vector<std::string> DriverNames(sqlite3* db);
/// Reads a driver; ERROR_UNKNOWN_PRINTER_DRIVER when it is not installed.
DWORD ReadDriver(sqlite3* db, std::string_view name, DriverRecord* record);
DWORD WriteDriver(sqlite3* db, const DriverRecord& record);
DWORD DeleteDriverKey(sqlite3* db, std::string_view name);
/// Every file a driver names (driver, data, config, help, dependents), each
/// once: two spellings that open the same file count as one.
std::vector<std::string> DriverFiles(const DriverRecord& record);

// ---- ports -------------------------------------------------------------------

/// True when every comma-separated port of `ports` is a known local port.
bool PortsExist(sqlite3* db, std::string_view ports);
std::vector<std::string> PortNames(sqlite3* db);

// ---- default printer -------------------------------------------------------

/// The "Device" value ("name,winspool,port"); empty when there is none.
std::string DeviceEntry(sqlite3* db);
/// The printer part of the Device value (up to its first comma).
std::string DefaultPrinterName(sqlite3* db);
/// True when `name` is the default printer (letter case ignored).
bool IsDefault(sqlite3* db, std::string_view name);
/// Writes the Device value as given.
DWORD WriteDeviceEntry(sqlite3* db, std::string_view entry);
/// Makes the printer the default: Device = "name,winspool,port".
DWORD MakeDefault(sqlite3* db, const PrinterRecord& printer);
/// Removes the Device value (absent already is fine).
DWORD ClearDefault(sqlite3* db);

/// Case-insensitive equality of spooler names (ASCII and Latin-1 letters).
bool SameName(std::string_view a, std::string_view b);

}  // namespace winsim::spooler

namespace winsim {
/// Seeds the spooler's defaults in a write transaction of its own (joins an
/// open one). Safe to call at any time; the root's creation may call it.
DWORD EnsureSpoolerDefaults();
}  // namespace winsim
