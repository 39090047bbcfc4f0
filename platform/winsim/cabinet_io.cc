#include "platform/winsim/cabinet_io.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/winsim/host_files.h"
#include "platform/winsim/winsim.h"

namespace winsim::cabinet {
namespace {

// What libmspack holds as an mspack_file: the host stream and the table
// that records its errors.
struct HostFile {
  FILE* stream;
  CabinetIo* io;
  bool writing;
};

HostFile* AsHostFile(mspack_file* file) { return reinterpret_cast<HostFile*>(file); }

void CloseFile(mspack_file* file) {
  HostFile* f = AsHostFile(file);
  if (!f) return;
  // A write that only fails when the buffer is flushed (a full disk) must
  // still fail the member, so a failed close counts as a write error.
  if (fclose(f->stream) != 0 && f->writing) f->io->RecordError(ErrnoToWin32(errno));
  delete f;
}

int ReadFile(mspack_file* file, void* buffer, int bytes) {
  HostFile* f = AsHostFile(file);
  if (bytes < 0) return -1;
  size_t n = fread(buffer, 1, static_cast<size_t>(bytes), f->stream);
  if (n < static_cast<size_t>(bytes) && ferror(f->stream)) {
    f->io->RecordError(ErrnoToWin32(errno));
    return -1;
  }
  return static_cast<int>(n);  // short at the end of the file: libmspack decides
}

int WriteFile(mspack_file* file, void* buffer, int bytes) {
  HostFile* f = AsHostFile(file);
  if (bytes < 0) return -1;
  size_t n = fwrite(buffer, 1, static_cast<size_t>(bytes), f->stream);
  if (n < static_cast<size_t>(bytes)) {
    f->io->RecordError(ErrnoToWin32(errno));
    return -1;
  }
  return bytes;
}

int SeekFile(mspack_file* file, off_t offset, int mode) {
  int whence = mode == MSPACK_SYS_SEEK_START ? SEEK_SET
               : mode == MSPACK_SYS_SEEK_CUR ? SEEK_CUR
                                             : SEEK_END;
  return fseeko(AsHostFile(file)->stream, offset, whence) == 0 ? 0 : -1;
}

off_t TellFile(mspack_file* file) { return ftello(AsHostFile(file)->stream); }

// libmspack's warnings (a truncated cabinet, a bad checksum) end up as the
// error of the call; nothing is printed.
void IgnoreMessage(mspack_file*, const char*, ...) {}

// The decoders call these with a copy of the table, so they must not look
// at `self`.
void* Allocate(mspack_system*, size_t bytes) { return malloc(bytes); }
void Release(void* memory) { free(memory); }
void CopyBytes(void* from, void* to, size_t bytes) { memmove(to, from, bytes); }

}  // namespace

DWORD ResolveCabinetPath(const std::string& windows_path, std::string* host_path) {
  if (DWORD err = ToHostPath(windows_path, host_path)) return err;
  struct stat st;
  if (stat(host_path->c_str(), &st) != 0) {
    return errno == ENOENT ? hostfiles::MissingPathError(*host_path) : ErrnoToWin32(errno);
  }
  if (S_ISDIR(st.st_mode)) return ERROR_FILE_NOT_FOUND;
  if (!S_ISREG(st.st_mode)) return ERROR_ACCESS_DENIED;
  return 0;
}

CabinetIo::CabinetIo() {
  memset(&table_, 0, sizeof table_);
  table_.base.open = &CabinetIo::Open;
  table_.base.close = &CloseFile;
  table_.base.read = &ReadFile;
  table_.base.write = &WriteFile;
  table_.base.seek = &SeekFile;
  table_.base.tell = &TellFile;
  table_.base.message = &IgnoreMessage;
  table_.base.alloc = &Allocate;
  table_.base.free = &Release;
  table_.base.copy = &CopyBytes;
  table_.owner = this;
}

// libmspack opens files only through the table it was created with, so
// `self` here is always our own Table.
mspack_file* CabinetIo::Open(mspack_system* self, const char* name, int mode) {
  CabinetIo* io = reinterpret_cast<Table*>(self)->owner;
  std::string host;
  const char* how = nullptr;
  if (mode == MSPACK_SYS_OPEN_READ) {
    if (io->read_hook_) {
      if (DWORD err = io->read_hook_(name)) {
        io->RecordError(err);
        return nullptr;
      }
    }
    if (DWORD err = ResolveCabinetPath(name, &host)) {
      io->RecordError(err);
      return nullptr;
    }
    how = "rbe";
  } else if (mode == MSPACK_SYS_OPEN_WRITE) {
    host = name;  // our own temporary file, already a host path
    how = "wbe";
  } else {
    io->RecordError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  FILE* stream = fopen(host.c_str(), how);
  if (!stream) {
    io->RecordError(ErrnoToWin32(errno));
    return nullptr;
  }
  HostFile* file = new (std::nothrow) HostFile{stream, io, mode == MSPACK_SYS_OPEN_WRITE};
  if (!file) {
    fclose(stream);
    io->RecordError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return reinterpret_cast<mspack_file*>(file);
}

DWORD ToWin32Error(int mspack_error, DWORD host_error) {
  switch (mspack_error) {
    case MSPACK_ERR_OK: return host_error;
    case MSPACK_ERR_OPEN: return host_error ? host_error : ERROR_FILE_NOT_FOUND;
    case MSPACK_ERR_WRITE: return host_error ? host_error : ERROR_WRITE_FAULT;
    case MSPACK_ERR_READ: return host_error ? host_error : ERROR_INVALID_DATA;  // short: truncated
    case MSPACK_ERR_NOMEMORY: return ERROR_NOT_ENOUGH_MEMORY;
    case MSPACK_ERR_ARGS: return ERROR_INVALID_PARAMETER;
    case MSPACK_ERR_SEEK:
    case MSPACK_ERR_SIGNATURE:
    case MSPACK_ERR_DATAFORMAT:
    case MSPACK_ERR_CHECKSUM:
    case MSPACK_ERR_CRUNCH:
    case MSPACK_ERR_DECRUNCH:
    default: return ERROR_INVALID_DATA;
  }
}

}  // namespace winsim::cabinet
