#include "platform/winsim/host_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "platform/winsim/winsim.h"

namespace winsim::hostfiles {
namespace {

// False in a throw-away system, whose writes are never flushed.
bool Durable() { return !Facts().throw_away; }

/// A temporary file beside the target; removed on destruction unless kept.
class TempFile {
 public:
  explicit TempFile(const std::string& target) {
    fd_ = CreateTempFile(HostDirectory(target), "copy", &path_);
    if (fd_ < 0) error_ = errno;
  }
  ~TempFile() {
    if (fd_ >= 0) close(fd_);
    if (!kept_ && error_ == 0) unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  int fd() const { return fd_; }
  int error() const { return error_; }
  const std::string& path() const { return path_; }

  /// Flushes the data to the disk and closes the file, reporting a late
  /// write error (e.g. a full disk). Only flushed data is renamed into
  /// place: else a power loss could leave the new name on an empty file.
  int Close() {
    int rc = Durable() ? fsync(fd_) : 0;
    int e = rc == 0 ? 0 : errno;
    rc = close(fd_);
    fd_ = -1;
    if (e == 0 && rc != 0) e = errno;
    return e;
  }

  /// Moves the file to `target`: rename (replacing) or link (never replacing).
  DWORD Publish(const std::string& target, bool no_replace) {
    if (no_replace) {
      if (link(path_.c_str(), target.c_str()) != 0) {
        return errno == EEXIST ? ERROR_FILE_EXISTS : ErrnoToWin32(errno);
      }
      // The temporary name is unlinked by the destructor.
    } else {
      if (rename(path_.c_str(), target.c_str()) != 0) return ErrnoToWin32(errno);
      kept_ = true;
    }
    return SyncDirectoryOf(target);
  }

 private:
  std::string path_;
  int fd_ = -1;
  int error_ = 0;
  bool kept_ = false;
};

int WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return 0;
}

int CopyContent(int from, int to) {
  char buffer[64 * 1024];
  for (;;) {
    ssize_t n = read(from, buffer, sizeof buffer);
    if (n == 0) return 0;
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (int e = WriteAll(to, buffer, static_cast<size_t>(n))) return e;
  }
}

constexpr std::string_view kTempPrefix = ".~winsim-";

// The process that named a temporary file ".~winsim-<kind>-<pid>-XXXXXX";
// 0 for a name of another form.
pid_t WriterOf(std::string_view name) {
  if (name.substr(0, kTempPrefix.size()) != kTempPrefix) return 0;
  size_t dash = name.find('-', kTempPrefix.size());
  if (dash == std::string_view::npos) return 0;
  long pid = 0;
  size_t i = dash + 1;
  for (; i < name.size() && name[i] >= '0' && name[i] <= '9' && pid < 1L << 30; ++i) {
    pid = pid * 10 + (name[i] - '0');
  }
  return i < name.size() && name[i] == '-' ? static_cast<pid_t>(pid) : 0;
}

bool IsRunning(pid_t pid) { return kill(pid, 0) == 0 || errno != ESRCH; }

}  // namespace

void RemoveStaleTempFiles(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return;
  std::string base = dir.back() == '/' ? dir : dir + '/';
  while (dirent* e = readdir(d)) {
    pid_t writer = WriterOf(e->d_name);
    // A file whose writer still runs may be one it is writing right now.
    if (writer > 0 && !IsRunning(writer)) unlink((base + e->d_name).c_str());
  }
  closedir(d);
}

int CreateTempFile(const std::string& dir, const char* kind, std::string* path) {
  RemoveStaleTempFiles(dir);
  *path = dir.back() == '/' ? dir : dir + '/';
  *path += std::string(kTempPrefix) + kind + '-' + std::to_string(getpid()) + "-XXXXXX";
  return mkstemp(path->data());
}

DWORD SyncFile(const std::string& host) {
  if (!Durable()) return 0;
  int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ErrnoToWin32(errno);
  int e = fsync(fd) == 0 ? 0 : errno;
  close(fd);
  return ErrnoToWin32(e);
}

DWORD SyncDirectoryOf(const std::string& host) { return SyncFile(HostDirectory(host)); }

DWORD MissingPathError(const std::string& host) {
  struct stat st;
  std::string dir = HostDirectory(host);
  if (stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return ERROR_FILE_NOT_FOUND;
  return ERROR_PATH_NOT_FOUND;
}

std::string HostDirectory(const std::string& host) {
  size_t slash = host.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return host.substr(0, slash);
}

int OpenRegularFile(const std::string& host, DWORD* error) {
  struct stat st;
  if (stat(host.c_str(), &st) != 0) {
    *error = errno == ENOENT ? MissingPathError(host) : ErrnoToWin32(errno);
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {
    *error = ERROR_ACCESS_DENIED;
    return -1;
  }
  // O_NONBLOCK: should the name be swapped for a FIFO after the check, the
  // open still returns at once and the check below refuses it.
  int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    *error = errno == ENOENT ? MissingPathError(host) : ErrnoToWin32(errno);
    return -1;
  }
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fcntl(fd, F_SETFL, 0) != 0) {
    close(fd);
    *error = ERROR_ACCESS_DENIED;
    return -1;
  }
  return fd;
}

DWORD CopyAtomically(const std::string& from, const std::string& to, bool no_replace) {
  DWORD open_error = 0;
  int in = OpenRegularFile(from, &open_error);
  if (in < 0) return open_error;
  struct stat st;
  if (fstat(in, &st) != 0) {
    int e = errno;
    close(in);
    return ErrnoToWin32(e);
  }
  TempFile temp(to);
  if (temp.error()) {
    close(in);
    return temp.error() == ENOENT ? ERROR_PATH_NOT_FOUND : ErrnoToWin32(temp.error());
  }
  int e = CopyContent(in, temp.fd());
  close(in);
  if (e == 0 && fchmod(temp.fd(), st.st_mode & 07777) != 0) e = errno;
  if (e == 0) {
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (futimens(temp.fd(), times) != 0) e = errno;
  }
  if (e == 0) e = temp.Close();
  if (e != 0) return ErrnoToWin32(e);
  return temp.Publish(to, no_replace);
}

DWORD WriteAtomically(const std::string& to, std::string_view bytes, mode_t mode, bool no_replace) {
  TempFile temp(to);
  if (temp.error()) {
    return temp.error() == ENOENT ? ERROR_PATH_NOT_FOUND : ErrnoToWin32(temp.error());
  }
  int e = WriteAll(temp.fd(), bytes.data(), bytes.size());
  if (e == 0 && fchmod(temp.fd(), mode) != 0) e = errno;
  if (e == 0) e = temp.Close();
  if (e != 0) return ErrnoToWin32(e);
  return temp.Publish(to, no_replace);
}

DWORD ReadWholeFile(const std::string& host, std::string* bytes) {
  DWORD open_error = 0;
  int fd = OpenRegularFile(host, &open_error);
  if (fd < 0) return open_error;
  bytes->clear();
  char buffer[64 * 1024];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      close(fd);
      return ErrnoToWin32(err);
    }
    bytes->append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return 0;
}

}  // namespace winsim::hostfiles
