#include "platform/winsim/spooler_listing_store.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "platform/winsim/registry_store.h"

namespace winsim::spooler {
namespace {

// The bytes of a listing: a format byte (a later layout tells an older
// listing apart and ignores it), the number of records, then each record:
// its strings, each as its length and its bytes, then its numbers. Numbers
// and lengths are written 7 bits to a byte, low bits first, the top bit
// saying that more follow: most take one byte, which keeps the listing a
// third the size that fixed 4-byte numbers would, and the store writes it
// again with every addition and deletion.
constexpr char kFormat = 2;
constexpr std::string PrinterRecord::*kTexts[] = {
    &PrinterRecord::name,           &PrinterRecord::share_name,      &PrinterRecord::port,
    &PrinterRecord::driver,         &PrinterRecord::comment,         &PrinterRecord::location,
    &PrinterRecord::separator_file, &PrinterRecord::print_processor, &PrinterRecord::datatype,
    &PrinterRecord::parameters,
};
constexpr DWORD PrinterRecord::*kNumbers[] = {
    &PrinterRecord::attributes, &PrinterRecord::priority,   &PrinterRecord::default_priority,
    &PrinterRecord::start_time, &PrinterRecord::until_time, &PrinterRecord::status,
};

void PutNumber(uint32_t n, std::string* out) {
  while (n >= 0x80) {
    *out += static_cast<char>(0x80 | (n & 0x7F));
    n >>= 7;
  }
  *out += static_cast<char>(n);
}

void PutRecord(const PrinterRecord& r, std::string* out) {
  for (auto text : kTexts) {
    PutNumber(static_cast<uint32_t>((r.*text).size()), out);
    *out += r.*text;
  }
  for (auto number : kNumbers) PutNumber(r.*number, out);
}

// Walks the bytes of a listing, refusing any that do not add up.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : all_(bytes), rest_(bytes) {}
  bool Header(uint32_t* count) {
    if (rest_.empty() || rest_[0] != kFormat) return false;
    rest_.remove_prefix(1);
    return Number(count);
  }
  bool Record(PrinterRecord* r) {
    for (auto text : kTexts) {
      std::string_view t;
      if (!Text(&t)) return false;
      (r->*text).assign(t);
    }
    for (auto number : kNumbers) {
      uint32_t n = 0;
      if (!Number(&n)) return false;
      r->*number = n;
    }
    return true;
  }
  /// Skips a record, handing out its name.
  bool Skip(std::string_view* name) {
    std::string_view ignored;
    if (!Text(name)) return false;
    for (size_t i = 1; i < std::size(kTexts); ++i)
      if (!Text(&ignored)) return false;
    uint32_t n = 0;
    for (size_t i = 0; i < std::size(kNumbers); ++i)
      if (!Number(&n)) return false;
    return true;
  }
  size_t Offset() const { return all_.size() - rest_.size(); }
  bool AtEnd() const { return rest_.empty(); }

 private:
  bool Number(uint32_t* n) {
    *n = 0;
    for (int shift = 0; shift < 32 && !rest_.empty(); shift += 7) {
      auto byte = static_cast<unsigned char>(rest_[0]);
      rest_.remove_prefix(1);
      *n |= static_cast<uint32_t>(byte & 0x7F) << shift;
      if ((byte & 0x80) == 0) return shift < 28 || byte < 0x10;  // no bits past 32
    }
    return false;
  }
  bool Text(std::string_view* text) {
    uint32_t n = 0;
    if (!Number(&n) || rest_.size() < n) return false;
    *text = rest_.substr(0, n);
    rest_.remove_prefix(n);
    return true;
  }
  std::string_view all_;
  std::string_view rest_;
};

bool DecodeListing(std::string_view bytes, std::vector<PrinterRecord>* printers) {
  Reader reader(bytes);
  uint32_t count = 0;
  if (!reader.Header(&count)) return false;
  // Every record takes a byte at least for each of its lengths and numbers:
  // a count that the bytes cannot hold reserves no more than they can.
  constexpr size_t kSmallestRecord = std::size(kTexts) + std::size(kNumbers);
  printers->clear();
  printers->reserve(std::min<size_t>(count, bytes.size() / kSmallestRecord));
  for (uint32_t i = 0; i < count; ++i) {
    printers->emplace_back();
    if (!reader.Record(&printers->back())) return false;
  }
  return reader.AtEnd();
}

// Calls `use` with the stored listing's bytes while the query holds them.
template <typename Use>
bool WithStoredBytes(sqlite3* db, Use use) {
  int64_t key = 0;
  if (!FindPrintersKey(db, &key)) return false;
  Statement s(db, "SELECT records FROM key_listings WHERE parent = ?1");
  s.Bind(1, key);
  if (s.Step() != SQLITE_ROW) return false;
  const char* bytes = static_cast<const char*>(sqlite3_column_blob(s.Raw(), 0));
  int size = sqlite3_column_bytes(s.Raw(), 0);
  return bytes != nullptr && use(std::string_view(bytes, static_cast<size_t>(size)));
}

}  // namespace

bool ReadStoredListing(sqlite3* db, std::vector<PrinterRecord>* printers) {
  return WithStoredBytes(db, [printers](std::string_view bytes) { return DecodeListing(bytes, printers); });
}

bool ReadStoredListingBytes(sqlite3* db, std::string* out) {
  return WithStoredBytes(db, [out](std::string_view bytes) {
    out->assign(bytes);
    return true;
  });
}

void StoreListing(sqlite3* db, const std::vector<PrinterRecord>& printers) {
  std::string bytes(1, kFormat);
  PutNumber(static_cast<uint32_t>(printers.size()), &bytes);
  for (const PrinterRecord& r : printers) PutRecord(r, &bytes);
  StoreListingBytes(db, bytes);
}

void StoreListingBytes(sqlite3* db, const std::string& bytes) {
  int64_t key = 0;
  if (!FindPrintersKey(db, &key)) return;
  Statement s(db, "INSERT OR REPLACE INTO key_listings(parent, records) VALUES(?1, ?2)");
  s.Bind(1, key).BindBlob(2, bytes);
  s.Step();
}

bool AddToListingBytes(const PrinterRecord& record, std::string* bytes) {
  Reader reader(*bytes);
  uint32_t count = 0;
  if (!reader.Header(&count)) return false;
  size_t header_size = reader.Offset();
  size_t at = header_size;
  for (uint32_t i = 0; i < count; ++i) {
    std::string_view name;
    if (!reader.Skip(&name)) return false;
    if (regstore::ListedBefore(name, record.name)) at = reader.Offset();
  }
  if (!reader.AtEnd()) return false;
  std::string added;
  PutRecord(record, &added);
  bytes->insert(at, added);
  std::string header(1, kFormat);
  PutNumber(count + 1, &header);
  bytes->replace(0, header_size, header);  // after the insertion, which lies past it
  return true;
}

}  // namespace winsim::spooler
