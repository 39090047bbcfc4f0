// The initialization-file reader behind GetPrivateProfileSectionA and
// GetPrivateProfileStringA: file bytes to sections of entries, and the two
// reads over a parsed file into a caller's buffer. Pure: no file system, no
// process state, so tests and the fuzz target call it directly.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/win32.h"

namespace winsim::profile {

/// One line of a section. `key` is the whole line for a line without `=`.
/// Both texts end at a NUL character of the line, as native Windows reads them.
struct Entry {
  std::u32string key;
  std::u32string value;
  bool has_value = false;
  unsigned line = 0;  // 1-based line of the file, for diagnostics
};

struct Section {
  std::u32string name;
  std::vector<Entry> entries;
  unsigned line = 0;  // 1-based line of its header
};

/// A parsed file. Text is kept in Unicode, as Windows parses it; results are
/// converted to `code_page` when they are handed out.
struct Profile {
  UINT code_page = 1252;
  std::vector<Section> sections;
  /// ASCII-case-folded name -> index of the first section of that name.
  std::unordered_map<std::u32string, size_t> first_section;
};

/// Parses file bytes (BOM-detected, else ANSI in `code_page`).
Profile ParseProfile(std::string_view bytes, UINT code_page);

/// GetPrivateProfileSectionA over `profile` (nullptr: the file is missing).
/// Entries are `key=value` or the line as written, each NUL-terminated, then
/// one more NUL. Returns the bytes before the final NUL, or size - 2 when the
/// data was cut (an exact fit counts as cut). Never writes past `size`.
DWORD ReadSection(const Profile* profile, const char* section, char* buffer, DWORD size);

/// GetPrivateProfileStringA over `profile` (nullptr: the file is missing).
/// The first entry of the section whose key matches, value without one pair
/// of enclosing quotes, cut to size - 1; else `default_value` without its
/// trailing blanks. A null key lists the section's keys like ReadSection.
/// Returns the bytes copied without the NUL; `*found` tells whether the key
/// (or section, for a key list) was there.
DWORD ReadString(const Profile* profile, const char* section, const char* key,
                 const char* default_value, char* buffer, DWORD size, bool* found);

/// How many files the Win32 reads of this process have parsed (profile.cc);
/// a file read again unchanged comes from the cache and does not count.
size_t ParsedFileCount();

}  // namespace winsim::profile
