// WINSPOOL printer drivers of the simulated system, all of environment
// "Windows NT x86", kept under the key and in the directory of version 3.
//
//   AddPrinterDriverExA         levels 2, 3, 4, 6 and 8 (8 read as 6); every
//                               copy flag, upgrades of an installed driver
//   DeletePrinterDriverExA      DPD_DELETE_UNUSED_FILES, DPD_DELETE_ALL_FILES,
//                               DPD_DELETE_SPECIFIC_VERSION
//   DeletePrinterDriverA        keeps the files
//   GetPrinterDriverDirectoryA  level 1
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "platform/winsim/spooler_checks.h"
#include "platform/winsim/spooler_driver_files.h"
#include "platform/winsim/spooler_listing.h"
#include "platform/winsim/spooler_store.h"
#include "platform/winsim/winsim.h"

namespace sp = winsim::spooler;

namespace {

// Each level's structure begins with the whole structure of the level below.
static_assert(offsetof(DRIVER_INFO_6A, pHelpFile) == sizeof(DRIVER_INFO_2A));
static_assert(offsetof(DRIVER_INFO_6A, pszzPreviousNames) == sizeof(DRIVER_INFO_3A));
static_assert(offsetof(DRIVER_INFO_6A, ftDriverDate) == sizeof(DRIVER_INFO_4A));
static_assert(offsetof(DRIVER_INFO_8A, pszPrintProcessor) == sizeof(DRIVER_INFO_6A));

// The bytes of the caller's structure at `level`; 0 for a level not accepted.
size_t DriverInfoSize(DWORD level) {
  switch (level) {
    case 2: return sizeof(DRIVER_INFO_2A);
    case 3: return sizeof(DRIVER_INFO_3A);
    case 4: return sizeof(DRIVER_INFO_4A);
    case 6: return sizeof(DRIVER_INFO_6A);
    case 8: return sizeof(DRIVER_INFO_6A);  // what level 8 adds is not kept
    default: return 0;
  }
}

// The caller's description as a level-6 one whose members beyond its level are NULL.
DRIVER_INFO_6A AsLevel6(const BYTE* info, size_t size) {
  DRIVER_INFO_6A d{};
  std::memcpy(&d, info, size);
  return d;
}

// The strings of a REG_MULTI_SZ-style list, however long it is.
std::vector<std::string> MultiSzItems(const char* list) {
  std::vector<std::string> items;
  if (list == nullptr) return items;
  while (*list != '\0') {
    items.emplace_back(list);
    list += items.back().size() + 1;
  }
  return items;
}

bool IsMissing(const char* s) { return s == nullptr || s[0] == '\0'; }

uint64_t FileTimeValue(const FILETIME& t) {
  return static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime;
}

// The description as it will be stored, before its files are looked up:
// every member as given, a NULL one marked as such.
sp::DriverRecord RecordOf(const DRIVER_INFO_6A& d, DWORD copy_flags) {
  sp::DriverRecord r;
  r.name = d.pName;
  r.version = d.cVersion;
  r.driver_file = sp::Text(d.pDriverPath);
  r.data_file = sp::Text(d.pDataFile);
  r.config_file = sp::Text(d.pConfigFile);
  auto take = [&r](const char* from, std::string* to, sp::DriverField field) {
    if (from == nullptr) r.null_fields |= field;
    *to = sp::Text(from);
  };
  take(d.pHelpFile, &r.help_file, sp::kHelpFileField);
  take(d.pMonitorName, &r.monitor, sp::kMonitorField);
  take(d.pDefaultDataType, &r.datatype, sp::kDatatypeField);
  take(d.pszMfgName, &r.manufacturer, sp::kManufacturerField);
  take(d.pszOEMUrl, &r.oem_url, sp::kOemUrlField);
  take(d.pszHardwareID, &r.hardware_id, sp::kHardwareIdField);
  take(d.pszProvider, &r.provider, sp::kProviderField);
  if (d.pDependentFiles == nullptr) r.null_fields |= sp::kDependentFilesField;
  if (d.pszzPreviousNames == nullptr) r.null_fields |= sp::kPreviousNamesField;
  r.dependent_files = MultiSzItems(d.pDependentFiles);
  r.previous_names = MultiSzItems(d.pszzPreviousNames);
  r.driver_date = FileTimeValue(d.ftDriverDate);
  r.driver_version = d.dwlDriverVersion;
  r.copy_flags = copy_flags;
  return r;
}

// Finds every file the record names and replaces each name by its bare form.
DWORD FindFiles(sp::DriverRecord* r, std::vector<sp::SourceFile>* sources) {
  auto find = [sources](std::string* name) -> DWORD {
    if (name->empty()) return 0;
    sp::SourceFile file;
    DWORD rc = sp::FindDriverFile(*name, &file);
    if (rc != 0) return rc;
    *name = file.file_name;
    sources->push_back(file);
    return 0;
  };
  std::string* fields[] = {&r->driver_file, &r->data_file, &r->config_file, &r->help_file};
  for (std::string* f : fields) {
    if (DWORD rc = find(f)) return rc;
  }
  for (std::string& f : r->dependent_files) {
    if (DWORD rc = find(&f)) return rc;
  }
  return 0;
}

constexpr DWORD kUpgradeFlags =
    APD_STRICT_UPGRADE | APD_STRICT_DOWNGRADE | APD_COPY_ALL_FILES | APD_COPY_NEW_FILES;

// Whether the strict flags let the offered files replace the installed ones.
// Microsoft's protocol description (MS-RPRN, RpcAddPrinterDriverEx) is
// followed: a strict upgrade takes no file older than its installed copy, a
// strict downgrade no file newer; a file of the same time, or one with no
// installed copy, never stands in the way.
bool StrictnessAllows(const std::vector<sp::SourceFile>& sources, DWORD copy_flags) {
  for (const sp::SourceFile& file : sources) {
    sp::OfferedAge age = sp::CompareWithInstalled(file);
    if ((copy_flags & APD_STRICT_UPGRADE) && age == sp::OfferedAge::kOlder) return false;
    if ((copy_flags & APD_STRICT_DOWNGRADE) && age == sp::OfferedAge::kNewer) return false;
  }
  return true;
}

// True when a file is copied only over an older copy: every flag but
// APD_COPY_ALL_FILES and APD_STRICT_DOWNGRADE (which installs older files).
bool CopiesOnlyNewer(DWORD copy_flags) {
  return (copy_flags & (APD_COPY_ALL_FILES | APD_STRICT_DOWNGRADE)) == 0;
}

DWORD AddDriver(sp::DriverRecord record) {
  winsim::Transaction tx(winsim::Transaction::kWrite);
  if (tx.status() != 0) return tx.status();
  sp::DriverRecord existing;
  bool upgrade = sp::ReadDriver(tx.db(), record.name, &existing) == 0;
  // Without a copy flag an installed driver stays as it is.
  if (upgrade && (record.copy_flags & kUpgradeFlags) == 0) {
    return ERROR_PRINTER_DRIVER_ALREADY_INSTALLED;
  }
  std::vector<sp::SourceFile> sources;
  DWORD rc = FindFiles(&record, &sources);
  if (rc != 0) return rc;
  // Microsoft documents no code for a refused strict upgrade or downgrade;
  // winsim answers 1795, since the installed driver stays in place.
  if (upgrade && !StrictnessAllows(sources, record.copy_flags)) {
    return ERROR_PRINTER_DRIVER_ALREADY_INSTALLED;
  }
  for (const sp::SourceFile& file : sources) {
    rc = sp::InstallDriverFile(file, CopiesOnlyNewer(record.copy_flags));
    if (rc != 0) return rc;
  }
  // An upgrade replaces the whole description: no value of the old one stays.
  if (upgrade) rc = sp::DeleteDriverKey(tx.db(), existing.name);
  if (rc == 0) rc = sp::WriteDriver(tx.db(), record);
  return rc != 0 ? rc : tx.Commit();
}

// The driver's files that no other installed driver names.
std::vector<std::string> UnsharedFiles(sqlite3* db, const sp::DriverRecord& driver) {
  std::vector<std::string> shared;
  for (const std::string& name : sp::DriverNames(db)) {
    sp::DriverRecord other;
    if (sp::SameName(name, driver.name) || sp::ReadDriver(db, name, &other) != 0) continue;
    for (std::string& f : sp::DriverFiles(other)) shared.push_back(std::move(f));
  }
  std::vector<std::string> unshared;
  for (const std::string& f : sp::DriverFiles(driver)) {
    bool used = false;
    // Compared as the file system resolves names: "PSCRIPT5.DLL." names the
    // file PSCRIPT5.DLL, so no other spelling passes for an unshared file.
    for (const std::string& s : shared) used = used || winsim::SameFileName(f, s);
    if (!used) unshared.push_back(f);
  }
  return unshared;
}

DWORD DeleteDriver(const char* name, DWORD delete_flags, DWORD version_flag) {
  winsim::Transaction tx(winsim::Transaction::kWrite);
  if (tx.status() != 0) return tx.status();
  // An uninstall lists the printers again after deleting the driver, which
  // changes no printer: the listing this process holds stays good.
  sp::ListingChange change(tx.db());
  sp::DriverRecord driver;
  DWORD rc = sp::ReadDriver(tx.db(), name, &driver);
  if (rc != 0) return rc;
  if ((delete_flags & DPD_DELETE_SPECIFIC_VERSION) && version_flag != driver.version) {
    return ERROR_UNKNOWN_PRINTER_DRIVER;
  }
  if (sp::DriverInUse(tx.db(), driver.name)) return ERROR_PRINTER_DRIVER_IN_USE;
  if (delete_flags & (DPD_DELETE_UNUSED_FILES | DPD_DELETE_ALL_FILES)) {
    // The files go while the store is locked, so no other process can
    // register a driver that names one of them in between.
    std::vector<std::string> unshared = UnsharedFiles(tx.db(), driver);
    // DPD_DELETE_ALL_FILES: the driver goes only with every one of its
    // files, so a file that another driver names keeps it. Microsoft's page
    // says the call fails and names no code; winsim answers 3001, the code
    // the spooler gives for a driver that is still needed.
    if ((delete_flags & DPD_DELETE_ALL_FILES) && unshared.size() != sp::DriverFiles(driver).size()) {
      return ERROR_PRINTER_DRIVER_IN_USE;
    }
    // DPD_DELETE_ALL_FILES deletes the driver "only if all its associated
    // files can be removed" (Microsoft's page): every file is checked before
    // the first goes, so a refusal leaves the driver and its files whole.
    if (delete_flags & DPD_DELETE_ALL_FILES) {
      for (const std::string& f : unshared) {
        if (DWORD refused = sp::CheckDriverFileRemovable(f)) return refused;
      }
    }
    for (const std::string& f : unshared) {
      rc = sp::RemoveDriverFile(f);
      if (rc != 0 && (delete_flags & DPD_DELETE_ALL_FILES)) return rc;
      sp::RemoveStagedFile(f);
    }
  }
  rc = sp::DeleteDriverKey(tx.db(), driver.name);
  if (rc != 0) return rc;
  change.NoPrinterChanged();
  return change.Commit(tx);
}

DWORD CheckDeleteArguments(LPSTR server, LPSTR environment, LPSTR name) {
  if (!sp::IsLocalServer(server)) return ERROR_INVALID_NAME;
  if (!sp::IsOurEnvironment(environment)) return ERROR_INVALID_ENVIRONMENT;
  if (name == nullptr) return ERROR_INVALID_PARAMETER;
  if (!sp::IsKeyName(name)) return ERROR_UNKNOWN_PRINTER_DRIVER;
  return 0;
}

}  // namespace

extern "C" {

// ---- WINSPOOL.DRV AddPrinterDriverExA ----------------------------------------
// Native: every file the description names (driver, data, configuration,
// help, each dependent file) must be in the printer-driver directory; the
// spooler copies them into its version subdirectory "3" and records bare
// names. Driver, data and configuration file are required (87). Levels 2, 3,
// 4, 6 and 8 are accepted (Microsoft's page), others fail with 124. A
// cVersion above 3 is refused with ERROR_PRINTER_DRIVER_BLOCKED (MS-RPRN,
// RpcAddPrinterDriver); a lower one is recorded as given.
// A driver of that name already installed is replaced as the copy flags say
// (Microsoft's page for the function): APD_COPY_ALL_FILES copies every file,
// whatever its time; APD_COPY_NEW_FILES only files newer than their installed
// copies; APD_STRICT_UPGRADE and APD_STRICT_DOWNGRADE refuse (1795) when a
// file is older, or newer, than its installed copy. In every case the
// description is replaced. With no copy flag it stays: 1795, nothing changed.
BOOL WINAPI AddPrinterDriverExA(LPSTR server, DWORD level, LPBYTE driver_info, DWORD copy_flags) {
  if (winsim::FaultInjected("AddPrinterDriverExA")) return FALSE;
  if (!sp::IsLocalServer(server)) return sp::Fail(ERROR_INVALID_NAME);
  size_t size = DriverInfoSize(level);
  if (size == 0) return sp::Fail(ERROR_INVALID_LEVEL);
  if (driver_info == nullptr) return sp::Fail(ERROR_INVALID_PARAMETER);
  const DRIVER_INFO_6A d = AsLevel6(driver_info, size);
  if (!sp::IsOurEnvironment(d.pEnvironment)) return sp::Fail(ERROR_INVALID_ENVIRONMENT);
  if (d.pName == nullptr || !sp::IsKeyName(d.pName)) return sp::Fail(ERROR_INVALID_PARAMETER);
  if (IsMissing(d.pDriverPath) || IsMissing(d.pDataFile) || IsMissing(d.pConfigFile)) {
    return sp::Fail(ERROR_INVALID_PARAMETER);
  }
  if (d.cVersion > sp::kDriverVersion) return sp::Fail(ERROR_PRINTER_DRIVER_BLOCKED);
  DWORD rc = AddDriver(RecordOf(d, copy_flags));
  return rc == 0 ? TRUE : sp::Fail(rc);
}

// ---- WINSPOOL.DRV DeletePrinterDriverExA -------------------------------------
// Native: a driver that a printer uses stays (3001). With
// DPD_DELETE_UNUSED_FILES its files leave the version directory unless
// another driver names them; so do the copies staged for it in the driver
// directory, so that an install followed by an uninstall leaves the
// directory as it found it. With DPD_DELETE_ALL_FILES the driver goes only
// with all its files: when another driver names one of them the call fails
// (3001) and nothing changes. With DPD_DELETE_SPECIFIC_VERSION only a driver
// of version `version_flag` is deleted (1797 otherwise).
BOOL WINAPI DeletePrinterDriverExA(LPSTR server, LPSTR environment, LPSTR driver_name,
                                   DWORD delete_flags, DWORD version_flag) {
  if (winsim::FaultInjected("DeletePrinterDriverExA")) return FALSE;
  DWORD rc = CheckDeleteArguments(server, environment, driver_name);
  if (rc == 0) rc = DeleteDriver(driver_name, delete_flags, version_flag);
  return rc == 0 ? TRUE : sp::Fail(rc);
}

// ---- WINSPOOL.DRV DeletePrinterDriverA ---------------------------------------
// Native: removes the driver's registration and leaves its files.
BOOL WINAPI DeletePrinterDriverA(LPSTR server, LPSTR environment, LPSTR driver_name) {
  if (winsim::FaultInjected("DeletePrinterDriverA")) return FALSE;
  DWORD rc = CheckDeleteArguments(server, environment, driver_name);
  if (rc == 0) rc = DeleteDriver(driver_name, 0, 0);
  return rc == 0 ? TRUE : sp::Fail(rc);
}

// ---- WINSPOOL.DRV GetPrinterDriverDirectoryA ---------------------------------
// Native: the directory as a Windows path with its NUL; *needed counts bytes
// with the NUL, also when the buffer is too small (122). The directory exists
// afterwards.
BOOL WINAPI GetPrinterDriverDirectoryA(LPSTR server, LPSTR environment, DWORD level,
                                       LPBYTE buffer, DWORD size, LPDWORD needed) {
  if (winsim::FaultInjected("GetPrinterDriverDirectoryA")) return FALSE;
  if (!sp::IsLocalServer(server)) return sp::Fail(ERROR_INVALID_NAME);
  if (!sp::IsOurEnvironment(environment)) return sp::Fail(ERROR_INVALID_ENVIRONMENT);
  if (level != 1) return sp::Fail(ERROR_INVALID_LEVEL);
  if (needed == nullptr) return sp::Fail(ERROR_INVALID_PARAMETER);
  std::string host;
  sp::EnsureDriverDirectory(&host);  // a directory that cannot be made shows at the copy
  const std::string& dir = winsim::Facts().driver_dir;
  *needed = static_cast<DWORD>(dir.size() + 1);
  if (size < *needed) return sp::Fail(ERROR_INSUFFICIENT_BUFFER);
  if (buffer == nullptr) return sp::Fail(ERROR_INVALID_PARAMETER);
  std::memcpy(buffer, dir.c_str(), dir.size() + 1);
  return TRUE;
}

}  // extern "C"
