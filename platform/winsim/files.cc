// KERNEL32 file functions of the simulated system.
//
//   CopyFileA           copy through a temporary file, attributes follow
//   DeleteFileA         unlink, refusing directories and read-only files
//   FindFirstFileA      snapshot of one directory, "." and ".." first
//   FindNextFileA       next entry of the snapshot
//   FindClose           end of the search
//   SetFileAttributesA  stored attributes; read-only clears the write bits
//   GetFileAttributesA  stored or default attributes
//
// Windows paths are mapped with ToHostPath, so drive letters, separators and
// letter case behave as on Windows. Attributes live in system.db
// (file_attributes.h).
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"
#include "platform/winsim/file_attributes.h"
#include "platform/winsim/find_pattern.h"
#include "platform/winsim/host_files.h"
#include "platform/winsim/winsim.h"

namespace {

using winsim::hostfiles::MissingPathError;

/// Maps a Windows path to its host path and stats it. 0, or the Windows
/// error for a bad or missing path (the caller sets it as the last error).
DWORD StatWindowsPath(const char* path, std::string* host, struct stat* st) {
  if (path == nullptr || *path == '\0') return path ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER;
  if (DWORD e = winsim::ToHostPath(path, host)) return e;
  if (stat(host->c_str(), st) == 0) return 0;
  if (errno == ENOENT) return MissingPathError(*host);
  if (errno == ENOTDIR) return ERROR_PATH_NOT_FOUND;
  return winsim::ErrnoToWin32(errno);
}

BOOL Fail(DWORD code) {
  SetLastError(code);
  return FALSE;
}

bool IsDirectory(const std::string& host) {
  struct stat st;
  return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

DWORD CheckCopyTarget(const std::string& source, const struct stat& source_st,
                      const std::string& target, bool fail_if_exists) {
  if (!IsDirectory(winsim::hostfiles::HostDirectory(target))) return ERROR_PATH_NOT_FOUND;
  struct stat st;
  if (stat(target.c_str(), &st) != 0) return errno == ENOENT ? 0 : winsim::ErrnoToWin32(errno);
  if (fail_if_exists) return ERROR_FILE_EXISTS;
  if (S_ISDIR(st.st_mode)) return ERROR_ACCESS_DENIED;
  // Native CopyFileA opens the source for reading and the target for
  // writing with sharing that excludes a second writer: one file both ways
  // is a sharing violation, never an empty file.
  if (st.st_dev == source_st.st_dev && st.st_ino == source_st.st_ino) return ERROR_SHARING_VIOLATION;
  DWORD store_error = 0;
  if (winsim::fileattr::IsReadOnly(target, st, &store_error)) return ERROR_ACCESS_DENIED;
  return store_error;
}

// ---- directory searches ------------------------------------------------------

struct FindSearch : winsim::HandleObject {
  std::string host_dir;
  std::vector<std::u32string> names;  // matching names in delivery order
  size_t next = 0;
};

/// Windows names cannot hold these; a host file so named is not addressable.
/// winsim's own temporary files (a copy or extraction under way) are not
/// listed either: on Windows that data is written under the target's name.
bool ListableName(std::string_view host_name, const std::u32string& name) {
  if (name.empty() || host_name.compare(0, 9, ".~winsim-") == 0) return false;
  for (char32_t c : name) {
    if (c < 0x20 || (c < 0x80 && std::strchr("\\/:*?\"<>|", static_cast<int>(c)) != nullptr)) return false;
  }
  return true;
}

/// The directory's entry names, sorted as the listing delivers them. Host
/// names are UTF-8; one that is not has no Windows form and is left out, as
/// is one whose code-page form would not fit cFileName.
DWORD ReadDirectoryNames(const std::string& host_dir, std::vector<std::u32string>* names) {
  DIR* dir = opendir(host_dir.c_str());
  if (dir == nullptr) {
    return (errno == ENOENT || errno == ENOTDIR) ? ERROR_PATH_NOT_FOUND : winsim::ErrnoToWin32(errno);
  }
  while (struct dirent* entry = readdir(dir)) {
    std::string_view host_name = entry->d_name;
    if (host_name == "." || host_name == "..") continue;
    std::u32string name;
    if (!winsim::Utf8ToWide(host_name, &name) || !ListableName(host_name, name)) continue;
    if (winsim::WideToAnsi(name).size() >= MAX_PATH) continue;
    names->push_back(std::move(name));
  }
  closedir(dir);
  winsim::findpattern::SortNames(names);
  return 0;
}

void ToFileTime(const struct timespec& t, FILETIME* ft) {
  // FILETIME counts 100 ns intervals since 1601-01-01.
  constexpr int64_t kEpochDifference = 11644473600LL;
  int64_t ticks = (static_cast<int64_t>(t.tv_sec) + kEpochDifference) * 10000000LL + t.tv_nsec / 100;
  if (ticks < 0) ticks = 0;
  ft->dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFF);
  ft->dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
}

/// Fills `data` with the next entry that still exists. false at the end
/// (`*error` 0) or on a store error (`*error` set).
bool DeliverNext(FindSearch* search, WIN32_FIND_DATAA* data, DWORD* error) {
  *error = 0;
  while (search->next < search->names.size()) {
    const std::u32string& name = search->names[search->next++];
    std::string host = search->host_dir;
    if (name == U"..") {
      host += "/..";
    } else if (name != U".") {
      if (host.back() != '/') host += '/';
      host += winsim::WideToUtf8(name);
    }
    struct stat st;
    if (stat(host.c_str(), &st) != 0) continue;  // gone since the search began
    DWORD attributes = 0;
    // "." and ".." report the attributes of the directories they stand for.
    if (DWORD e = winsim::fileattr::Effective(host, st, &attributes)) {
      *error = e;
      return false;
    }
    std::memset(data, 0, sizeof *data);
    data->dwFileAttributes = attributes;
    ToFileTime(st.st_ctim, &data->ftCreationTime);
    ToFileTime(st.st_atim, &data->ftLastAccessTime);
    ToFileTime(st.st_mtim, &data->ftLastWriteTime);
    uint64_t size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFF);
    // The name in the code page; a character it lacks comes back in its
    // best-fit form or as '?', as FindFirstFileA gives it on Windows.
    std::string ansi = winsim::WideToAnsi(name);
    std::memcpy(data->cFileName, ansi.data(), std::min(ansi.size(), sizeof data->cFileName - 1));
    return true;
  }
  return false;
}

}  // namespace

extern "C" {

// ---- KERNEL32!CopyFileA ------------------------------------------------------
// Native: the target is replaced unless fail_if_exists (ERROR_FILE_EXISTS);
// a read-only target or a directory on either side is ERROR_ACCESS_DENIED;
// the copy takes the source's attributes and last-write time.
BOOL WINAPI CopyFileA(LPCSTR existing, LPCSTR target, BOOL fail_if_exists) {
  if (winsim::FaultInjected("CopyFileA")) return FALSE;
  if (existing == nullptr || target == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  std::string source_host;
  struct stat source_st;
  if (DWORD e = StatWindowsPath(existing, &source_host, &source_st)) return Fail(e);
  // A directory, FIFO or device is no file to copy (refused before it is opened).
  if (!S_ISREG(source_st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  std::string target_host;
  if (*target == '\0') return Fail(ERROR_PATH_NOT_FOUND);
  if (DWORD e = winsim::ToHostPath(target, &target_host)) return Fail(e);
  if (DWORD e = CheckCopyTarget(source_host, source_st, target_host, fail_if_exists != FALSE)) {
    return Fail(e);
  }
  if (DWORD e = winsim::hostfiles::CopyAtomically(source_host, target_host, fail_if_exists != FALSE)) {
    return Fail(e);
  }
  struct stat target_st;
  if (stat(target_host.c_str(), &target_st) != 0) return Fail(winsim::ErrnoToWin32(errno));
  if (DWORD e = winsim::fileattr::CopyRecord(source_host, source_st, target_host, target_st)) {
    return Fail(e);
  }
  return TRUE;
}

// ---- KERNEL32!DeleteFileA ----------------------------------------------------
// Native: a directory or a read-only file is ERROR_ACCESS_DENIED.
BOOL WINAPI DeleteFileA(LPCSTR path) {
  if (winsim::FaultInjected("DeleteFileA")) return FALSE;
  std::string host;
  struct stat st;
  if (DWORD e = StatWindowsPath(path, &host, &st)) return Fail(e);
  if (S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  DWORD store_error = 0;
  if (winsim::fileattr::IsReadOnly(host, st, &store_error)) return Fail(ERROR_ACCESS_DENIED);
  if (store_error) return Fail(store_error);
  if (unlink(host.c_str()) != 0) return Fail(winsim::ErrnoToWin32(errno));
  if (DWORD e = winsim::fileattr::Forget(host)) return Fail(e);
  return TRUE;
}

// ---- KERNEL32!FindFirstFileA -------------------------------------------------
// Native: the wildcards "*" and "?" work in the last component only; a
// missing directory is ERROR_PATH_NOT_FOUND, no matching entry
// ERROR_FILE_NOT_FOUND. Every directory but a drive's root lists "." and
// ".." first; "*.*" matches names without a dot too. The order of the other
// entries is the file system's; here it is case-insensitive name order.
// Names come back in the system code page: a host file whose name has a
// character the code page lacks is still listed, in its best-fit form ('?'
// where there is none), as Windows lists it; opening it by that name then
// fails as it does on Windows.
HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
  if (winsim::FaultInjected("FindFirstFileA")) return INVALID_HANDLE_VALUE;
  if (pattern == nullptr || data == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  winsim::findpattern::Split split;
  if (!winsim::findpattern::SplitPattern(pattern, &split)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto search = std::make_unique<FindSearch>();
  DWORD e = winsim::ToHostPath(split.directory, &search->host_dir);
  std::vector<std::u32string> names;
  if (e == 0) e = ReadDirectoryNames(search->host_dir, &names);
  if (e != 0) {
    SetLastError(e == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : e);
    return INVALID_HANDLE_VALUE;
  }
  if (!split.drive_root) names.insert(names.begin(), {U".", U".."});
  const std::u32string name_pattern = winsim::AnsiToWide(split.name_pattern);
  for (const std::u32string& name : names) {
    if (winsim::findpattern::Matches(name_pattern, name)) search->names.push_back(name);
  }
  FindSearch* raw = search.get();
  if (!DeliverNext(raw, data, &e)) {
    SetLastError(e ? e : ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return winsim::NewHandle(winsim::HandleKind::kFindSearch, std::move(search));
}

// ---- KERNEL32!FindNextFileA --------------------------------------------------
// Native: FALSE with ERROR_NO_MORE_FILES after the last entry.
BOOL WINAPI FindNextFileA(HANDLE handle, LPWIN32_FIND_DATAA data) {
  if (winsim::FaultInjected("FindNextFileA")) return FALSE;
  auto* search = winsim::LookupHandleAs<FindSearch>(handle, winsim::HandleKind::kFindSearch);
  if (search == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (data == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  DWORD e = 0;
  if (!DeliverNext(search, data, &e)) return Fail(e ? e : ERROR_NO_MORE_FILES);
  return TRUE;
}

// ---- KERNEL32!FindClose ------------------------------------------------------
BOOL WINAPI FindClose(HANDLE handle) {
  if (winsim::FaultInjected("FindClose")) return FALSE;
  if (!winsim::CloseHandleOf(handle, winsim::HandleKind::kFindSearch)) return Fail(ERROR_INVALID_HANDLE);
  return TRUE;
}

// ---- KERNEL32!SetFileAttributesA ---------------------------------------------
// Native: FILE_ATTRIBUTE_NORMAL alone clears everything; DIRECTORY and other
// bits that cannot be set are ignored.
BOOL WINAPI SetFileAttributesA(LPCSTR path, DWORD attributes) {
  if (winsim::FaultInjected("SetFileAttributesA")) return FALSE;
  std::string host;
  struct stat st;
  if (DWORD e = StatWindowsPath(path, &host, &st)) return Fail(e);
  if (DWORD e = winsim::fileattr::Set(host, st, attributes)) return Fail(e);
  return TRUE;
}

// ---- KERNEL32!GetFileAttributesA ---------------------------------------------
// Native: a file that was never given attributes reports ARCHIVE; one with
// none at all reports NORMAL; directories add DIRECTORY.
DWORD WINAPI GetFileAttributesA(LPCSTR path) {
  if (winsim::FaultInjected("GetFileAttributesA")) return INVALID_FILE_ATTRIBUTES;
  std::string host;
  struct stat st;
  DWORD e = StatWindowsPath(path, &host, &st);
  DWORD attributes = 0;
  if (e == 0) e = winsim::fileattr::Effective(host, st, &attributes);
  if (e != 0) {
    SetLastError(e);
    return INVALID_FILE_ATTRIBUTES;
  }
  return attributes;
}

}  // extern "C"
