#include "platform/winsim/spooler_listing.h"

#include <algorithm>
#include <iterator>

#include "platform/winsim/registry_store.h"
#include "platform/winsim/spooler_listing_store.h"
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

// Takes a listing out of its slot to be mended in place, or a copy of it
// while a caller still reads it.
std::shared_ptr<std::vector<PrinterRecord>> TakeListing(Listing* slot) {
  auto printers = std::move(slot->printers);
  if (printers.use_count() > 1) printers = std::make_shared<std::vector<PrinterRecord>>(*printers);
  return printers;
}

}  // namespace

PrinterList ListPrinters(sqlite3* db, DWORD level) { return ListPrinters(db, FieldsOf(level)); }

PrinterList ListPrinters(sqlite3* db, PrinterFields fields) {
  uint64_t connection = ConnectionSerial();
  uint64_t version = StoreVersion(db);
  for (PrinterFields f : {fields, PrinterFields::kAll}) {
    if (Slot(f).IsCurrent(connection, version)) return Slot(f).printers;
  }
  auto stored = std::make_shared<std::vector<PrinterRecord>>();
  if (ReadStoredListing(db, stored.get())) fields = PrinterFields::kAll;
  else *stored = ReadAllPrinters(db, fields);
  Listing& slot = Slot(fields);
  slot.printers = std::move(stored);
  slot.connection = connection;
  slot.version = version;
  return slot.printers;
}

bool DriverInUse(sqlite3* db, std::string_view driver) {
  PrinterList printers = ListPrinters(db, PrinterFields::kDriver);
  return std::any_of(printers->begin(), printers->end(),
                     [driver](const PrinterRecord& r) { return SameName(r.driver, driver); });
}

ListingChange::ListingChange(sqlite3* db) : db_(db), before_(StoreVersion(db)) {}

void ListingChange::PrepareAddition() {
  // A process that has listed nothing (an install) mends the stored bytes
  // without taking them apart.
  if (!Slot(PrinterFields::kAll).IsCurrent(ConnectionSerial(), before_)) {
    has_stored_bytes_ = ReadStoredListingBytes(db_, &stored_bytes_);
  }
}

void ListingChange::Added(const PrinterRecord& record) {
  Listing& whole = Slot(PrinterFields::kAll);
  if (whole.IsCurrent(ConnectionSerial(), before_)) {
    whole_ = TakeListing(&whole);
    auto place = std::upper_bound(whole_->begin(), whole_->end(), record,
                                  [](const PrinterRecord& a, const PrinterRecord& b) {
                                    return regstore::ListedBefore(a.name, b.name);
                                  });
    whole_->insert(place, record);
  } else if (has_stored_bytes_ && AddToListingBytes(record, &stored_bytes_)) {
    StoreListingBytes(db_, stored_bytes_);
  }
  Mended();
}

void ListingChange::Deleted(std::string_view name) {
  Listing& whole = Slot(PrinterFields::kAll);
  if (whole.IsCurrent(ConnectionSerial(), before_)) whole_ = TakeListing(&whole);
  if (whole_ != nullptr) {
    auto found = std::find_if(whole_->begin(), whole_->end(),
                              [name](const PrinterRecord& r) { return SameName(r.name, name); });
    if (found != whole_->end()) whole_->erase(found);
    else whole_ = nullptr;  // not what the store held: read it again
  }
  Mended();
}

void ListingChange::NoPrinterChanged() {
  all_slots_ = true;
  Mended();
}

// The store's listing is written again (the change deleted it), and the
// version it now has taken, both inside the transaction.
void ListingChange::Mended() {
  if (whole_ != nullptr) StoreListing(db_, *whole_);
  after_ = StoreVersion(db_);
}

DWORD ListingChange::Commit(Transaction& tx) {
  DWORD rc = tx.Commit();
  if (rc == 0) Keep();
  return rc;
}

void ListingChange::Keep() {
  if (after_ == 0) return;
  uint64_t connection = ConnectionSerial();
  for (PrinterFields f : kEveryFields) {
    Listing& slot = Slot(f);
    if (all_slots_ && slot.IsCurrent(connection, before_)) slot.version = after_;
  }
  if (whole_ != nullptr) {
    Listing& whole = Slot(PrinterFields::kAll);
    whole.printers = std::move(whole_);
    whole.connection = connection;
    whole.version = after_;
  }
}

}  // namespace winsim::spooler
