// SETUPAPI cabinet iteration on libmspack.
//
//   SetupIterateCabinetA
//
// The walk tells the callback about the cabinet (CABINETINFO), then about
// every member in cabinet order (FILEINCABINET); a member it answers
// FILEOP_DOIT for is decoded into the FullTargetName it wrote, whatever the
// member's stored name, and reported (FILEEXTRACTED) before the next member
// is offered. libmspack decodes a
// folder only when one of its members is extracted, and only up to the end
// of that member, writing straight to disk, so neither the time nor the
// memory of a walk depends on the parts of the cabinet nobody asked for.
//
// Cabinet sets: the later parts are looked for by their stored names in the
// directory of the first one. When the data of a member runs on into the
// next part, the callback hears NEEDNEWCABINET and then that part's
// CABINETINFO, as on Windows; a path it writes into the NEEDNEWCABINET
// buffer is not used. A missing or mismatched part ends the set, and a
// member that needs it fails as damaged.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/winsim/cabinet_header.h"
#include "platform/winsim/cabinet_io.h"
#include "platform/winsim/cabinet_names.h"
#include "platform/winsim/file_attributes.h"
#include "platform/winsim/host_files.h"
#include "platform/winsim/registry_store.h"
#include "platform/winsim/winsim.h"

namespace {

using winsim::cabinet::CabinetHeader;
using winsim::cabinet::CabinetIo;

// More parts than a set index can count are a loop in the names.
constexpr size_t kMaxParts = 1024;
constexpr int kDecodeBuffer = 64 * 1024;

struct Part {
  std::string windows_path;
  CabinetHeader header;
  mscabd_cabinet* cabinet = nullptr;
};

WORD DosDate(const mscabd_file& f) {
  return static_cast<WORD>(((f.date_y - 1980) << 9) | (f.date_m << 5) | f.date_d);
}
WORD DosTime(const mscabd_file& f) {
  return static_cast<WORD>((f.time_h << 11) | (f.time_m << 5) | (f.time_s >> 1));
}

// The directory of a Windows path with its trailing separator ("" if none).
std::string DirectoryWithSeparator(const std::string& path) {
  size_t end = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (c == '\\' || c == '/') {
      end = i + 1;
    } else if (IsDBCSLeadByte(c) && i + 1 < path.size()) {
      ++i;  // a trail byte is never a separator
    }
  }
  return path.substr(0, end);
}

class CabinetWalk {
 public:
  CabinetWalk(PSP_FILE_CALLBACK_A callback, PVOID context)
      : callback_(callback), context_(context) {}
  ~CabinetWalk();
  CabinetWalk(const CabinetWalk&) = delete;
  CabinetWalk& operator=(const CabinetWalk&) = delete;

  /// Walks the cabinet; 0 or the Win32 error the call fails with.
  DWORD Run(const std::string& cabinet_path);

 private:
  UINT Notify(UINT code, UINT_PTR param1, UINT_PTR param2) {
    return callback_(context_, code, param1, param2);
  }
  DWORD NotifyCabinetInfo(const Part& part);
  DWORD OpenDecoder(Part* first);
  void JoinLaterParts();
  bool IsPart(const std::string& windows_path) const;
  DWORD BeforeReadOpen(const char* windows_path);
  DWORD AnnouncePart(size_t index);
  DWORD VisitMember(mscabd_file* file);
  DWORD AbortError() const;
  DWORD ExtractMember(mscabd_file* file, const FILE_IN_CABINET_INFO_A& info);
  DWORD DecodeInto(mscabd_file* file, const std::string& host_target);
  const char* CurrentPath() const { return parts_[current_]->windows_path.c_str(); }

  PSP_FILE_CALLBACK_A callback_;
  PVOID context_;
  CabinetIo io_;
  mscab_decompressor* decoder_ = nullptr;
  std::string directory_;
  std::vector<std::unique_ptr<Part>> parts_;
  size_t current_ = 0;       // the part whose data is being read
  bool extracting_ = false;  // opens of later parts are announced only then
  DWORD callback_error_ = 0;
};

CabinetWalk::~CabinetWalk() {
  if (decoder_) {
    // Closing the first cabinet frees every part joined to it.
    if (!parts_.empty() && parts_[0]->cabinet) decoder_->close(decoder_, parts_[0]->cabinet);
    mspack_destroy_cab_decompressor(decoder_);
  }
}

DWORD CabinetWalk::NotifyCabinetInfo(const Part& part) {
  CABINET_INFO_A info = {};
  info.CabinetPath = directory_.c_str();
  info.CabinetFile = part.header.next_name.c_str();
  info.DiskName = part.header.next_disk.c_str();
  info.SetId = part.header.set_id;
  info.CabinetNumber = part.header.set_index;
  return Notify(SPFILENOTIFY_CABINETINFO, reinterpret_cast<UINT_PTR>(&info), 0);
}

DWORD CabinetWalk::OpenDecoder(Part* first) {
  decoder_ = mspack_create_cab_decompressor(io_.System());
  if (!decoder_) return ERROR_NOT_ENOUGH_MEMORY;
  // Feeding the decoders 64 KiB at a time instead of 4 KiB halves the calls
  // into the reader without changing what is decoded.
  decoder_->set_param(decoder_, MSCABD_PARAM_DECOMPBUF, kDecodeBuffer);
  io_.SetReadHook([this](const char* path) { return BeforeReadOpen(path); });
  io_.ClearError();
  first->cabinet = decoder_->open(decoder_, first->windows_path.c_str());
  if (!first->cabinet)
    return winsim::cabinet::ToWin32Error(decoder_->last_error(decoder_), io_.LastError());
  return 0;
}

bool CabinetWalk::IsPart(const std::string& windows_path) const {
  std::string folded = winsim::regstore::FoldName(windows_path);
  for (const auto& part : parts_)
    if (winsim::regstore::FoldName(part->windows_path) == folded) return true;
  return false;
}

// Joins the following cabinets of a set, as far as they are there and fit.
void CabinetWalk::JoinLaterParts() {
  while (parts_.size() < kMaxParts) {
    Part* last = parts_.back().get();
    if (!last->header.has_next) return;
    if (!winsim::cabinet::IsPlainMemberName(last->header.next_name)) return;
    auto next = std::make_unique<Part>();
    next->windows_path = directory_ + last->header.next_name;
    std::string host;
    if (IsPart(next->windows_path)) return;
    if (winsim::cabinet::ResolveCabinetPath(next->windows_path, &host)) return;
    if (winsim::cabinet::ReadCabinetHeader(host, &next->header)) return;
    next->cabinet = decoder_->open(decoder_, next->windows_path.c_str());
    if (!next->cabinet) return;
    if (decoder_->append(decoder_, last->cabinet, next->cabinet) != MSPACK_ERR_OK) {
      decoder_->close(decoder_, next->cabinet);
      return;
    }
    parts_.push_back(std::move(next));
  }
}

// libmspack opens a later part when the data of a member runs on into it.
DWORD CabinetWalk::BeforeReadOpen(const char* windows_path) {
  if (!extracting_) return 0;
  for (size_t i = current_ + 1; i < parts_.size(); ++i) {
    if (parts_[i]->windows_path.c_str() != windows_path) continue;
    for (size_t j = current_ + 1; j <= i; ++j) {
      if (DWORD err = AnnouncePart(j)) {
        callback_error_ = err;
        return err;
      }
      current_ = j;
    }
    break;
  }
  return 0;
}

DWORD CabinetWalk::AnnouncePart(size_t index) {
  const Part& part = *parts_[index];
  CABINET_INFO_A need = {};
  need.CabinetPath = directory_.c_str();
  need.CabinetFile = parts_[index - 1]->header.next_name.c_str();
  need.DiskName = parts_[index - 1]->header.next_disk.c_str();
  char new_path[MAX_PATH] = {};
  if (UINT answer = Notify(SPFILENOTIFY_NEEDNEWCABINET, reinterpret_cast<UINT_PTR>(&need),
                           reinterpret_cast<UINT_PTR>(new_path)))
    return answer;
  return NotifyCabinetInfo(part);
}

// After FILEOP_ABORT the call fails with the error the callback set, or
// ERROR_OPERATION_ABORTED when it set none.
DWORD CabinetWalk::AbortError() const {
  DWORD err = GetLastError();
  return err ? err : ERROR_OPERATION_ABORTED;
}

DWORD CabinetWalk::VisitMember(mscabd_file* file) {
  FILE_IN_CABINET_INFO_A info = {};
  info.NameInCabinet = file->filename;
  info.FileSize = file->length;
  info.DosDate = DosDate(*file);
  info.DosTime = DosTime(*file);
  info.DosAttribs = static_cast<WORD>(file->attribs);
  SetLastError(NO_ERROR);
  UINT answer = Notify(SPFILENOTIFY_FILEINCABINET, reinterpret_cast<UINT_PTR>(&info),
                       reinterpret_cast<UINT_PTR>(CurrentPath()));
  if (answer == FILEOP_SKIP) return 0;
  if (answer != FILEOP_DOIT) return AbortError();
  // Windows writes the member wherever FullTargetName points, whatever the
  // member's own name holds (a folder, "..", a drive): refusing such names
  // is the caller's decision, made in its callback.
  return ExtractMember(file, info);
}

DWORD CabinetWalk::ExtractMember(mscabd_file* file, const FILE_IN_CABINET_INFO_A& info) {
  if (!memchr(info.FullTargetName, '\0', sizeof info.FullTargetName))
    return ERROR_FILENAME_EXCED_RANGE;
  std::string host;
  if (DWORD err = winsim::ToHostPath(info.FullTargetName, &host)) return err;
  struct stat st;
  std::string dir = winsim::hostfiles::HostDirectory(host);
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
  if (stat(host.c_str(), &st) == 0) {
    // Windows cannot create a file over a directory or a read-only file.
    if (S_ISDIR(st.st_mode) || winsim::fileattr::IsReadOnly(host, st)) return ERROR_ACCESS_DENIED;
  }
  if (DWORD err = DecodeInto(file, host)) return err;
  FILEPATHS_A paths = {};
  paths.Target = info.FullTargetName;
  paths.Source = CurrentPath();
  return Notify(SPFILENOTIFY_FILEEXTRACTED, reinterpret_cast<UINT_PTR>(&paths), 0);
}

// Decodes into a temporary file beside the target and renames it into
// place, so a member that fails half-way leaves nothing under its name.
DWORD CabinetWalk::DecodeInto(mscabd_file* file, const std::string& host_target) {
  std::string temp;
  int fd = winsim::hostfiles::CreateTempFile(winsim::hostfiles::HostDirectory(host_target), "cab",
                                             &temp);
  if (fd < 0) return winsim::ErrnoToWin32(errno);
  fchmod(fd, 0644);  // an ordinary file once in place, not mkstemp's private one
  close(fd);
  io_.ClearError();
  extracting_ = true;
  int rc = decoder_->extract(decoder_, file, temp.c_str());
  extracting_ = false;
  DWORD err =
      callback_error_ ? callback_error_ : winsim::cabinet::ToWin32Error(rc, io_.LastError());
  // Flushed before the rename and the rename flushed after it, as CopyFileA.
  if (err == 0) err = winsim::hostfiles::SyncFile(temp);
  if (err == 0 && rename(temp.c_str(), host_target.c_str()) != 0) err = winsim::ErrnoToWin32(errno);
  if (err) {
    unlink(temp.c_str());
    return err;
  }
  return winsim::hostfiles::SyncDirectoryOf(host_target);
}

DWORD CabinetWalk::Run(const std::string& cabinet_path) {
  auto first = std::make_unique<Part>();
  first->windows_path = cabinet_path;
  std::string host;
  if (DWORD err = winsim::cabinet::ResolveCabinetPath(cabinet_path, &host)) return err;
  if (DWORD err = winsim::cabinet::ReadCabinetHeader(host, &first->header)) return err;
  directory_ = DirectoryWithSeparator(cabinet_path);
  parts_.push_back(std::move(first));
  Part* head = parts_[0].get();
  if (UINT answer = NotifyCabinetInfo(*head)) return answer;
  if (head->header.file_count == 0) return 0;  // an empty cabinet: nothing to offer
  if (DWORD err = OpenDecoder(head)) return err;
  JoinLaterParts();
  // Entries that continue a file of an earlier cabinet belong to that one.
  const std::vector<bool>& continued = head->header.continued_from_previous;
  size_t index = 0;
  for (mscabd_file* f = head->cabinet->files; f; f = f->next, ++index) {
    if (index < continued.size() && continued[index]) continue;
    if (DWORD err = VisitMember(f)) return err;
  }
  return 0;
}

}  // namespace

// SETUPAPI.SetupIterateCabinetA. Native fails a missing cabinet, and a
// directory, with ERROR_FILE_NOT_FOUND before any notification, and a file
// that is not a cabinet, or whose header or data is damaged, with
// ERROR_INVALID_DATA. An answer other than NO_ERROR to CABINETINFO,
// NEEDNEWCABINET or FILEEXTRACTED ends the walk with that error.
extern "C" BOOL WINAPI SetupIterateCabinetA(PCSTR cabinet, DWORD reserved,
                                            PSP_FILE_CALLBACK_A callback, PVOID context) {
  if (winsim::FaultInjected("SetupIterateCabinetA")) return FALSE;
  if (!cabinet || !callback) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD err = 0;
  {
    CabinetWalk walk(callback, context);
    err = walk.Run(cabinet);
  }
  SetLastError(err);
  return err ? FALSE : TRUE;
}
