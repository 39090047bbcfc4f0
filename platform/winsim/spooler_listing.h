// The local printers as the enumeration hands them out, read from the store
// once for as long as it stays unchanged: a caller lists the printers twice
// for every listing (once for the size, once for the records), and an
// uninstall lists them four times.
#pragma once

#include <memory>
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

}  // namespace winsim::spooler
