#include "tools/winsim-printui/driver_files.h"

#include "platform/winsim/core_driver_files.h"
#include "tools/winsim-printui/make_folder.h"

namespace printui {
namespace {

struct Pending {
  std::string source_name;
  std::string target_path;
  bool done = false;
};

std::string Joined(const std::string& dir, const std::string& name) {
  if (name.empty()) return dir;
  if (dir.empty() || dir.back() == '\\') return dir + name;
  return dir + "\\" + name;
}

bool SystemString(UINT(WINAPI* get)(LPSTR, UINT), std::string* out) {
  char buffer[MAX_PATH] = {};
  UINT n = get(buffer, sizeof buffer);
  if (n == 0 || n >= sizeof buffer) return false;
  *out = buffer;
  return true;
}

bool DriverDirectory(std::string* out) {
  char buffer[MAX_PATH] = {};
  DWORD needed = 0;
  if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(buffer),
                                  sizeof buffer, &needed)) {
    return false;
  }
  *out = buffer;
  return true;
}

/// The entry of `key` in `section`, taking the platform-decorated section
/// (`section.x86`) first, as Setup does for [SourceDisksNames] and
/// [SourceDisksFiles].
std::vector<std::string> PlatformFields(const InfFile& inf, const std::string& section,
                                        const std::string& key) {
  std::vector<std::string> fields = inf.Fields(section + ".x86", key);
  return fields.empty() ? inf.Fields(section, key) : fields;
}

// FILE_IN_CABINET_INFO's FullTargetName for each member still missing.
UINT CALLBACK ExtractMissing(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR) {
  auto* pending = static_cast<std::vector<Pending>*>(context);
  if (notification == SPFILENOTIFY_FILEEXTRACTED) {
    const auto* paths = reinterpret_cast<const FILEPATHS_A*>(param1);
    for (Pending& p : *pending) {
      if (paths->Win32Error != 0 && SameText(p.target_path, paths->Target)) p.done = false;
    }
    return NO_ERROR;
  }
  if (notification != SPFILENOTIFY_FILEINCABINET) return NO_ERROR;
  auto* info = reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1);
  for (Pending& p : *pending) {
    if (p.done || !SameText(p.source_name, info->NameInCabinet)) continue;
    if (p.target_path.size() >= sizeof info->FullTargetName) return FILEOP_SKIP;
    p.target_path.copy(info->FullTargetName, p.target_path.size());
    info->FullTargetName[p.target_path.size()] = '\0';
    p.done = true;
    return FILEOP_DOIT;
  }
  return FILEOP_SKIP;
}

/// Copies what is still missing from the driver store folder of ntprint.inf,
/// where Vista and later keep the core driver files (they have no driver.cab).
void CopyFromDriverStore(std::vector<Pending>* pending) {
  std::string system;
  if (!SystemString(&GetSystemDirectoryA, &system)) return;
  std::string folder = Joined(system, winsim::kCoreDriverStoreFolder);
  for (Pending& p : *pending) {
    if (p.done) continue;
    std::string source = Joined(folder, p.source_name);
    p.done = GetFileAttributesA(source.c_str()) != INVALID_FILE_ATTRIBUTES &&
             CopyFileA(source.c_str(), p.target_path.c_str(), FALSE);
  }
}

/// Takes what is still missing out of the driver cache cabinet.
void ExtractFromDriverCache(std::vector<Pending>* pending) {
  std::string windows;
  if (!SystemString(&GetWindowsDirectoryA, &windows)) return;
  std::string cabinet = Joined(windows, "Driver Cache\\i386\\driver.cab");
  if (GetFileAttributesA(cabinet.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  std::vector<Pending> before = *pending;
  if (!SetupIterateCabinetA(cabinet.c_str(), 0, &ExtractMissing, pending)) {
    *pending = before;  // a damaged cabinet delivers nothing
  }
}

}  // namespace

bool DestinationDirectory(DWORD dirid, const std::string& subdir, std::string* out) {
  std::string dir;
  bool known = false;
  switch (dirid) {
    case 10:
      known = SystemString(&GetWindowsDirectoryA, &dir);
      break;
    case 11:     // system directory
    case 66002:  // port monitors and language monitors go to the system directory
      known = SystemString(&GetSystemDirectoryA, &dir);
      break;
    case 66000:
      known = DriverDirectory(&dir);
      break;
    // The other printer dirids (Microsoft, "Printer Dirids"): 66001 what
    // GetPrintProcessorDirectory returns, 66003 what GetColorDirectory
    // returns, 66004 the printer type's ASP files of Internet printing.
    case 66001:
      known = SystemString(&GetSystemDirectoryA, &dir);
      dir += "\\spool\\prtprocs\\w32x86";
      break;
    case 66003:
      known = SystemString(&GetSystemDirectoryA, &dir);
      dir += "\\spool\\drivers\\color";
      break;
    case 66004:
      known = SystemString(&GetWindowsDirectoryA, &dir);
      dir += "\\web\\printers";
      break;
    default:
      break;
  }
  if (!known) return false;
  *out = Joined(dir, subdir);
  return true;
}

std::string SourcePath(const PackageFile& file) {
  const InfFile& inf = *file.inf;
  std::string dir = inf.Folder();
  // filename = diskid[,subdir[,size]]  and  diskid = description[,tag[,unused[,path]]]
  std::vector<std::string> entry = PlatformFields(inf, "SourceDisksFiles", file.source_name);
  if (!entry.empty()) {
    std::vector<std::string> disk = PlatformFields(inf, "SourceDisksNames", entry[0]);
    if (disk.size() > 3) dir = Joined(dir, disk[3]);
    if (entry.size() > 1) dir = Joined(dir, entry[1]);
  }
  while (!dir.empty() && dir.back() == '\\') dir.pop_back();
  return Joined(dir, file.source_name);
}

DWORD CopyPackageFiles(const std::vector<PackageFile>& files, std::string* failed) {
  std::vector<Pending> pending;
  for (const PackageFile& file : files) {
    std::string dir;
    if (!DestinationDirectory(file.dirid, file.subdir, &dir)) {
      *failed = file.target_name;
      return ERROR_INVALID_PARAMETER;
    }
    MakeFolder(dir);
    Pending p{file.source_name, Joined(dir, file.target_name)};
    bool listed = false;  // a file that two sections copy is copied once
    for (const Pending& q : pending) listed = listed || SameText(q.target_path, p.target_path);
    if (listed) continue;
    std::string source = SourcePath(file);
    if (GetFileAttributesA(source.c_str()) != INVALID_FILE_ATTRIBUTES) {
      if (!CopyFileA(source.c_str(), p.target_path.c_str(), FALSE)) {
        *failed = file.target_name;
        return GetLastError();
      }
      p.done = true;
    }
    pending.push_back(p);
  }
  bool missing = false;
  for (const Pending& p : pending) missing = missing || !p.done;
  if (missing) {
    CopyFromDriverStore(&pending);
    ExtractFromDriverCache(&pending);
  }
  for (const Pending& p : pending) {
    if (p.done) continue;
    *failed = p.source_name;
    return ERROR_FILE_NOT_FOUND;
  }
  return 0;
}

}  // namespace printui
