#include "installer/records/oem_inf.h"

#include <cstring>

#include "common/error_box.h"
#include "common/strbuf.h"
#include "common/text.h"
#include "common/unique_handle.h"
#include "common/version.h"
#include "installer/inf/file_names.h"
#include "installer/records/driver_record.h"

namespace {

constexpr char kOemInfValue[] = "OEMINF";

/// The Windows directory into `windows`; false when it is not available or
/// would not fit.
bool GetWindowsDir(char (&windows)[kMaxPath]) {
  UINT n = GetWindowsDirectoryA(windows, sizeof windows);
  windows[sizeof windows - 1] = '\0';
  return n != 0 && n < sizeof windows;
}

void WriteOemInfValue(const char* record_path, const char* copy_path) {
  kit::UniqueRegKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, record_path, 0, KEY_SET_VALUE, key.Put()) !=
      ERROR_SUCCESS) {
    return;
  }
  RegSetValueExA(key.Get(), kOemInfValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(copy_path),
                 static_cast<DWORD>(std::strlen(copy_path)));
}

/// The copy path recorded as "OEMINF" (version code 9). False when the
/// record or the value cannot be read, or the value does not fit 259 bytes.
bool ReadRecordedCopyPath(const std::string& printer_name, const std::string& manufacturer,
                          char (&copy_path)[kMaxPath]) {
  char record[kMaxPath] = {};
  if (!ComposeDriverRecordPath(record, manufacturer, printer_name)) return false;
  if (!RegistryKeyExists(record)) return false;
  kit::UniqueRegKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, record, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) {
    return false;
  }
  // One spare byte keeps the text terminated even when the value fills all
  // 260 bytes without a NUL; such a value is longer than any path here.
  char value[kMaxPath + 1] = {};
  DWORD type = 0;
  DWORD size = kMaxPath;
  if (RegQueryValueExA(key.Get(), kOemInfValue, nullptr, &type, reinterpret_cast<LPBYTE>(value),
                       &size) != ERROR_SUCCESS) {
    return false;
  }
  return kit::CopyStr(copy_path, value);
}

/// <Windows>\INF\<INF file name>, the copy made by the installer's own path.
bool ComposeWindowsInfCopyPath(const std::string& inf_path, char (&copy_path)[kMaxPath]) {
  char file_name[kMaxPath] = {};
  char windows[kMaxPath] = {};
  if (!kit::CopyStr(file_name, kit::FileNamePart(inf_path))) return false;
  if (!GetWindowsDir(windows)) return false;
  if (kit::FormatStr(copy_path, "%s\\INF\\%s", windows, file_name)) return true;
  copy_path[0] = '\0';
  return false;
}

/// True when `path` names a file directly inside <Windows>\INF (letter case
/// ignored), the only place whose files an uninstall may delete.
bool IsInWindowsInfDir(std::string_view path) {
  char windows[kMaxPath] = {};
  if (!GetWindowsDir(windows)) return false;
  std::string inf_dir = kit::ToUpper(kit::FormatString("%s\\INF", windows));
  return IsPlainFileName(kit::FileNamePart(path)) &&
         kit::ToUpper(kit::DirectoryPart(path)) == inf_dir;
}

void DeleteIfInWindowsInfDir(const char* path) {
  if (IsInWindowsInfDir(path)) DeleteFileA(path);
}

/// Reads up to `size` bytes, fewer only at the end of the file; false on a
/// read error.
bool ReadChunk(HANDLE file, char* buffer, DWORD size, DWORD* got) {
  *got = 0;
  while (*got < size) {
    DWORD n = 0;
    if (!ReadFile(file, buffer + *got, size - *got, &n, nullptr)) return false;
    if (n == 0) break;
    *got += n;
  }
  return true;
}

/// True when both files can be read and hold the same bytes.
bool HaveSameBytes(const char* a, const char* b) {
  kit::UniqueFile file_a(CreateFileA(a, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  kit::UniqueFile file_b(CreateFileA(b, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_a || !file_b) return false;
  char chunk_a[4096];
  char chunk_b[4096];
  for (;;) {
    DWORD got_a = 0, got_b = 0;
    if (!ReadChunk(file_a.Get(), chunk_a, sizeof chunk_a, &got_a) ||
        !ReadChunk(file_b.Get(), chunk_b, sizeof chunk_b, &got_b) || got_a != got_b ||
        std::memcmp(chunk_a, chunk_b, got_a) != 0) {
      return false;
    }
    if (got_a < sizeof chunk_a) return true;
  }
}

}  // namespace

PnfPath PnfPathOf(const char* copy_path, char (&pnf)[kMaxPath]) {
  pnf[0] = '\0';
  // Windows names the precompiled file after its INF by replacing the file
  // name's last extension ("setup.v2.inf" -> "setup.v2.pnf"), in the same
  // folder. A dot in the folder or an earlier dot of the name never cuts:
  // "setup.pnf" belongs to another INF.
  std::string_view path(copy_path);
  size_t name_start = path.size() - kit::FileNamePart(path).size();
  std::string_view name = path.substr(name_start);
  // A name of dots only (or none) is no INF's; ".inf" has the PNF ".pnf".
  if (name.find_first_not_of('.') == std::string_view::npos) return PnfPath::kNone;
  std::string_view stem = name.substr(0, kit::FindLastChar(name, '.'));
  std::string_view base = path.substr(0, name_start + stem.size());
  if (kit::FormatStr(pnf, "%.*s.pnf", static_cast<int>(base.size()), base.data())) {
    return PnfPath::kFormed;
  }
  pnf[0] = '\0';
  return PnfPath::kTooLong;
}

bool CopyOemInf(std::string inf_path, std::string printer_name, std::string manufacturer) {
  std::string name = kit::RemoveChar(printer_name, '"');
  std::string folder = kit::DirectoryPart(inf_path);

  // The spare byte keeps the copy's path terminated whatever the call wrote.
  char destination[kMaxPath + 1] = {};
  DWORD required = 0;
  if (!SetupCopyOEMInfA(inf_path.c_str(), folder.c_str(), SPOST_PATH, SP_COPY_NOOVERWRITE,
                        destination, kMaxPath, &required, nullptr)) {
    DWORD error = GetLastError();
    // The INF is already registered (perhaps by the printer UI that is
    // installing from it right now): the buffer names the existing copy.
    if (error != ERROR_FILE_EXISTS) {
      ShowLastErrorBox(error, "Copy Oem Inf");
      return false;
    }
  }

  char record[kMaxPath] = {};
  if (ComposeDriverRecordPath(record, manufacturer, name) && RegistryKeyExists(record)) {
    WriteOemInfValue(record, destination);
  }
  return true;
}

bool RemoveOemInf(std::string inf_path, std::string printer_name, std::string manufacturer) {
  char copy_path[kMaxPath] = {};
  if (GetWindowsVersion() == kVersionWinXp) {
    if (!ReadRecordedCopyPath(printer_name, manufacturer, copy_path)) return false;
  } else if (!ComposeWindowsInfCopyPath(inf_path, copy_path)) {
    return false;
  }

  char pnf[kMaxPath] = {};
  PnfPath pnf_state = PnfPathOf(copy_path, pnf);
  if (pnf_state == PnfPath::kTooLong) return false;

  // The copy's name may be another vendor's or the system's INF as well
  // ("oemsetup.inf"): only a copy that holds the kit's INF byte for byte is
  // the one this install made, and only then is its PNF ours too.
  if (HaveSameBytes(copy_path, inf_path.c_str())) {
    DeleteIfInWindowsInfDir(copy_path);
    if (pnf_state == PnfPath::kFormed) DeleteIfInWindowsInfDir(pnf);
  }

  std::string folder = kit::DirectoryPart(inf_path);
  if (folder.empty()) return true;
  if (!SetupRemoveFromSourceListA(SRCLIST_SYSIFADMIN, folder.c_str())) {
    ShowLastErrorBox(GetLastError(), "Remove Path from Source List");
    return false;
  }
  DeleteDriverRecord(manufacturer, printer_name);
  return true;
}
