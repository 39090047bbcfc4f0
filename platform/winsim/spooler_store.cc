// The registry layout of the simulated print spooler: printers, drivers,
// local ports and the default printer, under the keys Windows uses.
#include "platform/winsim/spooler_store.h"

#include "platform/winsim/registry_store.h"
#include "platform/winsim/winsim.h"

namespace winsim::spooler {
namespace {

namespace rs = winsim::regstore;

constexpr const char* kPrintersPath = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";
constexpr const char* kDriversPath =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-3";
constexpr const char* kPortsPath =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Local Port\\Ports";
constexpr const char* kWindowsPath = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";

// The ports a fresh Windows 2000 installation lists under Local Port.
constexpr const char* kDefaultPorts[] = {
    "LPT1:",  "LPT2:",  "LPT3:",  "COM1:",  "COM2:",  "COM3:",  "COM4:",  "FILE:",
    "USB001", "USB002", "USB003", "USB004", "USB005", "USB006", "USB007", "USB008",
};

std::string ChildPath(const char* parent, std::string_view name) {
  std::string path = parent;
  path += '\\';
  path += name;
  return path;
}

// Finds <parent>\<name>; false for a name that is not one key or is absent.
bool FindChild(sqlite3* db, const char* parent, std::string_view name, int64_t* id) {
  if (!IsKeyName(name)) return false;
  return rs::FindKey(db, rs::kLocalMachine, ChildPath(parent, name), id) == 0;
}

std::vector<std::string> ChildNames(sqlite3* db, const char* parent) {
  int64_t id = 0;
  if (rs::FindKey(db, rs::kLocalMachine, parent, &id) != 0) return {};
  return rs::SubkeyNames(db, id);
}

std::string SzOf(sqlite3* db, int64_t key, const char* name) {
  rs::Value v;
  if (rs::GetValue(db, key, name, &v) != 0) return {};
  return rs::SzText(v);
}

// Reads a record's fields from its key's values, fetched in one query: a
// record has a dozen values, and enumerations read every record.
class ValueReader {
 public:
  explicit ValueReader(std::vector<rs::Value> values) : values_(std::move(values)) {
    folded_.reserve(values_.size());
    for (const rs::Value& v : values_) folded_.push_back(rs::FoldName(v.name));
  }
  std::string Sz(const char* name) const {
    const rs::Value* v = Find(name);
    return v ? rs::SzText(*v) : std::string();
  }
  DWORD Dword(const char* name) const {
    const rs::Value* v = Find(name);
    return v && v->type == REG_DWORD ? rs::DwordOf(*v) : 0;
  }
  std::vector<std::string> Multi(const char* name) const {
    const rs::Value* v = Find(name);
    return v ? rs::MultiSzItems(*v) : std::vector<std::string>();
  }
  /// An 8-byte binary value as a little-endian number (0 when absent).
  uint64_t Qword(const char* name) const {
    const rs::Value* v = Find(name);
    uint64_t n = 0;
    if (v == nullptr || v->data.size() != 8) return 0;
    for (int i = 7; i >= 0; --i) n = n << 8 | static_cast<unsigned char>(v->data[i]);
    return n;
  }
  bool Has(const char* name) const { return Find(name) != nullptr; }

 private:
  const rs::Value* Find(const char* name) const {
    std::string folded = rs::FoldName(name);
    for (size_t i = 0; i < values_.size(); ++i)
      if (folded_[i] == folded) return &values_[i];
    return nullptr;
  }
  std::vector<rs::Value> values_;
  std::vector<std::string> folded_;
};

// Sets values one after another, keeping the first error.
class ValueWriter {
 public:
  ValueWriter(sqlite3* db, int64_t key) : db_(db), key_(key) {}
  void Sz(const char* name, std::string_view text) {
    Keep(rs::SetValue(db_, key_, name, REG_SZ, rs::SzData(text)));
  }
  void Dword(const char* name, DWORD v) {
    Keep(rs::SetValue(db_, key_, name, REG_DWORD, rs::DwordData(v)));
  }
  void Multi(const char* name, const std::vector<std::string>& items) {
    Keep(rs::SetValue(db_, key_, name, REG_MULTI_SZ, rs::MultiSzData(items)));
  }
  void Binary(const char* name, std::string_view bytes) {
    Keep(rs::SetValue(db_, key_, name, REG_BINARY, bytes));
  }
  /// A number as 8 little-endian bytes, the layout of FILETIME and DWORDLONG.
  void Qword(const char* name, uint64_t n) {
    std::string bytes(8, '\0');
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>(n >> (8 * i));
    Binary(name, bytes);
  }
  DWORD status() const { return status_; }

 private:
  void Keep(DWORD rc) {
    if (status_ == 0) status_ = rc;
  }
  sqlite3* db_;
  int64_t key_;
  DWORD status_ = 0;
};

DWORD CreateChild(sqlite3* db, const char* parent, std::string_view name, int64_t* id) {
  if (!IsKeyName(name)) return ERROR_INVALID_NAME;
  return rs::CreateKey(db, rs::kLocalMachine, ChildPath(parent, name), id);
}

DWORD DeleteChild(sqlite3* db, const char* parent, std::string_view name) {
  int64_t id = 0;
  if (!FindChild(db, parent, name, &id)) return ERROR_FILE_NOT_FOUND;
  return rs::DeleteTree(db, id);
}

bool ContainsName(const std::vector<std::string>& names, std::string_view name) {
  for (const std::string& n : names) {
    if (SameName(n, name)) return true;
  }
  return false;
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && rs::FoldName(a) == rs::FoldName(b);
}

bool IsKeyName(std::string_view name) {
  return !name.empty() && FindAnsiChar(name, "\\") == std::string_view::npos;
}

bool HasDefaults(sqlite3* db) {
  int64_t id = 0;
  return rs::FindKey(db, rs::kLocalMachine, kPortsPath, &id) == 0;
}

constexpr char kSetupPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Setup";

DWORD EnsureDefaults(sqlite3* db) {
  if (HasDefaults(db)) return 0;
  int64_t id = 0;
  DWORD rc = rs::CreateKey(db, rs::kLocalMachine, kPortsPath, &id);
  if (rc != 0) return rc;
  ValueWriter w(db, id);
  for (const char* port : kDefaultPorts) w.Sz(port, "");
  if (w.status() != 0) return w.status();
  int64_t other = 0;
  rc = rs::CreateKey(db, rs::kLocalMachine, kPrintersPath, &other);
  if (rc == 0) rc = rs::CreateKey(db, rs::kLocalMachine, kDriversPath, &other);
  if (rc == 0) rc = rs::CreateKey(db, rs::kCurrentUser, kWindowsPath, &other);
  // Every Windows has Setup's key; the installation source list lives in it.
  if (rc == 0) rc = rs::CreateKey(db, rs::kLocalMachine, kSetupPath, &other);
  return rc;
}

// ---- printers ----------------------------------------------------------------

bool FindPrintersKey(sqlite3* db, int64_t* id) {
  return rs::FindKey(db, rs::kLocalMachine, kPrintersPath, id) == 0;
}

std::vector<std::string> PrinterNames(sqlite3* db) { return ChildNames(db, kPrintersPath); }

namespace {

// True when a stored value name is `wanted` (ASCII) without regard to case,
// compared without building folded copies: enumerations compare thousands.
bool IsValueNamed(std::string_view stored, std::string_view wanted) {
  if (stored.size() != wanted.size()) return false;
  for (size_t i = 0; i < stored.size(); ++i) {
    unsigned char a = static_cast<unsigned char>(stored[i]), b = static_cast<unsigned char>(wanted[i]);
    if (a >= 'a' && a <= 'z') a = static_cast<unsigned char>(a - 'a' + 'A');
    if (b >= 'a' && b <= 'z') b = static_cast<unsigned char>(b - 'a' + 'A');
    if (a != b) return false;
  }
  return true;
}

// The values of a printer key and the members they fill.
struct PrinterValue {
  const char* name;
  std::string PrinterRecord::*text;  // REG_SZ members
  DWORD PrinterRecord::*number;      // REG_DWORD members
};
constexpr PrinterValue kPrinterValues[] = {
    {"Share Name", &PrinterRecord::share_name, nullptr},
    {"Port", &PrinterRecord::port, nullptr},
    {"Printer Driver", &PrinterRecord::driver, nullptr},
    {"Description", &PrinterRecord::comment, nullptr},
    {"Location", &PrinterRecord::location, nullptr},
    {"Separator File", &PrinterRecord::separator_file, nullptr},
    {"Print Processor", &PrinterRecord::print_processor, nullptr},
    {"Datatype", &PrinterRecord::datatype, nullptr},
    {"Parameters", &PrinterRecord::parameters, nullptr},
    {"Attributes", nullptr, &PrinterRecord::attributes},
    {"Priority", nullptr, &PrinterRecord::priority},
    {"Default Priority", nullptr, &PrinterRecord::default_priority},
    {"StartTime", nullptr, &PrinterRecord::start_time},
    {"UntilTime", nullptr, &PrinterRecord::until_time},
    {"Status", nullptr, &PrinterRecord::status},
};

// Takes one value of a printer key into the member it fills, if any.
void ApplyPrinterValue(const rs::ValueRef& v, PrinterRecord* r) {
  for (const PrinterValue& p : kPrinterValues) {
    if (!IsValueNamed(v.name, p.name)) continue;
    if (p.text) (r->*p.text).assign(rs::SzText(v.data));
    if (p.number) r->*p.number = v.type == REG_DWORD ? rs::DwordOf(v.data) : 0;
    return;
  }
}

// Builds the records of the printers key's subkeys as the query walks them.
class PrinterCollector : public rs::SubkeyVisitor {
 public:
  explicit PrinterCollector(std::vector<PrinterRecord>* out) : out_(out) {}
  void Key(std::string_view name) override {
    // A name the registry cannot hold as one key is no printer.
    current_ = nullptr;
    if (!IsKeyName(name)) return;
    out_->emplace_back();
    current_ = &out_->back();
    current_->name.assign(name);
  }
  void Value(const rs::ValueRef& value) override {
    if (current_ != nullptr) ApplyPrinterValue(value, current_);
  }

 private:
  std::vector<PrinterRecord>* out_;
  PrinterRecord* current_ = nullptr;
};

// The folded value names a reader of `fields` needs; empty for all of them.
const std::vector<std::string>& FoldedNamesOf(PrinterFields fields) {
  auto folded = [](std::initializer_list<const char*> names) {
    std::vector<std::string> out;
    for (const char* n : names) out.push_back(rs::FoldName(n));
    return out;
  };
  static const std::vector<std::string> kAllValues;
  static const std::vector<std::string> kLevel1 = folded({"Printer Driver", "Location", "Description"});
  static const std::vector<std::string> kLevel4 = folded({"Attributes"});
  static const std::vector<std::string> kLevel5 = folded({"Port", "Attributes"});
  static const std::vector<std::string> kDriver = folded({"Printer Driver"});
  switch (fields) {
    case PrinterFields::kLevel1: return kLevel1;
    case PrinterFields::kLevel4: return kLevel4;
    case PrinterFields::kLevel5: return kLevel5;
    case PrinterFields::kDriver: return kDriver;
    default: return kAllValues;
  }
}

}  // namespace

DWORD ReadPrinter(sqlite3* db, std::string_view name, PrinterRecord* r) {
  int64_t key = 0;
  if (!FindChild(db, kPrintersPath, name, &key)) return ERROR_INVALID_PRINTER_NAME;
  std::string stored;
  int64_t parent = 0;
  rs::KeyName(db, key, &stored, &parent);
  *r = PrinterRecord();
  r->name = stored;
  for (const rs::Value& v : rs::Values(db, key)) ApplyPrinterValue(rs::ValueRef{v.name, v.type, v.data}, r);
  return 0;
}

std::vector<PrinterRecord> ReadAllPrinters(sqlite3* db, PrinterFields fields) {
  std::vector<PrinterRecord> printers;
  int64_t id = 0;
  if (!FindPrintersKey(db, &id)) return printers;
  PrinterCollector collector(&printers);
  rs::VisitSubkeys(db, id, FoldedNamesOf(fields), &collector);
  return printers;
}

DWORD WritePrinter(sqlite3* db, const PrinterRecord& r) {
  int64_t key = 0;
  DWORD rc = CreateChild(db, kPrintersPath, r.name, &key);
  if (rc != 0) return rc;
  ValueWriter w(db, key);
  w.Sz("Name", r.name);
  w.Sz("Share Name", r.share_name);
  w.Sz("Port", r.port);
  w.Sz("Printer Driver", r.driver);
  w.Sz("Description", r.comment);
  w.Sz("Location", r.location);
  w.Sz("Separator File", r.separator_file);
  w.Sz("Print Processor", r.print_processor);
  w.Sz("Datatype", r.datatype);
  w.Sz("Parameters", r.parameters);
  w.Dword("Attributes", r.attributes);
  w.Dword("Priority", r.priority);
  w.Dword("Default Priority", r.default_priority);
  w.Dword("StartTime", r.start_time);
  w.Dword("UntilTime", r.until_time);
  w.Dword("Status", r.status);
  return w.status();
}

DWORD DeletePrinterKey(sqlite3* db, std::string_view name) {
  return DeleteChild(db, kPrintersPath, name);
}

// ---- drivers -----------------------------------------------------------------

std::vector<std::string> DriverNames(sqlite3* db) { return ChildNames(db, kDriversPath); }

namespace {

// The optional strings of a driver key: value name, member, and the bit that
// records a member given as NULL (stored as no value).
struct OptionalSz {
  const char* value;
  std::string DriverRecord::*member;
  DriverField field;
};
constexpr OptionalSz kOptionalSz[] = {
    {"Help File", &DriverRecord::help_file, kHelpFileField},
    {"Monitor", &DriverRecord::monitor, kMonitorField},
    {"Datatype", &DriverRecord::datatype, kDatatypeField},
    {"Manufacturer", &DriverRecord::manufacturer, kManufacturerField},
    {"OEM URL", &DriverRecord::oem_url, kOemUrlField},
    {"HardwareID", &DriverRecord::hardware_id, kHardwareIdField},
    {"Provider", &DriverRecord::provider, kProviderField},
};
struct OptionalMulti {
  const char* value;
  std::vector<std::string> DriverRecord::*member;
  DriverField field;
};
constexpr OptionalMulti kOptionalMulti[] = {
    {"Dependent Files", &DriverRecord::dependent_files, kDependentFilesField},
    {"Previous Names", &DriverRecord::previous_names, kPreviousNamesField},
};

// Windows keeps no such value; winsim records the caller's dwFileCopyFlags
// under it so that a test can see what the installer asked for.
constexpr const char* kCopyFlagsValue = "Winsim Copy Flags";

}  // namespace

DWORD ReadDriver(sqlite3* db, std::string_view name, DriverRecord* r) {
  int64_t key = 0;
  if (!FindChild(db, kDriversPath, name, &key)) return ERROR_UNKNOWN_PRINTER_DRIVER;
  int64_t parent = 0;
  rs::KeyName(db, key, &r->name, &parent);
  const ValueReader v(rs::Values(db, key));
  r->version = v.Dword("Version");
  r->driver_file = v.Sz("Driver");
  r->data_file = v.Sz("Data File");
  r->config_file = v.Sz("Configuration File");
  r->null_fields = 0;
  for (const OptionalSz& f : kOptionalSz) {
    r->*f.member = v.Sz(f.value);
    if (!v.Has(f.value)) r->null_fields |= f.field;
  }
  for (const OptionalMulti& f : kOptionalMulti) {
    r->*f.member = v.Multi(f.value);
    if (!v.Has(f.value)) r->null_fields |= f.field;
  }
  r->driver_date = v.Qword("DriverDate");
  r->driver_version = v.Qword("DriverVersion");
  r->copy_flags = v.Dword(kCopyFlagsValue);
  return 0;
}

DWORD WriteDriver(sqlite3* db, const DriverRecord& r) {
  int64_t key = 0;
  DWORD rc = CreateChild(db, kDriversPath, r.name, &key);
  if (rc != 0) return rc;
  ValueWriter w(db, key);
  w.Sz("Configuration File", r.config_file);
  w.Sz("Data File", r.data_file);
  w.Sz("Driver", r.driver_file);
  for (const OptionalSz& f : kOptionalSz) {
    if (!r.IsNull(f.field)) w.Sz(f.value, r.*f.member);
  }
  for (const OptionalMulti& f : kOptionalMulti) {
    if (!r.IsNull(f.field)) w.Multi(f.value, r.*f.member);
  }
  w.Dword("Version", r.version);
  w.Qword("DriverDate", r.driver_date);
  w.Qword("DriverVersion", r.driver_version);
  w.Dword(kCopyFlagsValue, r.copy_flags);
  return w.status();
}

DWORD DeleteDriverKey(sqlite3* db, std::string_view name) {
  return DeleteChild(db, kDriversPath, name);
}

std::vector<std::string> DriverFiles(const DriverRecord& r) {
  std::vector<std::string> files;
  auto add = [&files](const std::string& f) {
    if (f.empty()) return;
    for (const std::string& listed : files) {
      if (SameFileName(listed, f)) return;
    }
    files.push_back(f);
  };
  add(r.driver_file);
  add(r.data_file);
  add(r.config_file);
  add(r.help_file);
  for (const std::string& f : r.dependent_files) add(f);
  return files;
}

// ---- ports -------------------------------------------------------------------

std::vector<std::string> PortNames(sqlite3* db) {
  int64_t id = 0;
  if (rs::FindKey(db, rs::kLocalMachine, kPortsPath, &id) != 0) return {};
  std::vector<std::string> names;
  for (const rs::Value& v : rs::Values(db, id)) names.push_back(v.name);
  return names;
}

bool PortsExist(sqlite3* db, std::string_view ports) {
  if (ports.empty()) return false;
  std::vector<std::string> known = PortNames(db);
  // A printer may be pooled over several ports: "LPT1:,LPT2:".
  size_t start = 0;
  while (true) {
    size_t comma = ports.find(',', start);
    std::string_view one = ports.substr(start, comma == std::string_view::npos ? ports.npos : comma - start);
    if (!ContainsName(known, one)) return false;
    if (comma == std::string_view::npos) return true;
    start = comma + 1;
  }
}

// ---- default printer -------------------------------------------------------

std::string DeviceEntry(sqlite3* db) {
  int64_t id = 0;
  if (rs::FindKey(db, rs::kCurrentUser, kWindowsPath, &id) != 0) return {};
  return SzOf(db, id, "Device");
}

std::string DefaultPrinterName(sqlite3* db) {
  std::string entry = DeviceEntry(db);
  return entry.substr(0, entry.find(','));
}

bool IsDefault(sqlite3* db, std::string_view name) {
  std::string current = DefaultPrinterName(db);
  return !current.empty() && SameName(current, name);
}

DWORD WriteDeviceEntry(sqlite3* db, std::string_view entry) {
  int64_t id = 0;
  DWORD rc = rs::CreateKey(db, rs::kCurrentUser, kWindowsPath, &id);
  if (rc != 0) return rc;
  return rs::SetValue(db, id, "Device", REG_SZ, rs::SzData(entry));
}

DWORD MakeDefault(sqlite3* db, const PrinterRecord& printer) {
  std::string port = printer.port.substr(0, printer.port.find(','));
  return WriteDeviceEntry(db, printer.name + ",winspool," + port);
}

DWORD ClearDefault(sqlite3* db) {
  int64_t id = 0;
  if (rs::FindKey(db, rs::kCurrentUser, kWindowsPath, &id) != 0) return 0;
  rs::Value v;
  if (rs::GetValue(db, id, "Device", &v) != 0) return 0;
  return rs::DeleteValue(db, id, "Device");
}

}  // namespace winsim::spooler

namespace winsim {

DWORD EnsureSpoolerDefaults() {
  Transaction tx(Transaction::kWrite);
  if (tx.status() != 0) return tx.status();
  DWORD rc = spooler::EnsureDefaults(tx.db());
  return rc != 0 ? rc : tx.Commit();
}

}  // namespace winsim
