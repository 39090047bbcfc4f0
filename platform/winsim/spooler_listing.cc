#include "platform/winsim/spooler_listing.h"

#include <algorithm>
#include <iterator>

#include "platform/winsim/store.h"

namespace winsim::spooler {
namespace {

PrinterFields FieldsOf(DWORD level) {
  switch (level) {
    case 1: return PrinterFields::kLevel1;
    case 4: return PrinterFields::kLevel4;
    case 5: return PrinterFields::kLevel5;
    default: return PrinterFields::kAll;
  }
}

// What one listing read, and the state of the store it was read from.
struct Listing {
  uint64_t connection = 0;
  uint64_t version = 0;
  std::shared_ptr<std::vector<PrinterRecord>> printers;
  bool IsCurrent(uint64_t c, uint64_t v) const {
    return printers != nullptr && connection == c && version == v && v != 0;
  }
};

constexpr PrinterFields kEveryFields[] = {PrinterFields::kAll, PrinterFields::kLevel1,
                                          PrinterFields::kLevel4, PrinterFields::kLevel5,
                                          PrinterFields::kDriver};

// One per PrinterFields value. Used only inside a transaction, which holds
// the connection's lock, so no lock of its own is needed.
Listing& Slot(PrinterFields fields) {
  static Listing slots[std::size(kEveryFields)];
  return slots[static_cast<int>(fields)];
}

// Takes the printer out of a listing, in place unless a caller still holds
// the listing (then out of a copy, so that what the caller reads stays put).
// False when the listing does not hold it, so that it cannot be patched.
bool RemoveFrom(Listing* listing, std::string_view name) {
  auto& printers = listing->printers;
  auto found = std::find_if(printers->begin(), printers->end(),
                            [name](const PrinterRecord& r) { return SameName(r.name, name); });
  if (found == printers->end()) return false;
  if (printers.use_count() > 1) {
    size_t at = static_cast<size_t>(found - printers->begin());
    printers = std::make_shared<std::vector<PrinterRecord>>(*printers);
    found = printers->begin() + static_cast<std::ptrdiff_t>(at);
  }
  printers->erase(found);
  return true;
}

// Applies `mend` to every listing read at `before` and takes it as read at
// `after`; a listing that cannot be mended is dropped.
template <typename Mend>
void MendListings(uint64_t before, uint64_t after, Mend mend) {
  uint64_t connection = ConnectionSerial();
  for (PrinterFields f : kEveryFields) {
    Listing& slot = Slot(f);
    if (!slot.IsCurrent(connection, before)) continue;
    if (after != 0 && mend(&slot)) {
      slot.version = after;
    } else {
      slot.printers = nullptr;
    }
  }
}

}  // namespace

PrinterList ListPrinters(sqlite3* db, DWORD level) { return ListPrinters(db, FieldsOf(level)); }

PrinterList ListPrinters(sqlite3* db, PrinterFields fields) {
  uint64_t connection = ConnectionSerial();
  uint64_t version = StoreVersion(db);
  for (PrinterFields f : {fields, PrinterFields::kAll}) {
    if (Slot(f).IsCurrent(connection, version)) return Slot(f).printers;
  }
  Listing& slot = Slot(fields);
  slot.printers = std::make_shared<std::vector<PrinterRecord>>(ReadAllPrinters(db, fields));
  slot.connection = connection;
  slot.version = version;
  return slot.printers;
}

bool DriverInUse(sqlite3* db, std::string_view driver) {
  PrinterList printers = ListPrinters(db, PrinterFields::kDriver);
  return std::any_of(printers->begin(), printers->end(),
                     [driver](const PrinterRecord& r) { return SameName(r.driver, driver); });
}

void ForgetDeletedPrinter(std::string_view name, uint64_t before, uint64_t after) {
  MendListings(before, after, [name](Listing* listing) { return RemoveFrom(listing, name); });
}

void KeepListings(uint64_t before, uint64_t after) {
  MendListings(before, after, [](Listing*) { return true; });
}

}  // namespace winsim::spooler
