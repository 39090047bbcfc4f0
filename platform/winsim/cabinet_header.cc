#include "platform/winsim/cabinet_header.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/winsim/winsim.h"

namespace winsim::cabinet {
namespace {

// Microsoft Cabinet layout: a 36-byte CFHEADER, an optional 4-byte block of
// reserved-area sizes and the reserved header bytes, the names of the
// previous and next cabinet (each a file name and a disk name, NUL-ended),
// then the CFFOLDER entries (8 bytes plus the folder reserve) and directly
// after them the CFFILE entries (16 bytes and a NUL-ended name).
constexpr size_t kHeaderSize = 36;
constexpr size_t kFolderSize = 8;
constexpr size_t kFileSize = 16;
constexpr unsigned kFlagPrevious = 0x0001;
constexpr unsigned kFlagNext = 0x0002;
constexpr unsigned kFlagReserve = 0x0004;
constexpr unsigned kContinuedFromPrevious = 0xFFFD;
constexpr unsigned kContinuedBoth = 0xFFFF;
constexpr size_t kMaxString = 256;  // a name and its NUL

unsigned Get16(const unsigned char* p) { return p[0] | (p[1] << 8); }

class HeaderReader {
 public:
  explicit HeaderReader(FILE* stream) : stream_(stream) {}

  bool Read(unsigned char* buffer, size_t size) { return fread(buffer, 1, size, stream_) == size; }
  bool Skip(long bytes) { return bytes == 0 || fseek(stream_, bytes, SEEK_CUR) == 0; }

  // A NUL-ended string of at most 255 bytes; `allow_empty` as the format
  // permits it for disk names but not for file names.
  bool ReadString(bool allow_empty, std::string* out) {
    out->clear();
    for (size_t i = 0; i < kMaxString; ++i) {
      int c = fgetc(stream_);
      if (c == EOF) return false;
      if (c == 0) return allow_empty || !out->empty();
      out->push_back(static_cast<char>(c));
    }
    return false;
  }

 private:
  FILE* stream_;
};

bool ReadNeighbours(HeaderReader& in, unsigned flags, CabinetHeader* header) {
  std::string name, disk;
  if (flags & kFlagPrevious) {
    if (!in.ReadString(false, &name) || !in.ReadString(true, &disk)) return false;
  }
  if (flags & kFlagNext) {
    if (!in.ReadString(false, &header->next_name) || !in.ReadString(true, &header->next_disk))
      return false;
  }
  return true;
}

// Records, for each file entry that can be read, whether it continues a
// file from the previous cabinet. Stops quietly at the first damaged entry:
// the decoder then rejects the cabinet on its own.
void ReadFileTable(HeaderReader& in, unsigned folder_reserve, CabinetHeader* header) {
  unsigned char entry[kFileSize];
  for (unsigned i = 0; i < header->folder_count; ++i) {
    if (!in.Read(entry, kFolderSize) || !in.Skip(folder_reserve)) return;
  }
  std::string name;
  for (unsigned i = 0; i < header->file_count; ++i) {
    if (!in.Read(entry, kFileSize) || !in.ReadString(false, &name)) return;
    unsigned folder = Get16(entry + 8);
    header->continued_from_previous.push_back(folder == kContinuedFromPrevious ||
                                              folder == kContinuedBoth);
  }
}

}  // namespace

DWORD ReadCabinetHeader(const std::string& host_path, CabinetHeader* header) {
  *header = CabinetHeader();
  FILE* stream = fopen(host_path.c_str(), "rbe");
  if (!stream) return ErrnoToWin32(errno);
  HeaderReader in(stream);
  unsigned char fixed[kHeaderSize];
  DWORD result = ERROR_INVALID_DATA;
  do {
    if (!in.Read(fixed, kHeaderSize) || memcmp(fixed, "MSCF", 4) != 0) break;
    unsigned flags = Get16(fixed + 30);
    header->folder_count = static_cast<USHORT>(Get16(fixed + 26));
    header->file_count = static_cast<USHORT>(Get16(fixed + 28));
    header->set_id = static_cast<USHORT>(Get16(fixed + 32));
    header->set_index = static_cast<USHORT>(Get16(fixed + 34));
    header->has_previous = (flags & kFlagPrevious) != 0;
    header->has_next = (flags & kFlagNext) != 0;
    unsigned folder_reserve = 0;
    if (flags & kFlagReserve) {
      unsigned char sizes[4];
      if (!in.Read(sizes, sizeof sizes) || !in.Skip(static_cast<long>(Get16(sizes)))) break;
      folder_reserve = sizes[2];
    }
    if (!ReadNeighbours(in, flags, header)) break;
    ReadFileTable(in, folder_reserve, header);
    result = 0;
  } while (false);
  if (ferror(stream) && result != 0) result = ErrnoToWin32(errno);
  fclose(stream);
  return result;
}

}  // namespace winsim::cabinet
