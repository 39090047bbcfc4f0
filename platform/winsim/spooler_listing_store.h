// The printers' listing kept in the store beside their registry keys: every
// printer with all its values in one record, so that a process lists a
// thousand printers by reading one value instead of sixteen thousand. The
// store's triggers delete it with any change of a printer, by anyone; the
// spooler's own additions and deletions write it again, mended.
#pragma once

#include <string>
#include <vector>

#include "platform/winsim/spooler_store.h"

namespace winsim::spooler {

/// The stored listing (every printer in enumeration order with all its
/// values), when there is one. Needs the caller's open transaction.
bool ReadStoredListing(sqlite3* db, std::vector<PrinterRecord>* printers);
/// The same as its stored bytes, to be mended without being taken apart.
bool ReadStoredListingBytes(sqlite3* db, std::string* bytes);

/// Stores `printers`, which must be every printer as the store holds them in
/// the caller's write transaction, with all their values. A write that fails
/// leaves no listing, which is as good: the values are read then.
void StoreListing(sqlite3* db, const std::vector<PrinterRecord>& printers);
/// The same for the bytes of a listing.
void StoreListingBytes(sqlite3* db, const std::string& bytes);

/// Adds the printer to the bytes of a listing in its place in enumeration
/// order; false (the bytes unchanged) when they are no listing.
bool AddToListingBytes(const PrinterRecord& record, std::string* bytes);

}  // namespace winsim::spooler
