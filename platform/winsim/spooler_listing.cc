#include "platform/winsim/spooler_listing.h"

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
  PrinterList printers;
  bool IsCurrent(uint64_t c, uint64_t v) const {
    return printers != nullptr && connection == c && version == v && v != 0;
  }
};

// One per PrinterFields value. Used only inside a transaction, which holds
// the connection's lock, so no lock of its own is needed.
Listing& Slot(PrinterFields fields) {
  static Listing slots[5];
  return slots[static_cast<int>(fields)];
}

}  // namespace

PrinterList ListPrinters(sqlite3* db, DWORD level) {
  PrinterFields fields = FieldsOf(level);
  uint64_t connection = ConnectionSerial();
  uint64_t version = StoreVersion(db);
  for (PrinterFields f : {fields, PrinterFields::kAll}) {
    if (Slot(f).IsCurrent(connection, version)) return Slot(f).printers;
  }
  Listing& slot = Slot(fields);
  slot.printers = std::make_shared<const std::vector<PrinterRecord>>(ReadAllPrinters(db, fields));
  slot.connection = connection;
  slot.version = version;
  return slot.printers;
}

}  // namespace winsim::spooler
