#include "utility/file_attributes.h"

#include <cstring>
#include <string_view>

#include "common/strbuf.h"
#include "common/text.h"
#include "common/unique_handle.h"
#include "utility/export_args.h"
#include "utility/exports.h"

namespace ombrel {
namespace {

size_t NameLength(const WIN32_FIND_DATAA& entry) {
  return strnlen(entry.cFileName, sizeof entry.cFileName);
}

std::string_view NameOf(const WIN32_FIND_DATAA& entry) {
  return std::string_view(entry.cFileName, NameLength(entry));
}

// True for a piece that names an entry of the folder and nothing else. A
// name holding a comma comes out of the list in pieces, and a piece such as
// ".." (from "..,aaa") or "sub\x" would reach outside the folder; one of
// dots and blanks only ("...", ". ") is the folder itself once Windows drops
// the trailing dots and blanks of a path (Wine's ntdll path tests).
bool NamesAnEntry(std::string_view piece) {
  return !kit::HoldsPathCharacter(piece) && piece.find_first_not_of(". ") != std::string_view::npos;
}

// Hands out the pieces of the list between commas that name an entry, at
// most `limit` of them; empty and unsafe pieces are passed over. A name that
// itself holds a comma comes out as two pieces: the list has no way of
// telling them apart.
class EntryPieces {
 public:
  EntryPieces(std::string_view list, int limit) : rest_(list), left_(limit) {}

  bool Next(std::string_view* piece) {
    while (left_ > 0 && !rest_.empty()) {
      size_t comma = kit::FindChar(rest_, ',');
      std::string_view candidate = rest_.substr(0, comma);
      rest_ = comma == kit::kNotFound ? std::string_view() : rest_.substr(comma + 1);
      if (candidate.empty() || !NamesAnEntry(candidate)) continue;
      --left_;
      *piece = candidate;
      return true;
    }
    return false;
  }

 private:
  std::string_view rest_;
  int left_;
};

// True when every piece that will be visited makes a path of at most 259
// characters, so that no attribute is changed for a folder that would have
// to be abandoned halfway.
bool AllEntryPathsFit(LPCSTR folder, std::string_view list, int count) {
  EntryPieces pieces(list, count);
  std::string_view name;
  char path[kMaxPath];
  while (pieces.Next(&name)) {
    if (!kit::JoinPath(path, folder, name)) return false;
  }
  return true;
}

}  // namespace

int ListFolderEntries(LPCSTR folder, char (&list)[kEntryListSize]) {
  list[0] = '\0';
  char pattern[kMaxPath] = {};
  if (!kit::FormatStr(pattern, "%s\\*.*", folder)) return kEntryListTooLong;
  WIN32_FIND_DATAA entry;
  std::memset(&entry, 0, sizeof entry);
  kit::UniqueFind search(FindFirstFileA(pattern, &entry));
  if (!search) return 0;

  // Names of one or two characters are left out: that drops "." and "..",
  // and with them every other entry that short.
  int count = 0;
  bool first = true;
  do {
    if (NameLength(entry) > 2) {
      if (!first && !kit::AppendStr(list, ",")) return kEntryListTooLong;
      if (!kit::AppendStr(list, NameOf(entry))) return kEntryListTooLong;
      ++count;
    }
    first = false;
    std::memset(&entry, 0, sizeof entry);
  } while (FindNextFileA(search.Get(), &entry));
  return count;
}

}  // namespace ombrel

extern "C" int WINAPI MySetFilesAttibute(LONG_PTR unused, const DWORD* attributes, LPCSTR folder) {
  // An empty folder would make the pattern "\*.*": every entry in the root
  // of the current drive, system folders included. A setup script whose
  // variable is empty means no folder at all, so nothing is changed.
  if (attributes == nullptr || !ombrel::AcceptStringArgument(folder) || folder[0] == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  char folder_path[kMaxPath] = {};
  kit::CopyStr(folder_path, folder);
  char list[ombrel::kEntryListSize] = {};
  int count = ombrel::ListFolderEntries(folder_path, list);
  if (count <= 0) return 0;
  if (!ombrel::AllEntryPathsFit(folder_path, list, count)) return 0;

  ombrel::EntryPieces pieces(list, count);
  std::string_view name;
  char path[kMaxPath];
  while (pieces.Next(&name)) {
    kit::JoinPath(path, folder_path, name);
    // Read anew for every entry: the caller owns the value.
    if (!SetFileAttributesA(path, *attributes)) {
      ombrel::ReportLastError();
      return 0;
    }
  }
  return 1;
}
