// WINSPOOL printer descriptions of the simulated system.
//
//   EnumPrintersA   PRINTER_ENUM_LOCAL, levels 1, 2, 4 and 5, two-call sizing
//   GetPrinterA     levels 1, 2, 4 and 5, two-call sizing (3, 6-9: 124)
//   SetPrinterA     level 2 (command 0); level 0 pause, resume, purge
//
// The sizing protocol is that of Windows: with a block too small (or none)
// the call fails with ERROR_INSUFFICIENT_BUFFER and *needed holds the size
// that takes every record with its strings; with a block large enough the
// records fill its start and their strings its end.
#include <vector>

#include "platform/win32.h"
#include "platform/winsim/spooler_checks.h"
#include "platform/winsim/spooler_listing.h"
#include "platform/winsim/spooler_pack.h"
#include "platform/winsim/spooler_store.h"

namespace sp = winsim::spooler;

namespace {

constexpr DWORD kPrinterEnumName = 0x00000008;
constexpr DWORD kPrinterControlPause = 1;
constexpr DWORD kPrinterControlResume = 2;
constexpr DWORD kPrinterControlPurge = 3;
constexpr DWORD kPrinterStatusPaused = 0x00000001;

// True when the flags ask for this machine's own printers.
bool WantsLocalPrinters(DWORD flags, const char* name) {
  if (flags & PRINTER_ENUM_LOCAL) return true;
  return (flags & kPrinterEnumName) && sp::IsLocalServer(name);
}

// The local printers at `level`; `printers` keeps the records the views point at.
DWORD CollectLocalPrinters(DWORD level, sp::PrinterList* printers, std::vector<sp::PrinterView>* views) {
  winsim::Transaction tx(winsim::Transaction::kRead);
  if (tx.status() != 0) return tx.status();
  *printers = sp::ListPrinters(tx.db(), level);
  std::string default_name;
  if (sp::DefaultIsAnAttribute()) default_name = sp::DefaultPrinterName(tx.db());
  views->reserve((*printers)->size());
  for (const sp::PrinterRecord& record : **printers) {
    sp::PrinterView v;
    v.record = &record;
    v.is_default = !default_name.empty() && sp::SameName(default_name, record.name);
    views->push_back(v);
  }
  return tx.Commit();  // a read that joined a caller's transaction must not spoil it
}

// The second half of the sizing protocol, shared by EnumPrintersA and GetPrinterA.
// `need` is the size the call reports and asks for.
BOOL DeliverPrinters(DWORD level, const std::vector<sp::PrinterView>& views, DWORD need,
                     LPBYTE buffer, DWORD size, LPDWORD needed) {
  *needed = need;
  if (need == 0) return TRUE;
  if (size < need) return sp::Fail(ERROR_INSUFFICIENT_BUFFER);
  if (buffer == nullptr) return sp::Fail(ERROR_INVALID_PARAMETER);
  sp::PackPrinters(level, views, buffer, size);
  return TRUE;
}

// Applies a level-2 description, renaming the printer when it names another.
DWORD UpdatePrinter(sp::PrinterHandle* h, const PRINTER_INFO_2A& info) {
  winsim::Transaction tx(winsim::Transaction::kWrite);
  if (tx.status() != 0) return tx.status();
  sqlite3* db = tx.db();
  sp::PrinterRecord current;
  DWORD rc = sp::ReadPrinter(db, h->name, &current);
  if (rc != 0) return rc;
  sp::PrinterRecord updated = current;
  sp::UnpackPrinter2(info, &updated);
  updated.status = current.status;
  bool renamed = updated.name != current.name;
  if (renamed) {
    if (!sp::IsValidPrinterName(updated.name.c_str())) return ERROR_INVALID_PRINTER_NAME;
    sp::PrinterRecord other;
    if (!sp::SameName(updated.name, current.name) && sp::ReadPrinter(db, updated.name, &other) == 0) {
      return ERROR_PRINTER_ALREADY_EXISTS;
    }
  }
  rc = sp::CheckPrinterReferences(db, updated);
  if (rc != 0) return rc;
  bool was_default = sp::IsDefault(db, current.name);
  if (renamed) rc = sp::DeletePrinterKey(db, current.name);
  if (rc == 0) rc = sp::WritePrinter(db, updated);
  bool make_default = (sp::DefaultIsAnAttribute() && (info.Attributes & PRINTER_ATTRIBUTE_DEFAULT)) ||
                      (renamed && was_default);
  if (rc == 0 && make_default) rc = sp::MakeDefault(db, updated);
  if (rc == 0) rc = tx.Commit();
  if (rc == 0) h->name = updated.name;
  return rc;
}

DWORD ControlPrinter(sp::PrinterHandle* h, DWORD command) {
  if (command != kPrinterControlPause && command != kPrinterControlResume &&
      command != kPrinterControlPurge) {
    return ERROR_INVALID_PRINTER_COMMAND;
  }
  winsim::Transaction tx(winsim::Transaction::kWrite);
  if (tx.status() != 0) return tx.status();
  sp::PrinterRecord r;
  DWORD rc = sp::ReadPrinter(tx.db(), h->name, &r);
  if (rc != 0) return rc;
  if (command == kPrinterControlPause) r.status |= kPrinterStatusPaused;
  if (command == kPrinterControlResume) r.status &= ~kPrinterStatusPaused;
  // Purge: no jobs are ever queued here, so there is nothing to remove.
  rc = sp::WritePrinter(tx.db(), r);
  return rc != 0 ? rc : tx.Commit();
}

}  // namespace

extern "C" {

// ---- WINSPOOL.DRV EnumPrintersA ----------------------------------------------
// Native: local printers in name order without regard to case; no printers
// at all is success with *needed 0, *returned 0 and the last error 0. Connections to other
// machines are never listed (none are simulated). Levels 1, 2, 4 and 5, the
// ones Microsoft's page lists; any other fails with ERROR_INVALID_LEVEL.
BOOL WINAPI EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size,
                          LPDWORD needed, LPDWORD returned) {
  if (winsim::FaultInjected("EnumPrintersA")) return FALSE;
  if (needed == nullptr || returned == nullptr) return sp::Fail(ERROR_INVALID_PARAMETER);
  *needed = 0;
  *returned = 0;
  if (!sp::IsPrinterInfoLevel(level)) return sp::Fail(ERROR_INVALID_LEVEL);
  sp::PrinterList printers;
  std::vector<sp::PrinterView> views;
  if (WantsLocalPrinters(flags, name)) {
    DWORD rc = CollectLocalPrinters(level, &printers, &views);
    if (rc != 0) return sp::Fail(rc);
  }
  // Windows' A call asks for the size of the Unicode records it converts
  // from, never less (Wine's winspool.drv/tests/info.c: EnumPrintersA's
  // *needed equals EnumPrintersW's).
  if (!DeliverPrinters(level, views, sp::UnicodeSize(level, views), buffer, size, needed)) {
    return FALSE;
  }
  *returned = static_cast<DWORD>(views.size());
  // No printers is success with the last error 0 (the same tests).
  if (views.empty()) SetLastError(ERROR_SUCCESS);
  return TRUE;
}

// ---- WINSPOOL.DRV GetPrinterA ------------------------------------------------
// Native (Windows 9x): the default printer's record carries PRINTER_ATTRIBUTE_DEFAULT.
// Levels 1, 2, 4 and 5; Windows also has 3 and 6-9 (security descriptor,
// status, directory, device modes), which are not simulated: 124.
BOOL WINAPI GetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) {
  if (winsim::FaultInjected("GetPrinterA")) return FALSE;
  sp::PrinterHandle* h = sp::LookupPrinter(printer);
  if (h == nullptr) return FALSE;
  if (needed == nullptr) return sp::Fail(ERROR_INVALID_PARAMETER);
  *needed = 0;
  if (!sp::IsPrinterInfoLevel(level)) return sp::Fail(ERROR_INVALID_LEVEL);
  sp::PrinterRecord record;
  std::vector<sp::PrinterView> views(1);
  views[0].record = &record;
  {
    winsim::Transaction tx(winsim::Transaction::kRead);
    if (tx.status() != 0) return sp::Fail(tx.status());
    DWORD rc = sp::ReadPrinter(tx.db(), h->name, &record);
    if (rc != 0) return sp::Fail(rc);
    views[0].is_default = sp::DefaultIsAnAttribute() && sp::IsDefault(tx.db(), record.name);
    rc = tx.Commit();
    if (rc != 0) return sp::Fail(rc);
  }
  return DeliverPrinters(level, views, sp::PackedSize(level, views), buffer, size, needed);
}

// ---- WINSPOOL.DRV SetPrinterA ------------------------------------------------
// Native: needs PRINTER_ACCESS_ADMINISTER. Level 2 stores the description's
// names, attributes, priorities and times (the status is the spooler's own).
// On Windows 9x PRINTER_ATTRIBUTE_DEFAULT makes the printer the default
// printer. A new name renames the printer.
BOOL WINAPI SetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD command) {
  if (winsim::FaultInjected("SetPrinterA")) return FALSE;
  sp::PrinterHandle* h = sp::LookupPrinter(printer);
  if (h == nullptr) return FALSE;
  if (level != 0 && level != 2) return sp::Fail(ERROR_INVALID_LEVEL);
  if (!sp::HasAccess(h->access, PRINTER_ACCESS_ADMINISTER)) return sp::Fail(ERROR_ACCESS_DENIED);
  DWORD rc = 0;
  if (level == 0) {
    rc = ControlPrinter(h, command);
  } else if (command != 0) {
    rc = ERROR_INVALID_PRINTER_COMMAND;
  } else if (buffer == nullptr) {
    rc = ERROR_INVALID_PARAMETER;
  } else {
    rc = UpdatePrinter(h, *reinterpret_cast<const PRINTER_INFO_2A*>(buffer));
  }
  return rc == 0 ? TRUE : sp::Fail(rc);
}

}  // extern "C"
