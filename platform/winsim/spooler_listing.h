// The local printers as the enumeration hands them out, read from the store
// once for as long as it stays unchanged: a caller lists the printers twice
// for every listing (once for the size, once for the records), and an
// uninstall lists them four times, deleting printers in between.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/winsim/spooler_store.h"
#include "platform/winsim/store.h"

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

/// This process's own change of the printers in one write transaction, as
/// the listings see it: made right after the transaction began, told what
/// the change did once it is made (before the commit), and kept after a
/// successful Commit. A listing that was current when the transaction began
/// is then mended instead of read again, here and in the store
/// (spooler_listing_store.h); without Keep, every listing is read again
/// when next needed, since the change moved StoreVersion.
class ListingChange {
 public:
  explicit ListingChange(sqlite3* db);
  ListingChange(const ListingChange&) = delete;
  ListingChange& operator=(const ListingChange&) = delete;

  /// Before the printer of an addition is written, which deletes the
  /// stored listing: takes that listing to mend if the process has none.
  void PrepareAddition();
  /// The transaction added this printer (as written) and changed no other.
  void Added(const PrinterRecord& record);
  /// The transaction deleted the printer `name` and changed no other.
  void Deleted(std::string_view name);
  /// The transaction changed no printer.
  void NoPrinterChanged();
  /// Commits the transaction and, when that succeeded, keeps the mended
  /// listings; 0 or the commit's Win32 error.
  DWORD Commit(Transaction& tx);

 private:
  void Mended();
  void Keep();

  sqlite3* db_;
  uint64_t before_ = 0;
  uint64_t after_ = 0;
  bool all_slots_ = false;  // every listing stays good, not only the whole one
  std::shared_ptr<std::vector<PrinterRecord>> whole_;  // every value, mended
  std::string stored_bytes_;  // the stored listing, for an addition
  bool has_stored_bytes_ = false;
};

}  // namespace winsim::spooler
