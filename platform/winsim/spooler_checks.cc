#include "platform/winsim/spooler_checks.h"

#include <memory>

#include "platform/winsim/spooler_store.h"

namespace winsim::spooler {
namespace {

constexpr ACCESS_MASK kGenericRead = 0x80000000;
constexpr ACCESS_MASK kGenericWrite = 0x40000000;
constexpr ACCESS_MASK kGenericExecute = 0x20000000;
constexpr ACCESS_MASK kGenericAll = 0x10000000;

}  // namespace

PrinterHandle* LookupPrinter(HANDLE handle) {
  PrinterHandle* p = LookupHandleAs<PrinterHandle>(handle, HandleKind::kPrinter);
  if (p == nullptr) SetLastError(ERROR_INVALID_HANDLE);
  return p;
}

HANDLE NewPrinterHandle(const std::string& name, ACCESS_MASK access) {
  auto object = std::make_unique<PrinterHandle>();
  object->name = name;
  object->access = access;
  return NewHandle(HandleKind::kPrinter, std::move(object));
}

ACCESS_MASK GrantedAccess(ACCESS_MASK desired) {
  if (desired == 0) return PRINTER_ACCESS_USE;
  ACCESS_MASK granted = desired & ~(kGenericRead | kGenericWrite | kGenericExecute | kGenericAll);
  if (desired & kGenericAll) granted |= PRINTER_ALL_ACCESS;
  if (desired & (kGenericRead | kGenericWrite | kGenericExecute)) granted |= PRINTER_ACCESS_USE;
  return granted;
}

bool HasAccess(ACCESS_MASK granted, ACCESS_MASK needed) {
  if (Facts().version.platform_id != VER_PLATFORM_WIN32_NT) return true;
  return (granted & needed) == needed;
}

bool DefaultIsAnAttribute() { return Facts().version.platform_id != VER_PLATFORM_WIN32_NT; }

bool IsLocalServer(const char* server) {
  // Only the local machine is simulated; a named server is never reached.
  return server == nullptr || server[0] == '\0';
}

bool IsOurEnvironment(const char* environment) {
  return environment == nullptr || environment[0] == '\0' || SameName(environment, kEnvironment);
}

bool IsValidPrinterName(const char* name) {
  if (name == nullptr || name[0] == '\0') return false;
  std::string_view n(name);
  return FindAnsiChar(n, "\\,") == n.npos;
}

bool IsKnownDatatype(std::string_view datatype) {
  static const char* const kTypes[] = {
      "RAW", "RAW [FF appended]", "RAW [FF auto]", "NT EMF 1.003", "NT EMF 1.006",
      "NT EMF 1.007", "NT EMF 1.008", "TEXT",
  };
  for (const char* t : kTypes) {
    if (SameName(datatype, t)) return true;
  }
  return false;
}

DWORD CheckPrinterReferences(sqlite3* db, const PrinterRecord& r) {
  DriverRecord driver;
  if (ReadDriver(db, r.driver, &driver) != 0) return ERROR_UNKNOWN_PRINTER_DRIVER;
  if (!PortsExist(db, r.port)) return ERROR_UNKNOWN_PORT;
  // WinPrint is the one print processor of a fresh system.
  if (!SameName(r.print_processor, "WinPrint")) return ERROR_UNKNOWN_PRINTPROCESSOR;
  if (!r.datatype.empty() && !IsKnownDatatype(r.datatype)) return ERROR_INVALID_DATATYPE;
  return 0;
}

}  // namespace winsim::spooler
