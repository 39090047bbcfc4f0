#include "tools/winsim-printui/driver_package.h"

#include <cstdlib>
#include <set>

namespace printui {
namespace {

constexpr DWORD kDefaultDirid = 66000;  // printer-driver directory

bool IsSet(const std::string& s) { return !s.empty(); }

void Fill(std::string* field, const std::string& value) {
  if (!IsSet(*field)) *field = value;
}

PackageFile NewFile(const InfFile& inf, const std::string& name) {
  PackageFile file;
  file.inf = &inf;
  file.target_name = name;
  file.source_name = name;
  return file;
}

// The INF and the INFs its Include entries name are read as one appended
// INF, as the printer class installer reads them through
// SetupOpenAppendInfFile: a section or key is taken from the first INF, in
// the order they were opened (the kit's own first), that has it.
class Gatherer {
 public:
  Gatherer(const InfFile& inf, DriverPackage* package) : p_(package) { appended_.push_back(&inf); }

  /// One install section: its files, its keys, its DataSection, its Needs.
  void RunSection(const InfFile& inf, const std::string& section) {
    // A section that Needs names again (or names itself) runs once.
    if (!ran_.insert(Folded(inf.path() + "|" + section)).second) return;
    // Include comes first: the INFs it names answer this section's lookups.
    for (const std::string& name : inf.Fields(section, "Include")) OpenInclude(inf, name);
    for (const InfLine& line : inf.Section(section)) {
      if (!line.has_key) continue;
      if (SameText(line.key, "CopyFiles")) {
        for (const std::string& item : line.fields) AddCopyItem(inf, item);
      }
    }
    TakeKeys(inf, section);
    std::string data_section = inf.Value(section, "DataSection");
    if (IsSet(data_section)) {
      for (const InfFile* appended : appended_) TakeKeys(*appended, data_section);
    }
    for (const std::string& needed : inf.Fields(section, "Needs")) RunNeeded(needed);
  }

 private:
  /// The first INF of the appended set whose `section` has lines.
  const InfFile* Holder(const std::string& section) const {
    for (const InfFile* inf : appended_) {
      if (!inf->Section(section).empty()) return inf;
    }
    return nullptr;
  }

  /// The fields of `key` in `section` from the first INF that has the key.
  std::vector<std::string> AppendedFields(const std::string& section, const std::string& key) const {
    for (const InfFile* inf : appended_) {
      std::vector<std::string> fields = inf->Fields(section, key);
      if (!fields.empty()) return fields;
    }
    return {};
  }

  /// The destination of `list` (a file-list section, or "" for an @file
  /// item): its DestinationDirs entry, else DefaultDestDir, else 66000.
  void DestinationOf(const std::string& list, PackageFile* file) const {
    std::vector<std::string> dest;
    if (!list.empty()) dest = AppendedFields("DestinationDirs", list);
    if (dest.empty()) dest = AppendedFields("DestinationDirs", "DefaultDestDir");
    file->dirid = dest.empty() || dest[0].empty()
                      ? kDefaultDirid
                      : static_cast<DWORD>(std::strtoul(dest[0].c_str(), nullptr, 10));
    file->subdir = dest.size() > 1 ? dest[1] : std::string();
  }

  void AddCopyItem(const InfFile& inf, const std::string& item) {
    if (item.empty()) return;
    if (item[0] == '@') {
      PackageFile file = NewFile(inf, item.substr(1));
      DestinationOf("", &file);
      p_->files.push_back(file);
      return;
    }
    const InfFile* holder = Holder(item);
    if (holder == nullptr) return;
    for (const InfLine& line : holder->Section(item)) {
      // destination-file-name[,source-file-name[,temporary-file-name[,flag]]]
      const std::string& target = line.has_key ? line.key : line.fields[0];
      if (target.empty()) continue;
      size_t source_field = line.has_key ? 0 : 1;
      PackageFile file = NewFile(*holder, target);
      if (line.fields.size() > source_field && IsSet(line.fields[source_field])) {
        file.source_name = line.fields[source_field];
      }
      DestinationOf(item, &file);
      p_->files.push_back(file);
    }
  }

  void TakeKeys(const InfFile& inf, const std::string& section) {
    Fill(&p_->driver_file, inf.Value(section, "DriverFile"));
    Fill(&p_->data_file, inf.Value(section, "DataFile"));
    Fill(&p_->config_file, inf.Value(section, "ConfigFile"));
    Fill(&p_->help_file, inf.Value(section, "HelpFile"));
    Fill(&p_->default_datatype, inf.Value(section, "DefaultDataType"));
  }

  /// Appends the INF `name`, looked for beside `from`, then in
  /// <Windows>\inf. An INF already appended is not appended again, so an
  /// Include cycle ends.
  void OpenInclude(const InfFile& from, const std::string& name) {
    char windows[MAX_PATH] = {};
    UINT n = GetWindowsDirectoryA(windows, sizeof windows);
    std::string places[] = {from.Folder() + "\\" + name,
                            (n > 0 && n < sizeof windows ? std::string(windows) : "") + "\\inf\\" + name};
    for (const std::string& path : places) {
      auto inf = std::make_unique<InfFile>(path);
      if (!inf->Exists()) continue;
      for (const InfFile* open : appended_) {
        if (SameText(open->path(), path)) return;
      }
      appended_.push_back(inf.get());
      p_->included.push_back(std::move(inf));
      return;
    }
    p_->missing_includes.push_back(name);
  }

  void RunNeeded(const std::string& section) {
    const InfFile* holder = Holder(section);
    if (holder == nullptr) return p_->missing_needs.push_back(section);
    RunSection(*holder, section);
  }

  DriverPackage* p_;
  std::vector<const InfFile*> appended_;
  std::set<std::string> ran_;
};

}  // namespace

DriverPackage GatherPackage(const InfFile& inf, const std::string& install_section,
                            const std::string& section_name) {
  DriverPackage package;
  Gatherer(inf, &package).RunSection(inf, install_section);
  Fill(&package.data_file, section_name);
  Fill(&package.config_file, package.driver_file);
  return package;
}

}  // namespace printui
