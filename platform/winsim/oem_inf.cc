#include "platform/winsim/oem_inf.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <set>

#include "platform/winsim/host_files.h"
#include "platform/winsim/registry_store.h"
#include "platform/winsim/winsim.h"

namespace winsim::oeminf {
namespace {

constexpr unsigned kMaxNumber = 99999;

// Windows writes a precompiled form beside every INF it registers; the
// simulated system writes a marker of the same name so that what removes the
// registration has the file to remove.
constexpr char kPnfMarker[] = "winsim precompiled INF placeholder\r\n";

/// N when `name` is "oem<N>.inf" in any letter case.
bool OemNumber(const std::string& name, unsigned* number) {
  std::string folded = regstore::FoldName(name);
  if (folded.size() < 8 || folded.compare(0, 3, "OEM") != 0) return false;
  if (folded.compare(folded.size() - 4, 4, ".INF") != 0) return false;
  std::string digits = folded.substr(3, folded.size() - 7);
  if (digits.empty() || digits.size() > 5) return false;
  unsigned n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<unsigned>(c - '0');
  }
  *number = n;
  return true;
}

std::string HostName(const Placement& p, unsigned n, const char* extension) {
  return p.inf_dir_host + "/oem" + std::to_string(n) + extension;
}

void SetNumber(Placement* p, unsigned n) {
  p->number = n;
  std::string windows_dir = Facts().windows_dir;
  while (!windows_dir.empty() && windows_dir.back() == '\\') windows_dir.pop_back();
  p->windows_path = windows_dir + "\\inf\\oem" + std::to_string(n) + ".inf";
  p->host_path = HostName(*p, n, ".inf");
}

bool SameContent(const std::string& host, const std::string& bytes) {
  struct stat st;
  if (stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (static_cast<size_t>(st.st_size) != bytes.size()) return false;
  std::string other;
  return hostfiles::ReadWholeFile(host, &other) == 0 && other == bytes;
}

/// Scans the INF directory: the numbers in use, and an identical copy.
DWORD Scan(Placement* p, std::set<unsigned>* taken) {
  DIR* dir = opendir(p->inf_dir_host.c_str());
  if (dir == nullptr) return ErrnoToWin32(errno);
  p->existing = false;
  unsigned identical = 0;
  while (struct dirent* entry = readdir(dir)) {
    unsigned n = 0;
    if (!OemNumber(entry->d_name, &n)) continue;
    taken->insert(n);
    std::string host = p->inf_dir_host + "/" + entry->d_name;
    if ((!p->existing || n < identical) && SameContent(host, p->bytes)) {
      p->existing = true;
      identical = n;
      p->host_path = host;
    }
  }
  closedir(dir);
  if (p->existing) {
    std::string host = p->host_path;
    SetNumber(p, identical);
    p->host_path = host;  // keep the spelling found on disk
  }
  return 0;
}

DWORD PlaceNew(Placement* p) {
  std::set<unsigned> taken;
  if (DWORD e = Scan(p, &taken)) return e;
  if (p->existing) return 0;
  unsigned n = 0;
  while (taken.count(n)) ++n;
  if (n > kMaxNumber) return ERROR_FILE_EXISTS;
  SetNumber(p, n);
  return 0;
}

DWORD FindInfDirectory(Placement* p) {
  std::string windows_inf = Facts().windows_dir + "\\inf";
  if (DWORD e = ToHostPath(windows_inf, &p->inf_dir_host)) return e;
  struct stat st;
  if (stat(p->inf_dir_host.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ERROR_PATH_NOT_FOUND;
  if (mkdir(p->inf_dir_host.c_str(), 0755) == 0 || errno == EEXIST) return 0;
  return errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrnoToWin32(errno);
}

}  // namespace

DWORD Place(const char* source_inf, Placement* placement) {
  std::string source_host;
  if (DWORD e = ToHostPath(source_inf, &source_host)) return e;
  if (DWORD e = hostfiles::ReadWholeFile(source_host, &placement->bytes)) return e;
  if (DWORD e = FindInfDirectory(placement)) return e;
  return PlaceNew(placement);
}

DWORD Write(Placement* placement) {
  // Each retry follows a number another process took; the bound only stops
  // a name that exists but does not read as an INF copy from looping.
  for (int attempt = 0;; ++attempt) {
    DWORD e = hostfiles::WriteAtomically(placement->host_path, placement->bytes, 0644, true);
    if (e == 0) break;
    if (e != ERROR_FILE_EXISTS || attempt == 100) return e;
    // Taken meanwhile by another process: look again (it may even be ours).
    if (DWORD scan = PlaceNew(placement)) return scan;
    if (placement->existing) return 0;
  }
  std::string pnf = HostName(*placement, placement->number, ".pnf");
  DWORD e = hostfiles::WriteAtomically(pnf, kPnfMarker, 0644, false);
  if (e != 0) unlink(placement->host_path.c_str());
  return e;
}

void Undo(const Placement& placement) {
  unlink(placement.host_path.c_str());
  unlink(HostName(placement, placement.number, ".pnf").c_str());
}

}  // namespace winsim::oeminf
