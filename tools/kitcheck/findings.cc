#include "tools/kitcheck/findings.h"

#include <sys/stat.h>

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
      if (CheckRegularFile(kit::FileNamePart(q_.inf_path), 0)) return findings_;
      Add("K015", "error", 0, "the INF " + q_.inf_path + " cannot be read",
          "give the INF's path as the installer will see it");
      return findings_;
    }
    CheckLongValues();
    CheckSlashes();
    if (!CheckManufacturer() || !CheckModelLine()) return findings_;
    CheckCopyFiles();
    if (!skip_driver_keys_) CheckDriverKeys();
    CheckPorts();
    return findings_;
  }

 private:
  Finding& Add(const char* id, const char* severity, unsigned line, std::string message, std::string hint) {
    findings_.push_back({id, severity, q_.inf_path, line, std::move(message), std::move(hint), {}});
    return findings_.back();
  }

  Edit InfEdit(const char* action, unsigned line, std::string text) const {
    return {action, q_.inf_path, line, std::move(text)};
  }

  std::string Text(const std::u32string& s) const { return Ansi(s, CodePage()); }

  // An entry as a line of the INF.
  std::string LineText(const pf::Entry& e) const {
    return e.has_value ? Text(e.key) + " = " + Text(e.value) : Text(e.key);
  }

  // The model line of the printer in `section`, quotes and case aside.
  const pf::Entry* ModelLine(const std::string& section) const {
    const pf::Section* s = inf_.Section(section);
    std::string wanted = Folded(kit::RemoveChar(q_.printer_key, '"'));
    for (size_t i = 0; s != nullptr && i < s->entries.size(); ++i) {
      const pf::Entry& e = s->entries[i];
      if (e.has_value && Folded(kit::RemoveChar(Text(e.key), '"')) == wanted) return &e;
    }
    return nullptr;
  }

  // A %strkey% replaced by its text in [Strings], as Windows reads INF names.
  std::string Unstring(std::string text) const {
    text = kit::RemoveChar(text, '"');
    if (text.size() < 3 || text.front() != '%' || text.back() != '%') return text;
    std::string value = MyGetProfileString(q_.inf_path, "Strings", text.substr(1, text.size() - 2));
    return value.empty() ? text : value;
  }

  UINT CodePage() const { return inf_.profile.code_page; }

  // K020: the command line parser ends a value at a '/' (the next switch), so
  // a printer name or model list holding one arrives cut.
  void CheckSlashes() {
    if (q_.printer_given.find('/') != std::string::npos) {
      std::string fixed = Unslashed(q_.printer_given);
      Finding& f = Add("K020", "error", 0,
                       "the printer name \"" + q_.printer_given +
                           "\" holds '/': the command line ends the value there, and the printer is \"" +
                           q_.printer_name + "\"",
                       "name the printer without '/', e.g. \"" + fixed + "\", in /PRINTER and its model line");
      if (const pf::Entry* model = ModelLineNamed(q_.printer_given)) {
        f.line = model->line;
        f.edits.push_back(InfEdit("replace", model->line, "\"" + fixed + "\" = " + Text(model->value)));
      }
    }
    if (q_.models_given.find('/') != std::string::npos)
      Add("K020", "error", 0,
          "the model list \"" + q_.models_given + "\" holds '/': the command line ends it there, at \"" +
              q_.model_list + "\"",
          "give /MDL the model names without '/', e.g. \"" + Unslashed(q_.models_given) + "\"");
  }

  static std::string Unslashed(std::string s) {
    for (char& c : s)
      if (c == '/') c = '-';
    return s;
  }

  // The model line keyed `name` in any section, quotes and case aside.
  const pf::Entry* ModelLineNamed(const std::string& name) const {
    for (const pf::Section& s : inf_.profile.sections)
      for (const pf::Entry& e : s.entries)
        if (e.has_value && Folded(kit::RemoveChar(Text(e.key), '"')) == Folded(name)) return &e;
    return nullptr;
  }

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
      ReportDecoratedManufacturer(e);
      return false;  // the model lookup then fails for this reason alone
    }
    return true;
  }

  // K002: "name"=section[,decoration...], the form the system's printer UI
  // reads (Windows' INF Manufacturer section). The installer takes the whole
  // line as the section's name; the smallest edit for both readers is an
  // undecorated entry before it that names a section holding the model line.
  void ReportDecoratedManufacturer(const pf::Entry& e) {
    std::vector<std::string> fields = Fields(Text(e.value));
    std::string section = Unstring(fields.empty() ? Text(e.key) : fields[0]);
    std::string holder;  // the section that holds the model line
    if (ModelLine(section)) holder = section;
    for (size_t i = 1; i < fields.size() && holder.empty(); ++i)
      if (ModelLine(section + "." + fields[i])) holder = section + "." + fields[i];
    std::string message = "the first [Manufacturer] entry " + LineText(e) +
                          " holds '=': the installer takes the whole line \"" + manufacturer_ +
                          "\" as the model section's name";
    Finding& f = Add("K002", "error", e.line, message, "");
    f.edits.push_back(InfEdit("insert", e.line, section));
    f.hint = "insert the line " + section + " before line " + std::to_string(e.line) +
             " as the first [Manufacturer] entry, keeping the decorated line for the printer UI";
    if (holder.empty()) {
      f.message += "; no section [" + section + "] or decorated one holds the model line";
      f.hint += ", and add the model line to [" + section + "]";
    } else if (holder != section) {
      const pf::Entry* model = ModelLine(holder);
      f.message += "; the model line is only in the decorated section [" + holder + "] (line " +
                   std::to_string(model->line) + ")";
      f.edits.push_back(InfEdit("insert", 0, "[" + section + "]\n" + LineText(*model)));
      f.hint += ", and add the section [" + section + "] with the model line of [" + holder + "]";
    } else {
      f.message += "; the model line is in [" + section + "] (line " + std::to_string(ModelLine(section)->line) + ")";
    }
  }

  // The comma-separated fields of a value, blanks around each removed.
  static std::vector<std::string> Fields(const std::string& value) {
    std::vector<std::string> out;
    for (size_t start = 0; start <= value.size();) {
      size_t comma = value.find(',', start);
      std::string field = value.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
      size_t first = field.find_first_not_of(" \t"), last = field.find_last_not_of(" \t");
      out.push_back(first == std::string::npos ? "" : field.substr(first, last - first + 1));
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    return out;
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
          "write the key exactly as /PRINTER gives it: " + q_.printer_key)
          .edits.push_back(InfEdit("replace", e->line, q_.printer_key + " = " + Text(e->value)));
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
      if (!ReportDecoratedInstallSection())
        Add("K014", "error", inf_.SectionLine(ddi_), "[" + ddi_ + "] has no CopyFiles: nothing is copied",
            "list the driver files with CopyFiles=@FILE,SECTION,...");
      return;
    }
    CheckCopyFilesLines();
    CheckNeeds(copy_files, line);
    for (size_t start = 0;;) {
      size_t comma = kit::FindChar(copy_files, ',', start);
      std::string item = copy_files.substr(start, comma == kit::kNotFound ? std::string::npos : comma - start);
      CheckCopyItem(item, copy_files, line);
      if (comma == kit::kNotFound) break;
      start = comma + 1;
    }
  }

  // K018: the DDI section exists only with a platform suffix, which the
  // system's printer UI looks for ([X.NTx86], then [X.NT]; Wine's setupapi
  // and Microsoft's INF documentation) but the installer does not.
  bool ReportDecoratedInstallSection() {
    if (inf_.Section(ddi_) != nullptr) return false;
    for (const char* suffix : {".NTx86", ".NT"}) {
      const pf::Section* s = inf_.Section(ddi_ + suffix);
      if (s == nullptr) continue;
      std::string copy = "[" + ddi_ + "]";
      for (const pf::Entry& e : s->entries)
        if (e.key.empty() || e.key[0] != U';') copy.append("\n").append(LineText(e));
      Finding& f = Add("K018", "error", s->line,
                       "the install section [" + ddi_ + "] exists only as [" + ddi_ + suffix +
                           "]: the installer reads [" + ddi_ + "] and copies nothing",
                       "add [" + ddi_ + "] with the lines of [" + ddi_ + suffix + "] before line " +
                           std::to_string(s->line) + ", keeping [" + ddi_ + suffix + "] for the printer UI");
      f.edits.push_back(InfEdit("insert", s->line, copy + "\n"));
      skip_driver_keys_ = true;  // they are in the suffixed section the fix copies
      return true;
    }
    return false;
  }

  // K016: the installer reads the first CopyFiles line of the section only.
  void CheckCopyFilesLines() {
    std::vector<const pf::Entry*> lines;
    for (const pf::Entry& e : inf_.Section(ddi_)->entries)
      if (e.has_value && Folded(Text(e.key)) == "copyfiles") lines.push_back(&e);
    if (lines.size() < 2) return;
    std::string joined;
    for (const pf::Entry* e : lines) joined += std::string(joined.empty() ? "" : ",") + Text(e->value);
    Finding& f = Add("K016", "error", lines[1]->line,
                     "[" + ddi_ + "] has " + std::to_string(lines.size()) +
                         " CopyFiles lines: the installer reads the first (line " +
                         std::to_string(lines[0]->line) + ") and copies nothing the others name",
                     "list every item on one line: CopyFiles=" + joined);
    f.edits.push_back(InfEdit("replace", lines[0]->line, "CopyFiles=" + joined));
    for (size_t i = 1; i < lines.size(); ++i) f.edits.push_back(InfEdit("delete", lines[i]->line, ""));
  }

  // K019: Needs= brings another section's files on the printer UI's path
  // (Microsoft's INF DDInstall documentation); the installer ignores the key,
  // so the needed section's CopyFiles items must be in this one's own.
  void CheckNeeds(const std::string& copy_files, unsigned copy_line) {
    std::vector<std::string> have = Fields(copy_files), add;
    for (const std::string& need : Fields(MyGetProfileString(q_.inf_path, ddi_, "Needs"))) {
      std::string items = NeededValue(need, "CopyFiles");
      for (const std::string& item : items.empty() ? std::vector<std::string>() : Fields(items)) {
        bool listed = false;
        for (const std::string& h : have) listed |= Folded(h) == Folded(item);
        for (const std::string& a : add) listed |= Folded(a) == Folded(item);
        if (!listed && !item.empty()) add.push_back(item);
      }
    }
    if (add.empty()) return;
    std::string extra;
    for (const std::string& a : add) extra += "," + a;
    Finding& f = Add("K019", "error", inf_.KeyLine(ddi_, "Needs"),
                     "[" + ddi_ + "] takes " + extra.substr(1) +
                         " through Needs=, which the installer ignores: those files are not copied",
                     "add them to CopyFiles: CopyFiles=" + copy_files + extra);
    std::string lines = "CopyFiles=" + copy_files + extra;
    if (MyGetProfileString(q_.inf_path, ddi_, "DataSection").empty()) {
      for (const std::string& need : Fields(MyGetProfileString(q_.inf_path, ddi_, "Needs"))) {
        std::string data = NeededValue(need, "DataSection");
        if (data.empty()) continue;
        lines += "\nDataSection=" + data;
        f.hint += ", and take its driver keys with DataSection=" + data;
        break;
      }
    }
    f.edits.push_back(InfEdit("replace", copy_line, lines));
  }

  // A key of a needed section: in the INF, else in the include INF.
  std::string NeededValue(const std::string& section, const char* key) const {
    std::string value = MyGetProfileString(q_.inf_path, section, key);
    if (value.empty() && include_exists_) value = MyGetProfileString(include_, section, key);
    return value;
  }

  // CopyFiles with every item trimmed and empty items dropped.
  std::string TidyCopyFiles(const std::string& copy_files) const {
    std::string out;
    for (const std::string& item : Fields(copy_files))
      if (!item.empty()) out += std::string(out.empty() ? "" : ",") + item;
    return "CopyFiles=" + out;
  }

  void CheckCopyItem(const std::string& item, const std::string& copy_files, unsigned line) {
    if (item.empty() || item[0] == ' ' || item[0] == '\t') {
      Finding& f = item.empty()
          ? Add("K005", "error", line, "CopyFiles has an empty item: it is read as a section with no name, and the copy fails",
                "remove the doubled or trailing comma: " + TidyCopyFiles(copy_files))
          : Add("K005", "error", line,
                "the CopyFiles item '" + item + "' begins with a blank: it is read as a section of that name",
                "remove the blanks after the commas of CopyFiles: " + TidyCopyFiles(copy_files));
      f.edits.push_back(InfEdit("replace", line, TidyCopyFiles(copy_files)));
      return;
    }
    if (item[0] == '@') {
      std::string name = kit::RemoveChar(item, '@');
      if (!IsPlainFileName(name))
        Add("K006", "error", line, "the file " + name + " is not a plain file name and is never copied",
            "name the file alone, beside the INF, without a folder or drive");
      else
        CheckRegularFile(name, line);
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
      if (source == std::string("the INF") && e.find(',') != std::string::npos)
        ReportCopyLine(section, e);
      else if (!IsPlainFileName(e))
        Add("K006", "error", inf_.SectionLine(section),
            "the entry '" + e + "' of [" + section + "] is not a plain file name and is never copied",
            "name the file alone, without a folder, drive or blanks");
      else if (FileSize(kit::DirectoryPart(q_.inf_path) + "\\" + e) < 0 && !CheckRegularFile(e, inf_.SectionLine(section)))
        missing += e + " ";
    }
    if (!missing.empty()) CheckCabinetMatches(section, entries, kit::ToUpper(missing));
  }

  // K017: "dest,source[,temp,flags]" is a file-list line of Windows' own
  // installer (Microsoft's INF CopyFiles documentation); this installer takes
  // the whole line as one file name, found nowhere.
  void ReportCopyLine(const std::string& section, const std::string& entry) {
    std::vector<std::string> fields = Fields(entry);
    const std::string& dest = fields[0];
    std::string source = fields.size() > 1 && !fields[1].empty() ? fields[1] : dest;
    unsigned line = EntryLine(section, entry);
    Finding& f = Add("K017", "error", line,
                     "the line '" + entry + "' of [" + section +
                         "] is read as one file name, which is found nowhere",
                     "write the file's name alone: " + dest);
    f.edits.push_back(InfEdit("replace", line, dest));
    std::string source_path = kit::DirectoryPart(q_.inf_path) + "\\" + source;
    if (Folded(source) != Folded(dest) && FileSize(source_path) >= 0) {
      f.hint += ", and ship " + source + " beside the INF as " + dest;
      f.edits.push_back({"rename", source_path, 0, dest});
    }
  }

  // The line of a section entry as the section read gives it, else the header's.
  unsigned EntryLine(const std::string& section, const std::string& text) const {
    const pf::Section* s = inf_.Section(section);
    for (size_t i = 0; s != nullptr && i < s->entries.size(); ++i)
      if (Folded(kit::RemoveChar(LineText(s->entries[i]), ' ')) == Folded(kit::RemoveChar(text, ' ')))
        return s->entries[i].line;
    return inf_.SectionLine(section);
  }

  // K021: a kit file that is there but no regular file (a FIFO, a device, a
  // folder): every copy refuses it with ERROR_ACCESS_DENIED. True when found.
  bool CheckRegularFile(const std::string& name, unsigned line) {
    std::string path = kit::DirectoryPart(q_.inf_path) + "\\" + name;
    std::string host;
    struct stat st;
    if (winsim::ToHostPath(path, &host) != 0 || stat(host.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return false;
    Finding& f = Add("K021", "error", line,
                     path + " is not a regular file (" + HostFileKind(st.st_mode) +
                         "): its copy is refused with access denied",
                     "put the driver file itself at " + path);
    f.edits.push_back({"regular", path, 0, ""});
    return true;
  }

  static std::string HostFileKind(mode_t mode) {
    return S_ISDIR(mode) ? "a folder" : S_ISFIFO(mode) ? "a FIFO" : S_ISSOCK(mode) ? "a socket" : "a device";
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
  bool skip_driver_keys_ = false;
  bool members_read_ = false;
  std::vector<std::string> members_;
};

}  // namespace

std::vector<Finding> CheckKit(const KitQuestion& q) { return Checker(q).Run(); }

}  // namespace kitcheck
