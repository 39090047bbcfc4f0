// KERNEL32 profile reading over files of the simulated system.
//
//   GetPrivateProfileSectionA   the entries of one section
//   GetPrivateProfileStringA    the value of one key (or the list of keys)
//
// (WriteProfileStringA lives with the spooler, which keeps the "windows"
// section in the registry.)
//
// A bare file name ("setup.inf") names a file in the Windows directory, not
// in the current directory.
//
// A file is parsed once and kept for the process while its size and
// modification time stay the same: an install reads the same INF dozens of
// times. The parsing rules are in profile_parser.cc.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/win32.h"
#include "platform/winsim/host_files.h"
#include "platform/winsim/profile_parser.h"
#include "platform/winsim/winsim.h"

namespace winsim::profile {
namespace {

// Larger files are taken as unreadable rather than risk exhausting memory;
// no initialization file comes anywhere near this.
constexpr off_t kMaxFileBytes = 64 * 1024 * 1024;
// Files kept at once; beyond that the cache starts afresh.
constexpr size_t kMaxCachedFiles = 32;

struct CachedFile {
  off_t size = 0;
  struct timespec mtime = {};
  Profile profile;
};

struct Cache {
  std::unordered_map<std::string, std::unique_ptr<CachedFile>> files;
  size_t parses = 0;
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

void ForgetCache() {
  TheCache().files.clear();
  TheCache().parses = 0;
}

const bool kResetHookRegistered = (RegisterResetHook(&ForgetCache), true);

bool SameStamp(const CachedFile& f, const struct stat& st) {
  return f.size == st.st_size && f.mtime.tv_sec == st.st_mtim.tv_sec && f.mtime.tv_nsec == st.st_mtim.tv_nsec;
}

bool ReadAll(int fd, off_t size, std::string* bytes) {
  bytes->resize(static_cast<size_t>(size));
  size_t done = 0;
  while (done < bytes->size()) {
    ssize_t n = read(fd, bytes->data() + done, bytes->size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;  // the file shrank while being read
    done += static_cast<size_t>(n);
  }
  bytes->resize(done);
  return true;
}

// Microsoft documents that a file named without a full path is looked for
// in the Windows directory. Wine's conformance tests (kernel32/tests/
// profile.c, which pass on Windows) narrow that to a bare name: "x.ini" is
// the Windows directory's, ".\x.ini" the current directory's. The test is
// made on the Unicode form, so a trail byte 0x5C is no separator.
std::string ProfilePath(const char* file) {
  std::u32string wide = AnsiToWide(file);
  if (wide.find_first_of(U"\\/:") != std::u32string::npos) return file;
  return Facts().windows_dir + "\\" + file;
}

// The parsed file at a Windows path, or nullptr when it cannot be read
// (which the profile functions treat exactly like a missing file).
const Profile* LoadProfile(const char* file) {
  if (file == nullptr || *file == '\0') return nullptr;
  std::string host;
  if (ToHostPath(ProfilePath(file), &host) != 0) return nullptr;
  Cache& cache = TheCache();
  DWORD open_error = 0;
  int fd = hostfiles::OpenRegularFile(host, &open_error);
  if (fd < 0) {
    cache.files.erase(host);
    return nullptr;
  }
  struct stat st;
  bool usable = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxFileBytes;
  auto it = cache.files.find(host);
  if (usable && it != cache.files.end() && SameStamp(*it->second, st)) {
    close(fd);
    return &it->second->profile;
  }
  std::string bytes;
  usable = usable && ReadAll(fd, st.st_size, &bytes);
  close(fd);
  if (!usable) {
    cache.files.erase(host);
    return nullptr;
  }
  if (cache.files.size() >= kMaxCachedFiles) cache.files.clear();
  auto entry = std::make_unique<CachedFile>();
  entry->size = st.st_size;
  entry->mtime = st.st_mtim;
  entry->profile = ParseProfile(bytes, Facts().code_page);
  ++cache.parses;
  const Profile* parsed = &entry->profile;
  cache.files[host] = std::move(entry);
  return parsed;
}

}  // namespace

size_t ParsedFileCount() { return TheCache().parses; }

}  // namespace winsim::profile

extern "C" {

// ---------------------------------------------------------------------------
// KERNEL32 GetPrivateProfileSectionA
// Native: a missing file, a missing section and an empty one all give 0 with
// "\0\0" in the buffer. When the entries and their final NUL do not leave a
// byte spare, the data is cut to size - 2 bytes, two NULs end it and the
// result is size - 2. The requested name is not trimmed.
DWORD WINAPI GetPrivateProfileSectionA(LPCSTR section, LPSTR buffer, DWORD size, LPCSTR file) {
  if (winsim::FaultInjected("GetPrivateProfileSectionA")) {
    return winsim::profile::ReadSection(nullptr, nullptr, buffer, size);
  }
  const winsim::profile::Profile* profile = winsim::profile::LoadProfile(file);
  if (profile == nullptr) SetLastError(ERROR_FILE_NOT_FOUND);
  return winsim::profile::ReadSection(profile, section, buffer, size);
}

// ---------------------------------------------------------------------------
// KERNEL32 GetPrivateProfileStringA
// Native: the value of the first line of the section whose key matches
// (blanks around the requested key and section are ignored), without one
// pair of enclosing quotes, cut to size - 1 bytes; the result is the bytes
// copied. Otherwise the default without its trailing blanks, and last error
// ERROR_FILE_NOT_FOUND. A null key lists the section's keys. A null section
// (which native Windows answers with the list of sections) reads as missing.
DWORD WINAPI GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR default_value,
                                      LPSTR buffer, DWORD size, LPCSTR file) {
  bool found = false;
  if (winsim::FaultInjected("GetPrivateProfileStringA")) {
    return winsim::profile::ReadString(nullptr, nullptr, "", "", buffer, size, &found);
  }
  const winsim::profile::Profile* profile = section ? winsim::profile::LoadProfile(file) : nullptr;
  DWORD count = winsim::profile::ReadString(profile, section, key, default_value, buffer, size, &found);
  if (!found) SetLastError(ERROR_FILE_NOT_FOUND);
  return count;
}

}  // extern "C"
