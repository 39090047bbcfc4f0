// Windows paths on the host. C: is <root>/drive_c and Z: is the host's /;
// other drives do not exist.
//
// A path is mapped the way Windows opens one: the ANSI text is converted to
// Unicode in the system code page (so a trail byte 0x5C of code page 932 is
// never a separator), made a full path by GetFullPathName's rules, and only
// then split into the components that name host files, each in UTF-8.
//
// GetFullPathName's rules, as Wine's conformance tests of
// RtlGetFullPathName_U show them on Windows (dlls/ntdll/tests/path.c) and
// Microsoft's "File path formats on Windows systems" describes them:
// - `/` is a separator like `\`; runs of separators count as one.
// - A relative path starts at the current directory; `\x` at the root of the
//   current directory's drive; `C:x` at the current directory when that is
//   on C:, else at C:'s root.
// - `.` is dropped and `..` drops the component before it; neither climbs
//   above the drive's root.
// - The last component, when no separator follows it, loses all its trailing
//   dots and blanks (`A.DLL. ` is `A.DLL`; `..` first counts as the parent,
//   `.. ` does not and vanishes). A component followed by a separator loses
//   one trailing dot (`test..\` is `test.\`) and keeps its blanks.
// Existing components are found without regard to letter case, as on
// Windows; components that do not exist yet keep the spelling they were
// given, so files are created as named.
//
// A last component that names a DOS device (CON, NUL, AUX, PRN, COM1-9,
// LPT1-9, CONIN$, CONOUT$, whatever follows a dot) opens the device on
// Windows, not a file in the folder (RtlIsDosDeviceName_U in Wine's ntdll
// path tests). This system has no devices: such a path names no host file
// and is refused, so that nothing is ever written under a device's name.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "platform/winsim/winsim.h"

namespace winsim {
namespace {

bool IsSeparator(char32_t c) { return c == U'\\' || c == U'/'; }

bool IsInvalidNameChar(char32_t c) {
  return c < 0x20 || c == U'<' || c == U'>' || c == U':' || c == U'"' || c == U'|' || c == U'?' ||
         c == U'*';
}

char32_t DriveLetter(char32_t c) { return (c >= U'a' && c <= U'z') ? c - 0x20 : c; }

bool IsDriveLetter(char32_t c) { return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z'); }

/// The part before the first dot, less trailing blanks, decides.
bool NamesDosDevice(std::u32string_view name) {
  std::u32string_view base = name.substr(0, name.find(U'.'));
  while (!base.empty() && base.back() == U' ') base.remove_suffix(1);
  std::u32string upper;
  for (char32_t c : base) upper += DriveLetter(c);
  if (upper.size() == 4 && upper[3] >= U'1' && upper[3] <= U'9' &&
      (upper.compare(0, 3, U"COM") == 0 || upper.compare(0, 3, U"LPT") == 0))
    return true;
  return upper == U"CON" || upper == U"NUL" || upper == U"AUX" || upper == U"PRN" ||
         upper == U"CONIN$" || upper == U"CONOUT$";
}

/// A full Windows path: a drive and the components below its root.
struct FullPath {
  char32_t drive = U'C';
  std::vector<std::u32string> components;
};

std::string DriveCBase() { return Root() + "/drive_c"; }

/// The current directory of the process in Windows terms. false when the
/// host's current directory has a name with no Windows form.
bool CurrentDirectory(FullPath* out) {
  char buffer[4096];
  if (!::getcwd(buffer, sizeof buffer)) return false;
  std::string host = buffer;
  std::string drive_c = DriveCBase();
  out->components.clear();
  out->drive = U'Z';
  if (host.compare(0, drive_c.size(), drive_c) == 0 &&
      (host.size() == drive_c.size() || host[drive_c.size()] == '/')) {
    out->drive = U'C';
    host.erase(0, drive_c.size());
  }
  size_t i = 0;
  while (i < host.size()) {
    size_t end = host.find('/', i);
    if (end == std::string::npos) end = host.size();
    if (end > i) {
      std::u32string name;
      if (!Utf8ToWide(std::string_view(host).substr(i, end - i), &name)) return false;
      out->components.push_back(std::move(name));
    }
    i = end + 1;
  }
  return true;
}

/// Where a path starts: its drive and the components it is relative to;
/// `*rest` is left at what follows the prefix.
DWORD StartOf(std::u32string_view* rest, FullPath* full) {
  std::u32string_view path = *rest;
  if (path.empty()) return ERROR_PATH_NOT_FOUND;
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return ERROR_BAD_PATHNAME;  // UNC
  FullPath current;
  if (path.size() >= 2 && path[1] == U':' && IsDriveLetter(path[0])) {
    full->drive = DriveLetter(path[0]);
    rest->remove_prefix(2);
    bool drive_relative = rest->empty() || !IsSeparator(rest->front());
    if (drive_relative && CurrentDirectory(&current) && current.drive == full->drive)
      full->components = std::move(current.components);
    return 0;
  }
  if (!CurrentDirectory(&current)) return ERROR_PATH_NOT_FOUND;
  full->drive = current.drive;
  if (!IsSeparator(path[0])) full->components = std::move(current.components);
  return 0;
}

void DropTrailingDotsAndBlanks(std::u32string* name) {
  while (!name->empty() && (name->back() == U'.' || name->back() == U' ')) name->pop_back();
}

/// Adds the components of `rest` to `full` by the rules above.
DWORD AddComponents(std::u32string_view rest, FullPath* full) {
  size_t i = 0;
  while (i < rest.size()) {
    while (i < rest.size() && IsSeparator(rest[i])) ++i;
    size_t start = i;
    while (i < rest.size() && !IsSeparator(rest[i])) ++i;
    if (i == start) break;
    std::u32string name(rest.substr(start, i - start));
    const bool last = i == rest.size();
    if (name == U".") continue;
    if (name == U"..") {
      if (!full->components.empty()) full->components.pop_back();
      continue;
    }
    if (last) {
      DropTrailingDotsAndBlanks(&name);
    } else if (name.back() == U'.') {
      name.pop_back();
    }
    if (name.empty()) continue;
    // "...\" loses one dot and would name the parent; no file is so named.
    if (name == U"." || name == U"..") return ERROR_INVALID_NAME;
    for (char32_t c : name)
      if (IsInvalidNameChar(c)) return ERROR_INVALID_NAME;
    full->components.push_back(std::move(name));
  }
  return 0;
}

bool Exists(const std::string& host) {
  struct stat st;
  return ::lstat(host.c_str(), &st) == 0;
}

bool SameIgnoringCase(std::u32string_view a, std::u32string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperCaseOf(a[i]) != UpperCaseOf(b[i])) return false;
  return true;
}

// The directory entry of `dir` whose name equals `name` ignoring case, or
// `name` itself when there is none. Host names that have no Windows form
// (not UTF-8, or holding a backslash) cannot be named and are never matched.
std::string ResolveComponent(const std::string& dir, const std::u32string& name) {
  std::string spelled = WideToUtf8(name);
  if (Exists(dir + "/" + spelled)) return spelled;
  DIR* d = ::opendir(dir.empty() ? "/" : dir.c_str());
  if (!d) return spelled;
  std::string found = spelled;
  while (dirent* e = ::readdir(d)) {
    std::string_view entry = e->d_name;
    std::u32string wide;
    if (entry.find('\\') != std::string_view::npos || !Utf8ToWide(entry, &wide)) continue;
    if (SameIgnoringCase(wide, name)) {
      found = std::string(entry);
      break;
    }
  }
  ::closedir(d);
  return found;
}

}  // namespace

bool SameFileName(std::string_view a, std::string_view b) {
  std::u32string wide_a = AnsiToWide(a);
  std::u32string wide_b = AnsiToWide(b);
  DropTrailingDotsAndBlanks(&wide_a);
  DropTrailingDotsAndBlanks(&wide_b);
  return SameIgnoringCase(wide_a, wide_b);
}

DWORD ToHostPath(std::string_view windows_path, std::string* host_path) {
  std::u32string wide = AnsiToWide(windows_path);
  std::u32string_view rest = wide;
  FullPath full;
  if (DWORD e = StartOf(&rest, &full)) return e;
  std::string current;
  if (full.drive == U'C') {
    current = DriveCBase();
  } else if (full.drive != U'Z') {
    return ERROR_PATH_NOT_FOUND;
  }
  if (DWORD e = AddComponents(rest, &full)) return e;
  if (!full.components.empty() && NamesDosDevice(full.components.back())) return ERROR_INVALID_NAME;
  bool resolving = true;
  for (const std::u32string& name : full.components) {
    std::string part = resolving ? ResolveComponent(current, name) : WideToUtf8(name);
    current += "/" + part;
    resolving = resolving && Exists(current);
  }
  *host_path = current.empty() ? "/" : current;
  return 0;
}

std::string ToWindowsPath(const std::string& host_path) {
  std::string drive_c = DriveCBase();
  std::string out;
  std::string rest;
  if (host_path.compare(0, drive_c.size(), drive_c) == 0 &&
      (host_path.size() == drive_c.size() || host_path[drive_c.size()] == '/')) {
    out = "C:";
    rest = host_path.substr(drive_c.size());
  } else {
    out = "Z:";
    rest = host_path;
  }
  for (char& c : rest)
    if (c == '/') c = '\\';
  std::u32string wide;
  if (Utf8ToWide(rest, &wide)) rest = WideToAnsi(wide);  // else the bytes as they are
  if (rest.empty()) rest.push_back('\\');
  out += rest;
  return out;
}

DWORD ErrnoToWin32(int err) {
  switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case EIO: return ERROR_WRITE_FAULT;  // what a failing disk gives a writer
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    default: return ERROR_GEN_FAILURE;
  }
}

}  // namespace winsim

extern "C" {

// KERNEL32.GetCurrentDirectoryA: the host's current directory as a Windows
// path (C: below the root's drive_c, Z: elsewhere). The length without the
// NUL, or, when the buffer is too small, the size it needs with the NUL
// (MS, GetCurrentDirectory).
DWORD WINAPI GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
  if (winsim::FaultInjected("GetCurrentDirectoryA")) return 0;
  char cwd[4096];
  if (!::getcwd(cwd, sizeof cwd)) {
    SetLastError(winsim::ErrnoToWin32(errno));
    return 0;
  }
  std::string dir = winsim::ToWindowsPath(cwd);
  if (buffer == nullptr || dir.size() + 1 > size) return static_cast<DWORD>(dir.size() + 1);
  dir.copy(buffer, dir.size());
  buffer[dir.size()] = '\0';
  return static_cast<DWORD>(dir.size());
}

}  // extern "C"
