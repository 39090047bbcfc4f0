// WINSPOOL printers of the simulated system: creating, opening, closing and
// deleting local printers.
//
//   AddPrinterA      level 2; returns a handle with full access
//   OpenPrinterA     with or without PRINTER_DEFAULTSA
//   ClosePrinter
//   DeletePrinter    needs the DELETE right; clears the default if it was it
#include "platform/win32.h"
#include "platform/winsim/spooler_checks.h"
#include "platform/winsim/spooler_listing.h"
#include "platform/winsim/spooler_pack.h"
#include "platform/winsim/spooler_store.h"

namespace sp = winsim::spooler;

namespace {

// Creates the printer inside one write transaction; 0 or the refusal.
DWORD CreatePrinter(const sp::PrinterRecord& record, bool make_default) {
  winsim::Transaction tx(winsim::Transaction::kWrite);
  if (tx.status() != 0) return tx.status();
  sqlite3* db = tx.db();
  DWORD rc = sp::EnsureDefaults(db);
  if (rc != 0) return rc;
  sp::PrinterRecord existing;
  if (sp::ReadPrinter(db, record.name, &existing) == 0) return ERROR_PRINTER_ALREADY_EXISTS;
  rc = sp::CheckPrinterReferences(db, record);
  if (rc != 0) return rc;
  // The printer's values delete the stored listing; it is written again
  // with the new printer, so that the next listing need not read them all.
  sp::ListingChange change(db);
  change.PrepareAddition();
  rc = sp::WritePrinter(db, record);
  if (rc == 0 && make_default) rc = sp::MakeDefault(db, record);
  if (rc != 0) return rc;
  change.Added(record);
  return change.Commit(tx);
}

}  // namespace

extern "C" {

// ---- WINSPOOL.DRV AddPrinterA ------------------------------------------------
// Native: the name must be unique without regard to case (1802), the driver
// installed (1797), every port of a pooled "A,B" list known (1796) and the
// print processor installed (1798). On Windows 9x a printer created with
// PRINTER_ATTRIBUTE_DEFAULT becomes the default printer; otherwise the
// default printer is left as it is.
HANDLE WINAPI AddPrinterA(LPSTR server, DWORD level, LPBYTE printer) {
  if (winsim::FaultInjected("AddPrinterA")) return nullptr;
  if (!sp::IsLocalServer(server)) {
    SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  if (level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return nullptr;
  }
  if (printer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(printer);
  if (!sp::IsValidPrinterName(info->pPrinterName)) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return nullptr;
  }
  sp::PrinterRecord record;
  sp::UnpackPrinter2(*info, &record);
  if (record.datatype.empty()) record.datatype = "RAW";
  bool make_default = sp::DefaultIsAnAttribute() && (info->Attributes & PRINTER_ATTRIBUTE_DEFAULT);
  DWORD rc = CreatePrinter(record, make_default);
  if (rc != 0) {
    SetLastError(rc);
    return nullptr;
  }
  return sp::NewPrinterHandle(record.name, PRINTER_ALL_ACCESS);
}

// ---- WINSPOOL.DRV OpenPrinterA -----------------------------------------------
// Native: no defaults, or defaults asking for no rights, grant
// PRINTER_ACCESS_USE; a data type the print processor does not know is
// refused (1804). *printer is NULL after a failure.
BOOL WINAPI OpenPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) {
  if (winsim::FaultInjected("OpenPrinterA")) return FALSE;
  if (printer == nullptr) return sp::Fail(ERROR_INVALID_PARAMETER);
  *printer = nullptr;
  // A NULL name opens the print server itself, which is not simulated.
  if (name == nullptr || !sp::IsKeyName(name)) return sp::Fail(ERROR_INVALID_PRINTER_NAME);
  if (defaults != nullptr && defaults->pDatatype != nullptr &&
      !sp::IsKnownDatatype(defaults->pDatatype)) {
    return sp::Fail(ERROR_INVALID_DATATYPE);
  }
  sp::PrinterRecord record;
  {
    winsim::Transaction tx(winsim::Transaction::kRead);
    if (tx.status() != 0) return sp::Fail(tx.status());
    DWORD rc = sp::ReadPrinter(tx.db(), name, &record);
    if (rc == 0) rc = tx.Commit();
    if (rc != 0) return sp::Fail(rc);
  }
  ACCESS_MASK access = sp::GrantedAccess(defaults ? defaults->DesiredAccess : 0);
  *printer = sp::NewPrinterHandle(record.name, access);
  return TRUE;
}

// ---- WINSPOOL.DRV ClosePrinter -----------------------------------------------
BOOL WINAPI ClosePrinter(HANDLE printer) {
  if (winsim::FaultInjected("ClosePrinter")) return FALSE;
  if (!winsim::CloseHandleOf(printer, winsim::HandleKind::kPrinter)) {
    return sp::Fail(ERROR_INVALID_HANDLE);
  }
  return TRUE;
}

// ---- WINSPOOL.DRV DeletePrinter ----------------------------------------------
// Native: needs the DELETE right (PRINTER_ALL_ACCESS holds it); the handle
// stays open until ClosePrinter. Deleting the default printer leaves the
// system without one.
BOOL WINAPI DeletePrinter(HANDLE printer) {
  if (winsim::FaultInjected("DeletePrinter")) return FALSE;
  sp::PrinterHandle* h = sp::LookupPrinter(printer);
  if (h == nullptr) return FALSE;
  if (!sp::HasAccess(h->access, sp::kDeleteAccess)) return sp::Fail(ERROR_ACCESS_DENIED);
  winsim::Transaction tx(winsim::Transaction::kWrite);
  if (tx.status() != 0) return sp::Fail(tx.status());
  // An uninstall lists the printers again after deleting: the listing is
  // mended rather than read anew.
  sp::ListingChange change(tx.db());
  sp::PrinterRecord record;
  DWORD rc = sp::ReadPrinter(tx.db(), h->name, &record);
  if (rc != 0) return sp::Fail(rc);
  bool was_default = sp::IsDefault(tx.db(), record.name);
  rc = sp::DeletePrinterKey(tx.db(), record.name);
  if (rc == 0 && was_default) rc = sp::ClearDefault(tx.db());
  if (rc == 0) {
    change.Deleted(record.name);
    rc = change.Commit(tx);
  }
  return rc == 0 ? TRUE : sp::Fail(rc);
}

}  // extern "C"
