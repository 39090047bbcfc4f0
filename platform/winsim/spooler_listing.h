// The local printers as the enumeration hands them out, read from the store
// once for as long as it stays unchanged: a caller lists the printers twice
// for every listing (once for the size, once for the records), and an
// uninstall lists them four times, deleting printers in between.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/winsim/spooler_store.h"

namespace winsim::spooler {

using PrinterList = std::shared_ptr<const std::vector<PrinterRecord>>;

/// Every local printer in enumeration order with the values that `level`
/// (1, 2, 4 or 5) reports. Reuses what the previous listing of this process
/// read, of this level or of level 2, while StoreVersion shows no change by
/// this process or any other; else reads it in one query. Needs the
/// caller's open transaction.
PrinterList ListPrinters(sqlite3* db, DWORD level);
/// The same for the values of `fields`.
PrinterList ListPrinters(sqlite3* db, PrinterFields fields);

/// True when some local printer uses the driver of that name (letter case
/// ignored); reads through the listing.
bool DriverInUse(sqlite3* db, std::string_view driver);

// This process's own changes move StoreVersion as well. The two calls below
// take `before` and `after`, StoreVersion just after the change's write
// transaction began and just before its commit, and are called once that
// transaction has committed: a listing read at `before` is mended and
// counts as read at `after`, so that it need not be read again; any other
// listing is read again when next needed.

/// The transaction deleted the printer `name` and changed no other printer.
void ForgetDeletedPrinter(std::string_view name, uint64_t before, uint64_t after);
/// The transaction changed no printer.
void KeepListings(uint64_t before, uint64_t after);

}  // namespace winsim::spooler
