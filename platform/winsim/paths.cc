// Windows paths on the host. C: is <root>/drive_c and Z: is the host's /;
// other drives do not exist. Existing components are found without regard
// to letter case, as on Windows; components that do not exist yet keep the
// spelling they were given, so files are created as named.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/winsim/registry_store.h"
#include "platform/winsim/winsim.h"

namespace winsim {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsInvalidNameChar(unsigned char c) {
  return c < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' ||
         c == '*';
}

bool Exists(const std::string& host) {
  struct stat st;
  return ::lstat(host.c_str(), &st) == 0;
}

// The directory entry of `dir` whose name equals `name` ignoring case, or
// `name` itself when there is none. Host names holding a backslash cannot be
// named from Windows and are never matched.
std::string ResolveComponent(const std::string& dir, const std::string& name) {
  std::string exact = dir + "/" + name;
  if (Exists(exact)) return name;
  DIR* d = ::opendir(dir.empty() ? "/" : dir.c_str());
  if (!d) return name;
  std::string folded = regstore::FoldName(name);
  std::string found = name;
  while (dirent* e = ::readdir(d)) {
    std::string entry = e->d_name;
    if (entry.find('\\') != std::string::npos) continue;
    if (regstore::FoldName(entry) == folded) {
      found = entry;
      break;
    }
  }
  ::closedir(d);
  return found;
}

}  // namespace

DWORD ToHostPath(std::string_view windows_path, std::string* host_path) {
  std::string base;
  std::string_view rest = windows_path;
  if (rest.size() >= 2 && rest[1] == ':') {
    char drive = static_cast<char>(rest[0] & ~0x20);
    if (drive == 'C') {
      base = Root() + "/drive_c";
    } else if (drive == 'Z') {
      base = "";
    } else {
      return ERROR_PATH_NOT_FOUND;
    }
    rest.remove_prefix(2);
    if (!rest.empty() && !IsSeparator(rest[0])) return ERROR_PATH_NOT_FOUND;  // "C:dir"
  } else if (!rest.empty() && IsSeparator(rest[0])) {
    if (rest.size() >= 2 && IsSeparator(rest[1])) return ERROR_BAD_PATHNAME;  // UNC
    base = Root() + "/drive_c";
  } else if (rest.empty()) {
    return ERROR_PATH_NOT_FOUND;
  } else {
    // Relative to the current directory, as Windows resolves it.
    char cwd[4096];
    if (!::getcwd(cwd, sizeof cwd)) return ERROR_PATH_NOT_FOUND;
    base = cwd;
    if (base == "/") base.clear();
  }
  const size_t floor = base.size();  // ".." never climbs above the drive
  std::string current = base;
  bool resolving = true;
  size_t i = 0;
  while (i < rest.size()) {
    while (i < rest.size() && IsSeparator(rest[i])) ++i;
    size_t start = i;
    while (i < rest.size() && !IsSeparator(rest[i])) ++i;
    std::string name(rest.substr(start, i - start));
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      size_t slash = current.rfind('/');
      if (slash != std::string::npos && slash >= floor) current.resize(slash);
      continue;
    }
    for (unsigned char c : name)
      if (IsInvalidNameChar(c)) return ERROR_INVALID_NAME;
    if (resolving) {
      std::string resolved = ResolveComponent(current, name);
      resolving = Exists(current + "/" + resolved);
      name = resolved;
    }
    current += "/" + name;
  }
  *host_path = current.empty() ? "/" : current;
  return 0;
}

std::string ToWindowsPath(const std::string& host_path) {
  std::string drive_c = Root() + "/drive_c";
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
