// The default printer of the simulated system and the user's profile
// entries (win.ini on Windows 9x, mapped into HKCU on NT).
//
//   SetDefaultPrinterA           WINSPOOL, by name
//   SetDefaultPrinterOrdinal202  WINSPOOL, ordinal 202: the same operation
//   WriteProfileStringA          KERNEL32, the user's profile
//
// The default printer is HKCU\Software\Microsoft\Windows NT\CurrentVersion
// \Windows value "Device" ("name,winspool,port"), which is also where
// WriteProfileStringA("windows", "device", ...) writes: on NT the [windows]
// section of win.ini is mapped to that key.
#include <string>
#include <string_view>

#include "platform/win32.h"
#include "platform/winsim/registry_store.h"
#include "platform/winsim/spooler_checks.h"
#include "platform/winsim/spooler_store.h"

namespace sp = winsim::spooler;
namespace rs = winsim::regstore;

namespace {

constexpr const char* kProfileRoot = "Software\\Microsoft\\Windows NT\\CurrentVersion";

// Sets the default printer; a NULL or empty name keeps the default there is,
// or, with none, takes the first printer in enumeration order.
DWORD SetDefault(const char* name) {
  winsim::Transaction tx(winsim::Transaction::kWrite);
  if (tx.status() != 0) return tx.status();
  sqlite3* db = tx.db();
  std::string chosen = sp::Text(name);
  if (chosen.empty()) {
    if (!sp::DefaultPrinterName(db).empty()) return 0;
    std::vector<std::string> names = sp::PrinterNames(db);
    if (names.empty()) return ERROR_INVALID_PRINTER_NAME;
    chosen = names.front();
  }
  sp::PrinterRecord printer;
  DWORD rc = sp::ReadPrinter(db, chosen, &printer);
  if (rc == 0) rc = sp::MakeDefault(db, printer);
  return rc != 0 ? rc : tx.Commit();
}

// Writes, or with a NULL value deletes, one profile entry of a section that
// is not [windows] "device". A NULL key deletes the whole section.
DWORD WriteProfileEntry(sqlite3* db, std::string_view section, const char* key, const char* value) {
  std::string path = std::string(kProfileRoot) + "\\" + std::string(section);
  int64_t id = 0;
  if (key == nullptr) {
    if (rs::FindKey(db, rs::kCurrentUser, path, &id) != 0) return 0;
    return rs::DeleteTree(db, id);
  }
  if (value == nullptr) {
    if (rs::FindKey(db, rs::kCurrentUser, path, &id) != 0) return 0;
    rs::Value existing;
    if (rs::GetValue(db, id, key, &existing) != 0) return 0;
    return rs::DeleteValue(db, id, key);
  }
  DWORD rc = rs::CreateKey(db, rs::kCurrentUser, path, &id);
  if (rc != 0) return rc;
  return rs::SetValue(db, id, key, REG_SZ, rs::SzData(value));
}

DWORD WriteProfile(const char* section, const char* key, const char* value) {
  winsim::Transaction tx(winsim::Transaction::kWrite);
  if (tx.status() != 0) return tx.status();
  DWORD rc = 0;
  bool device = sp::SameName(section, "windows") && key != nullptr && sp::SameName(key, "device");
  if (device) {
    rc = value == nullptr ? sp::ClearDefault(tx.db()) : sp::WriteDeviceEntry(tx.db(), value);
  } else {
    rc = WriteProfileEntry(tx.db(), section, key, value);
  }
  return rc != 0 ? rc : tx.Commit();
}

}  // namespace

extern "C" {

// ---- WINSPOOL.DRV SetDefaultPrinterA -----------------------------------------
// Native: an unknown printer is 1801 and changes nothing. A NULL or empty
// name leaves an existing default alone and otherwise picks the first
// printer. The Device entry names the printer as the spooler stores it.
BOOL WINAPI SetDefaultPrinterA(LPCSTR printer_name) {
  if (winsim::FaultInjected("SetDefaultPrinterA")) return FALSE;
  DWORD rc = SetDefault(printer_name);
  return rc == 0 ? TRUE : sp::Fail(rc);
}

// ---- WINSPOOL.DRV ordinal 202 ------------------------------------------------
// The unnamed export behind SetDefaultPrinterA on the systems the installer
// imports it from; it behaves the same.
BOOL WINAPI SetDefaultPrinterOrdinal202(LPCSTR printer_name) {
  if (winsim::FaultInjected("SetDefaultPrinterOrdinal202")) return FALSE;
  DWORD rc = SetDefault(printer_name);
  return rc == 0 ? TRUE : sp::Fail(rc);
}

// ---- KERNEL32.DLL WriteProfileStringA ----------------------------------------
// Native (NT): [windows] is mapped to ...\CurrentVersion\Windows, so
// "windows"/"device" is the Device value; other sections land in
// ...\CurrentVersion\<section>. A NULL value deletes the entry, a NULL key
// the section. A NULL section only flushes the profile cache: TRUE.
BOOL WINAPI WriteProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value) {
  if (winsim::FaultInjected("WriteProfileStringA")) return FALSE;
  if (section == nullptr) {
    return key == nullptr && value == nullptr ? TRUE : sp::Fail(ERROR_INVALID_PARAMETER);
  }
  // A section name becomes one registry key: it cannot be empty or hold a backslash.
  if (!sp::IsKeyName(section)) return sp::Fail(ERROR_INVALID_PARAMETER);
  DWORD rc = WriteProfile(section, key, value);
  return rc == 0 ? TRUE : sp::Fail(rc);
}

}  // extern "C"
