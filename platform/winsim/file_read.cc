// KERNEL32 reading of whole files in the simulated system.
//
//   CreateFileA   GENERIC_READ of an existing file (OPEN_EXISTING)
//   ReadFile      synchronous reads from the current position
//   CloseHandle   closes a file handle
//
// Only reading is simulated: the kit writes files through CopyFileA alone.
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>

#include "platform/win32.h"
#include "platform/winsim/host_files.h"
#include "platform/winsim/winsim.h"

namespace {

struct OpenFile : winsim::HandleObject {
  explicit OpenFile(int descriptor) : fd(descriptor) {}
  ~OpenFile() override { close(fd); }
  int fd;
};

HANDLE FailHandle(DWORD code) {
  SetLastError(code);
  return INVALID_HANDLE_VALUE;
}

}  // namespace

extern "C" {

// ---- KERNEL32!CreateFileA ----------------------------------------------------
// Native: OPEN_EXISTING of a missing file is ERROR_FILE_NOT_FOUND (or
// ERROR_PATH_NOT_FOUND for a missing folder); a directory without
// FILE_FLAG_BACKUP_SEMANTICS is ERROR_ACCESS_DENIED (Microsoft's page).
// Left out: any access but GENERIC_READ and any disposition but
// OPEN_EXISTING (ERROR_INVALID_PARAMETER), sharing, security, templates.
HANDLE WINAPI CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                          DWORD disposition, DWORD flags, HANDLE template_file) {
  (void)share, (void)security, (void)flags, (void)template_file;
  if (winsim::FaultInjected("CreateFileA")) return INVALID_HANDLE_VALUE;
  if (path == nullptr || access != GENERIC_READ || disposition != OPEN_EXISTING) {
    return FailHandle(ERROR_INVALID_PARAMETER);
  }
  std::string host;
  if (DWORD e = winsim::ToHostPath(path, &host)) return FailHandle(e);
  // A FIFO, socket or device is refused before it is opened, so that a read
  // never waits on one; a directory is ERROR_ACCESS_DENIED as on Windows.
  DWORD open_error = 0;
  int fd = winsim::hostfiles::OpenRegularFile(host, &open_error);
  if (fd < 0) return FailHandle(open_error);
  return winsim::NewHandle(winsim::HandleKind::kFile, std::make_unique<OpenFile>(fd));
}

// ---- KERNEL32!ReadFile -------------------------------------------------------
// Native: TRUE with *read 0 at the end of the file; no overlapped reads.
BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) {
  if (winsim::FaultInjected("ReadFile")) return FALSE;
  auto* f = winsim::LookupHandleAs<OpenFile>(file, winsim::HandleKind::kFile);
  if (f == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (read == nullptr || overlapped != nullptr || (buffer == nullptr && size > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ssize_t n;
  do {
    n = ::read(f->fd, buffer, size);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    *read = 0;
    SetLastError(winsim::ErrnoToWin32(errno));
    return FALSE;
  }
  *read = static_cast<DWORD>(n);
  return TRUE;
}

// ---- KERNEL32!CloseHandle ----------------------------------------------------
// Native: a handle that is not open is ERROR_INVALID_HANDLE.
BOOL WINAPI CloseHandle(HANDLE object) {
  if (!winsim::CloseHandleOf(object, winsim::HandleKind::kFile)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

}  // extern "C"
