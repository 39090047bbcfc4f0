// WINSPOOL printer drivers of the simulated system, all of environment
// "Windows NT x86", version 3.
//
//   AddPrinterDriverExA         level 6
//   DeletePrinterDriverExA      DPD_DELETE_UNUSED_FILES, DPD_DELETE_ALL_FILES,
//                               DPD_DELETE_SPECIFIC_VERSION
//   DeletePrinterDriverA        keeps the files
//   GetPrinterDriverDirectoryA  level 1
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "platform/winsim/spooler_checks.h"
#include "platform/winsim/spooler_driver_files.h"
#include "platform/winsim/spooler_store.h"

namespace sp = winsim::spooler;

namespace {

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

// The description as it will be stored, before its files are looked up.
sp::DriverRecord RecordOf(const DRIVER_INFO_6A& d) {
  sp::DriverRecord r;
  r.name = d.pName;
  r.version = sp::kDriverVersion;
  r.driver_file = sp::Text(d.pDriverPath);
  r.data_file = sp::Text(d.pDataFile);
  r.config_file = sp::Text(d.pConfigFile);
  r.help_file = sp::Text(d.pHelpFile);
  r.dependent_files = MultiSzItems(d.pDependentFiles);
  r.monitor = sp::Text(d.pMonitorName);
  r.datatype = sp::Text(d.pDefaultDataType);
  r.previous_names = MultiSzItems(d.pszzPreviousNames);
  r.manufacturer = sp::Text(d.pszMfgName);
  r.oem_url = sp::Text(d.pszOEMUrl);
  r.hardware_id = sp::Text(d.pszHardwareID);
  r.provider = sp::Text(d.pszProvider);
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

DWORD AddDriver(sp::DriverRecord record, DWORD copy_flags) {
  winsim::Transaction tx(winsim::Transaction::kWrite);
  if (tx.status() != 0) return tx.status();
  sp::DriverRecord existing;
  if (sp::ReadDriver(tx.db(), record.name, &existing) == 0) {
    return ERROR_PRINTER_DRIVER_ALREADY_INSTALLED;
  }
  std::vector<sp::SourceFile> sources;
  DWORD rc = FindFiles(&record, &sources);
  if (rc != 0) return rc;
  // Without APD_COPY_ALL_FILES the spooler copies only what is new.
  bool only_if_newer = (copy_flags & APD_COPY_ALL_FILES) == 0;
  for (const sp::SourceFile& file : sources) {
    rc = sp::InstallDriverFile(file, only_if_newer);
    if (rc != 0) return rc;
  }
  rc = sp::WriteDriver(tx.db(), record);
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
    for (const std::string& s : shared) used = used || sp::SameName(f, s);
    if (!used) unshared.push_back(f);
  }
  return unshared;
}

DWORD DeleteDriver(const char* name, DWORD delete_flags) {
  winsim::Transaction tx(winsim::Transaction::kWrite);
  if (tx.status() != 0) return tx.status();
  sp::DriverRecord driver;
  DWORD rc = sp::ReadDriver(tx.db(), name, &driver);
  if (rc != 0) return rc;
  if (sp::DriverInUse(tx.db(), driver.name)) return ERROR_PRINTER_DRIVER_IN_USE;
  if (delete_flags & (DPD_DELETE_UNUSED_FILES | DPD_DELETE_ALL_FILES)) {
    // The files go while the store is locked, so no other process can
    // register a driver that names one of them in between.
    for (const std::string& f : UnsharedFiles(tx.db(), driver)) {
      rc = sp::RemoveDriverFile(f);
      // DPD_DELETE_ALL_FILES fails when a file cannot go; the driver stays.
      if (rc != 0 && (delete_flags & DPD_DELETE_ALL_FILES)) return rc;
      sp::RemoveStagedFile(f);
    }
  }
  rc = sp::DeleteDriverKey(tx.db(), driver.name);
  return rc != 0 ? rc : tx.Commit();
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
// spooler copies them into its version subdirectory "3" (all of them with
// APD_COPY_ALL_FILES, else those not there yet or newer) and records bare
// names. Driver, data and configuration file are required (87). A driver of
// that name already installed: 1795, nothing changed.
BOOL WINAPI AddPrinterDriverExA(LPSTR server, DWORD level, LPBYTE driver_info, DWORD copy_flags) {
  if (winsim::FaultInjected("AddPrinterDriverExA")) return FALSE;
  if (!sp::IsLocalServer(server)) return sp::Fail(ERROR_INVALID_NAME);
  if (level != 6) return sp::Fail(ERROR_INVALID_LEVEL);
  if (driver_info == nullptr) return sp::Fail(ERROR_INVALID_PARAMETER);
  const auto* d = reinterpret_cast<const DRIVER_INFO_6A*>(driver_info);
  if (!sp::IsOurEnvironment(d->pEnvironment)) return sp::Fail(ERROR_INVALID_ENVIRONMENT);
  if (d->pName == nullptr || !sp::IsKeyName(d->pName)) return sp::Fail(ERROR_INVALID_PARAMETER);
  if (IsMissing(d->pDriverPath) || IsMissing(d->pDataFile) || IsMissing(d->pConfigFile)) {
    return sp::Fail(ERROR_INVALID_PARAMETER);
  }
  DWORD rc = AddDriver(RecordOf(*d), copy_flags);
  return rc == 0 ? TRUE : sp::Fail(rc);
}

// ---- WINSPOOL.DRV DeletePrinterDriverExA -------------------------------------
// Native: a driver that a printer uses stays (3001). With
// DPD_DELETE_UNUSED_FILES or DPD_DELETE_ALL_FILES its files leave the
// version directory unless another driver names them; so do the copies
// staged for it in the driver directory, so that an install followed by an
// uninstall leaves the directory as it found it. With
// DPD_DELETE_SPECIFIC_VERSION only version `version_flag` is deleted.
BOOL WINAPI DeletePrinterDriverExA(LPSTR server, LPSTR environment, LPSTR driver_name,
                                   DWORD delete_flags, DWORD version_flag) {
  if (winsim::FaultInjected("DeletePrinterDriverExA")) return FALSE;
  DWORD rc = CheckDeleteArguments(server, environment, driver_name);
  if (rc == 0 && (delete_flags & DPD_DELETE_SPECIFIC_VERSION) && version_flag != sp::kDriverVersion) {
    rc = ERROR_UNKNOWN_PRINTER_DRIVER;
  }
  if (rc == 0) rc = DeleteDriver(driver_name, delete_flags);
  return rc == 0 ? TRUE : sp::Fail(rc);
}

// ---- WINSPOOL.DRV DeletePrinterDriverA ---------------------------------------
// Native: removes the driver's registration and leaves its files.
BOOL WINAPI DeletePrinterDriverA(LPSTR server, LPSTR environment, LPSTR driver_name) {
  if (winsim::FaultInjected("DeletePrinterDriverA")) return FALSE;
  DWORD rc = CheckDeleteArguments(server, environment, driver_name);
  if (rc == 0) rc = DeleteDriver(driver_name, 0);
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
