#include "tools/kitcheck/findings.h"

#include <cstring>

#include "common/text.h"
#include "installer/inf/file_names.h"
#include "installer/inf/inf_access.h"
#include "installer/inf/model_lookup.h"
#include "installer/inf/printer_install.h"
#include "platform/win32.h"
#include "platform/winsim/profile_encoding.h"
#include "platform/winsim/profile_parser.h"
#include "platform/winsim/winsim.h"
#include "tools/kitcheck/observe.h"

namespace kitcheck {
namespace {

namespace pf = winsim::profile;

// What the installer reads of a key value and of a file-list section.
constexpr size_t kMaxValue = kMaxPath - 1;
constexpr DWORD kSectionBuffer = 1024;
constexpr size_t kMinPnpIdLength = 8;
constexpr const char* kDriverKeys[] = {"DriverFile", "DataFile", "ConfigFile", "HelpFile"};

std::string Ansi(const std::u32string& s, UINT code_page) { return pf::UnicodeToAnsi(s, code_page); }

std::string Folded(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// The INF as parsed by the simulated system's reader, for line numbers.
struct InfFile {
  pf::Profile profile;
  bool readable = false;

  const pf::Section* Section(const std::string& name) const {
    auto it = profile.first_section.find(pf::AnsiToUnicode(Folded(name), profile.code_page));
    return it == profile.first_section.end() ? nullptr : &profile.sections[it->second];
  }
  unsigned SectionLine(const std::string& name) const {
    const pf::Section* s = Section(name);
    return s ? s->line : 0;
  }
  unsigned KeyLine(const std::string& section, const std::string& key) const {
    const pf::Section* s = Section(section);
    if (s == nullptr) return 0;
    for (const pf::Entry& e : s->entries)
      if (e.has_value && Folded(Ansi(e.key, profile.code_page)) == Folded(key)) return e.line;
    return s->line;
  }
};

InfFile ReadInf(const std::string& windows_path) {
  InfFile inf;
  std::string host;
  if (winsim::ToHostPath(windows_path, &host) != 0) return inf;
  std::string bytes;
  if (!ReadHostFile(host, &bytes)) return inf;
  inf.profile = pf::ParseProfile(bytes, winsim::Facts().code_page);
  inf.readable = true;
  return inf;
}

class Checker {
 public:
  Checker(const KitQuestion& q) : q_(q), inf_(ReadInf(q.inf_path)) {}

  std::vector<Finding> Run() {
    if (!inf_.readable) {
      Add("K015", "error", 0, "the INF " + q_.inf_path + " cannot be read",
          "give the INF's path as the installer will see it");
      return findings_;
    }
    CheckLongValues();
    if (!CheckManufacturer() || !CheckModelLine()) return findings_;
    CheckCopyFiles();
    CheckDriverKeys();
    CheckPorts();
    return findings_;
  }

 private:
  void Add(const char* id, const char* severity, unsigned line, std::string message, std::string hint) {
    findings_.push_back({id, severity, line, std::move(message), std::move(hint)});
  }

  UINT CodePage() const { return inf_.profile.code_page; }

  // K003: a value is cut to 259 characters when it is read.
  void CheckLongValues() {
    for (const pf::Section& s : inf_.profile.sections) {
      for (const pf::Entry& e : s.entries) {
        std::string value = Ansi(e.value, CodePage());
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
          value = value.substr(1, value.size() - 2);
        if (e.has_value && value.size() > kMaxValue)
          Add("K003", "warning", e.line,
              "the value of " + Ansi(e.key, CodePage()) + " in [" + Ansi(s.name, CodePage()) + "] has " +
                  std::to_string(value.size()) + " characters and is read as its first 259",
              "shorten the value to 259 characters or fewer");
      }
    }
  }

  // K002 and K013: the first [Manufacturer] entry names the model section.
  bool CheckManufacturer() {
    const pf::Section* s = inf_.Section("Manufacturer");
    manufacturer_ = GetManufacturerName(q_.inf_path);
    if (s == nullptr || manufacturer_.empty()) {
      Add("K013", "error", s ? s->line : 0, "the INF has no [Manufacturer] entry: no model can be found",
          "add [Manufacturer] with the model section's name as its first line");
      return false;
    }
    for (const pf::Entry& e : s->entries) {
      if (!e.key.empty() && e.key[0] == U';') continue;
      if (!e.has_value) break;
      Add("K002", "error", e.line,
            "the first [Manufacturer] entry holds '=': the whole line \"" + manufacturer_ +
                "\" is taken as the model section's name",
            "write the model section's name alone on the first line, e.g. \"" +
                Ansi(e.key, CodePage()) + "\"");
      return false;  // the model lookup then fails for this reason alone
    }
    return true;
  }

  // K001, K008 and K012: the model line, looked up with the quoted printer name.
  bool CheckModelLine() {
    if (GetDDISection(q_.inf_path, q_.printer_key, ddi_, pnp_id_)) {
      model_line_ = inf_.KeyLine(manufacturer_, q_.printer_key);
      CheckPnpId();
      return true;
    }
    const pf::Section* models = inf_.Section(manufacturer_);
    std::string wanted = Folded(kit::RemoveChar(q_.printer_key, '"'));
    for (const pf::Entry* e = models ? models->entries.data() : nullptr;
         models && e != models->entries.data() + models->entries.size(); ++e) {
      std::string key = Ansi(e->key, CodePage());
      if (!e->has_value || Folded(kit::RemoveChar(key, '"')) != wanted) continue;
      Add("K001", "error", e->line,
          "the model line's key " + key + " is not the lookup key " + q_.printer_key +
              ": the quotes differ, so the model is not found",
          "write the key exactly as /PRINTER gives it: " + q_.printer_key);
      return false;
    }
    Add("K012", "error", models ? models->line : inf_.SectionLine("Manufacturer"),
        models ? "no line of [" + manufacturer_ + "] has the key " + q_.printer_key
               : "the model section [" + manufacturer_ + "] that [Manufacturer] names does not exist",
        models ? "add the line " + q_.printer_key + " = <DDI section>, <PnP ID>"
               : "add the section [" + manufacturer_ + "] with the printer's model line");
    return false;
  }

  void CheckPnpId() {
    if (!pnp_id_.empty() && pnp_id_.size() < kMinPnpIdLength)
      Add("K008", "warning", model_line_,
          "the PnP ID " + pnp_id_ + " is shorter than 8 characters and is not registered with the driver",
          "give the PnP ID of the device (at least 8 characters), or none");
  }

  // K005, K006, K004, K009, K007: the CopyFiles items and their sections.
  void CheckCopyFiles() {
    include_ = GetIncludeInfPath(q_.inf_path, ddi_);
    include_exists_ = !include_.empty() && FileSize(include_) >= 0;
    std::string copy_files = MyGetProfileString(q_.inf_path, ddi_, "CopyFiles");
    unsigned line = inf_.KeyLine(ddi_, "CopyFiles");
    if (copy_files.empty()) {
      Add("K014", "error", inf_.SectionLine(ddi_), "[" + ddi_ + "] has no CopyFiles: nothing is copied",
          "list the driver files with CopyFiles=@FILE,SECTION,...");
      return;
    }
    for (size_t start = 0;;) {
      size_t comma = kit::FindChar(copy_files, ',', start);
      std::string item = copy_files.substr(start, comma == kit::kNotFound ? std::string::npos : comma - start);
      CheckCopyItem(item, line);
      if (comma == kit::kNotFound) break;
      start = comma + 1;
    }
  }

  void CheckCopyItem(const std::string& item, unsigned line) {
    if (item.empty()) {
      Add("K005", "error", line, "CopyFiles has an empty item: it is read as a section with no name, and the copy fails",
          "remove the doubled or trailing comma");
      return;
    }
    if (item[0] == ' ' || item[0] == '\t') {
      Add("K005", "error", line,
          "the CopyFiles item '" + item + "' begins with a blank: it is read as a section of that name",
          "remove the blanks after the commas of CopyFiles");
      return;
    }
    if (item[0] == '@') {
      std::string name = kit::RemoveChar(item, '@');
      if (!IsPlainFileName(name))
        Add("K006", "error", line, "the file " + name + " is not a plain file name and is never copied",
            "name the file alone, beside the INF, without a folder or drive");
      return;
    }
    CheckFileSection(item);
  }

  void CheckFileSection(const std::string& section) {
    char buffer[kSectionBuffer] = {};
    DWORD count = GetPrivateProfileSectionA(section.c_str(), buffer, kSectionBuffer, q_.inf_path.c_str());
    const char* source = "the INF";
    if (count == 0 && !include_.empty()) {
      if (!include_exists_) {
        Add("K009", "error", inf_.KeyLine(ddi_, "include"),
            "the section [" + section + "] is not in the INF and the include INF " + include_ +
                " does not exist: the copy fails",
            "add [" + section + "] to the INF, or name an include INF the system has");
        return;
      }
      count = GetPrivateProfileSectionA(section.c_str(), buffer, kSectionBuffer, include_.c_str());
      source = "the include INF";
    }
    if (count == 0) return;  // the install states this failure itself
    std::vector<std::string> entries;
    for (size_t pos = 0; pos < count && buffer[pos] != '\0';) {
      entries.emplace_back(buffer + pos, strnlen(buffer + pos, kSectionBuffer - pos));
      pos += entries.back().size() + 1;
    }
    if (count == kSectionBuffer - 2) ReportCutSection(section, source, entries);
    std::string missing;
    for (const std::string& e : entries) {
      if (!IsPlainFileName(e))
        Add("K006", "error", inf_.SectionLine(section),
            "the entry '" + e + "' of [" + section + "] is not a plain file name and is never copied",
            "name the file alone, without a folder, drive or blanks");
      else if (FileSize(kit::DirectoryPart(q_.inf_path) + "\\" + e) < 0)
        missing += e + " ";
    }
    if (!missing.empty()) CheckCabinetMatches(section, entries, kit::ToUpper(missing));
  }

  // K004: only the first 1,022 bytes of a file-list section arrive.
  void ReportCutSection(const std::string& section, const char* source, const std::vector<std::string>& arrived) {
    const pf::Section* s = inf_.Section(section);
    std::string lost;
    size_t listed = 0;
    for (size_t i = 0; s != nullptr && i < s->entries.size(); ++i) {
      const pf::Entry& e = s->entries[i];
      if (e.key.empty() || e.key[0] == U';') continue;
      std::string name = Ansi(e.key, CodePage());
      if (listed < arrived.size() && arrived[listed] == name) {
        ++listed;
        continue;
      }
      lost += (lost.empty() ? "" : ", ") + name;
      ++listed;
    }
    Add("K004", "error", inf_.SectionLine(section),
        "[" + section + "] in " + source + " holds more than 1,022 bytes and is cut: " +
            (lost.empty() ? std::string("its last entry arrives cut") : "lost: " + lost),
        "split the section into several sections of fewer files");
  }

  // K007: a member is extracted when its name occurs anywhere in the list of
  // missing files, so a short member name can stand in for a longer one.
  void CheckCabinetMatches(const std::string& section, const std::vector<std::string>& entries,
                           const std::string& missing_upper) {
    for (const std::string& member : CabinetMembers()) {
      std::string upper = kit::ToUpper(member);
      if (missing_upper.find(upper) == std::string::npos) continue;
      bool whole = false;
      for (const std::string& e : entries) whole |= kit::ToUpper(e) == upper;
      if (!whole)
        Add("K007", "warning", inf_.SectionLine(section),
            "the cabinet member " + member + " is extracted for [" + section +
                "] because its name occurs inside another missing file's name",
            "ship the files of [" + section + "] beside the INF, or rename the member");
    }
  }

  const std::vector<std::string>& CabinetMembers() {
    if (!members_read_) {
      members_read_ = true;
      std::string cabinet = winsim::Facts().windows_dir + "\\Driver Cache\\i386\\driver.cab";
      SetupIterateCabinetA(cabinet.c_str(), 0, &ListMember, &members_);
    }
    return members_;
  }

  static UINT CALLBACK ListMember(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR) {
    if (notification == SPFILENOTIFY_FILEINCABINET) {
      auto* info = reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1);
      if (info && info->NameInCabinet) static_cast<std::vector<std::string>*>(context)->push_back(info->NameInCabinet);
      return FILEOP_SKIP;
    }
    return NO_ERROR;
  }

  // K010 and K009: each driver key in its three places.
  void CheckDriverKeys() {
    std::string data_section = MyGetProfileString(q_.inf_path, ddi_, "DataSection");
    for (const char* key : kDriverKeys) {
      if (!MyGetProfileString(q_.inf_path, data_section, key).empty()) continue;
      if (!MyGetProfileString(q_.inf_path, ddi_, key).empty()) continue;
      if (!include_.empty() && !MyGetProfileString(include_, data_section, key).empty()) continue;
      bool driver = std::string(key) == "DriverFile";
      bool include_missing = !include_.empty() && !include_exists_ && !data_section.empty();
      Add(include_missing ? "K009" : "K010", driver ? "error" : "warning", inf_.SectionLine(ddi_),
          std::string(key) + " is found neither in [" + (data_section.empty() ? "(no DataSection)" : data_section) +
              "] nor in [" + ddi_ + "]" +
              (include_.empty() ? "" : include_missing ? " and the include INF " + include_ + " does not exist"
                                                       : " nor in the include INF's [" + data_section + "]") +
              ": the driver is registered without it",
          "add " + std::string(key) + "=<file> to [" + (data_section.empty() ? ddi_ : data_section) + "]");
    }
  }

  // K011: port records exist but none names the manufacturer and a model.
  void CheckPorts() {
    char usb[kMaxPath] = {};
    char parallel[kMaxPath] = {};
    std::string base = "Software\\" + manufacturer_ + "\\QXPrinter\\Port\\";
    int u = FindPortInRegistry((base + "USB").c_str(), usb, manufacturer_, q_.model_list);
    int p = FindPortInRegistry((base + "PARALLEL").c_str(), parallel, manufacturer_, q_.model_list);
    if ((u != PortKeyMissing || p != PortKeyMissing) && u != PortMatched && p != PortMatched)
      Add("K011", "warning", 0,
          "no port record of " + manufacturer_ + " names the manufacturer and a model of /MDL \"" +
              q_.model_list + "\"",
          "give /MDL a model name that the device's port record holds");
  }

  const KitQuestion& q_;
  InfFile inf_;
  std::vector<Finding> findings_;
  std::string manufacturer_, ddi_, pnp_id_, include_;
  unsigned model_line_ = 0;
  bool include_exists_ = false;
  bool members_read_ = false;
  std::vector<std::string> members_;
};

}  // namespace

std::vector<Finding> CheckKit(const KitQuestion& q) { return Checker(q).Run(); }

bool HasError(const std::vector<Finding>& findings) {
  for (const Finding& f : findings)
    if (f.severity == "error") return true;
  return false;
}

}  // namespace kitcheck
