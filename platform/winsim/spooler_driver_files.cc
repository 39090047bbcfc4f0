#include "platform/winsim/spooler_driver_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/winsim/file_attributes.h"
#include "platform/winsim/host_files.h"
#include "platform/winsim/spooler_store.h"
#include "platform/winsim/winsim.h"

namespace winsim::spooler {
namespace {

namespace fs = std::filesystem;

std::string DriverDirectory() { return Facts().driver_dir; }

std::string VersionDirectory() { return DriverDirectory() + "\\3"; }

// Splits a Windows path at its last separator.
void SplitPath(const std::string& path, std::string* dir, std::string* name) {
  size_t cut = FindLastAnsiChar(path, "\\/");
  *dir = cut == std::string::npos ? std::string() : path.substr(0, cut);
  *name = cut == std::string::npos ? path : path.substr(cut + 1);
}

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return FindAnsiChar(name, "\\/:") == std::string_view::npos;
}

OfferedAge CompareTimes(const std::string& installed_path, const std::string& offered_path) {
  std::error_code ec1, ec2;
  auto installed = fs::last_write_time(installed_path, ec1);
  auto offered = fs::last_write_time(offered_path, ec2);
  if (ec1 || ec2) return OfferedAge::kNothingInstalled;
  if (offered < installed) return OfferedAge::kOlder;
  return offered == installed ? OfferedAge::kSame : OfferedAge::kNewer;
}

// True when `target` exists and is at least as new as `source`.
bool IsUpToDate(const std::string& target, const std::string& source) {
  OfferedAge age = CompareTimes(target, source);
  return age == OfferedAge::kOlder || age == OfferedAge::kSame;
}

DWORD FromErrorCode(const std::error_code& ec) { return ErrnoToWin32(ec.value()); }

// The host path of an installed file that can be deleted; `*target` stays
// empty when there is none (a name that is no file's, or an absent file).
// As DeleteFile (Microsoft's page), a folder cannot go: ERROR_ACCESS_DENIED.
// The spooler deletes its own copies whatever their attributes: a kit whose
// files are read-only (a read-only checkout) still uninstalls.
DWORD InstalledFile(const std::string& file_name, std::string* target, struct stat* st) {
  std::string host;
  if (!IsPlainFileName(file_name) || ToHostPath(VersionDirectory() + "\\" + file_name, &host) != 0) {
    return 0;
  }
  if (lstat(host.c_str(), st) != 0) return errno == ENOENT ? 0 : ErrnoToWin32(errno);
  if (S_ISDIR(st->st_mode)) return ERROR_ACCESS_DENIED;
  if (access(hostfiles::HostDirectory(host).c_str(), W_OK) != 0) return ErrnoToWin32(errno);
  *target = std::move(host);
  return 0;
}

}  // namespace

DWORD FindDriverFile(const std::string& name, SourceFile* file) {
  std::string dir;
  SplitPath(name, &dir, &file->file_name);
  bool has_dir = FindAnsiChar(name, "\\/:") != std::string::npos;
  if (!IsPlainFileName(file->file_name)) return ERROR_FILE_NOT_FOUND;
  // A path may name the driver directory itself, and nothing else.
  if (has_dir && !SameName(dir, DriverDirectory())) return ERROR_FILE_NOT_FOUND;
  DWORD rc = ToHostPath(DriverDirectory() + "\\" + file->file_name, &file->host_path);
  if (rc != 0) return rc;
  std::error_code ec;
  if (!fs::is_regular_file(file->host_path, ec)) return ERROR_FILE_NOT_FOUND;
  return 0;
}

OfferedAge CompareWithInstalled(const SourceFile& file) {
  std::string target;
  if (ToHostPath(VersionDirectory() + "\\" + file.file_name, &target) != 0) {
    return OfferedAge::kNothingInstalled;
  }
  return CompareTimes(target, file.host_path);
}

DWORD InstallDriverFile(const SourceFile& file, bool only_if_newer) {
  std::string target;
  DWORD rc = ToHostPath(VersionDirectory() + "\\" + file.file_name, &target);
  if (rc != 0) return rc;
  std::error_code ec;
  fs::create_directories(fs::path(target).parent_path(), ec);
  if (ec) return FromErrorCode(ec);
  if (only_if_newer && IsUpToDate(target, file.host_path)) return 0;
  return hostfiles::CopyAtomically(file.host_path, target, false);
}

void RemoveStagedFile(const std::string& file_name) {
  std::string staged;
  if (!IsPlainFileName(file_name) || ToHostPath(DriverDirectory() + "\\" + file_name, &staged) != 0) {
    return;
  }
  std::error_code ec;
  fs::remove(staged, ec);
}

DWORD CheckDriverFileRemovable(const std::string& file_name) {
  std::string target;
  struct stat st;
  return InstalledFile(file_name, &target, &st);
}

DWORD RemoveDriverFile(const std::string& file_name) {
  std::string target;
  struct stat st;
  DWORD rc = InstalledFile(file_name, &target, &st);
  if (rc != 0 || target.empty()) return rc;
  if (unlink(target.c_str()) != 0) return errno == ENOENT ? 0 : ErrnoToWin32(errno);
  fileattr::Forget(target);  // its attributes went with it
  return 0;
}

DWORD EnsureDriverDirectory(std::string* host_path) {
  DWORD rc = ToHostPath(DriverDirectory(), host_path);
  if (rc != 0) return rc;
  std::error_code ec;
  fs::create_directories(*host_path, ec);
  return ec ? FromErrorCode(ec) : 0;
}

}  // namespace winsim::spooler
