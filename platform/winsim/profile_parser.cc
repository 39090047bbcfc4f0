// Parsing and reading initialization files, the way native KERNEL32 does it
// for GetPrivateProfileSectionA and GetPrivateProfileStringA.
//
//   ParseProfile   bytes -> sections of entries (first section of a name wins)
//   ReadSection    a section's entries into a double-NUL-terminated buffer
//   ReadString     one key's value (or the list of keys) into a buffer
//
// How native Windows reads a file, where it is not obvious:
// - A line ends at CR, LF or CRLF; blanks (space, tab) around a line, around
//   `=` and around a header's name do not count. Blank lines are dropped.
// - A line that starts with `[` and holds a `]` opens a section named by the
//   text up to the LAST `]` (`[a]b]` is "a]b"); text after it is ignored. A
//   `[` line without `]` is an ordinary line of the section it stands in.
// - Lines before the first header belong to no section that can be read.
// - The key is the text before the first `=`, the value the text after it;
//   quotes are ordinary characters of both. A NUL character ends the key,
//   value or section name it is in.
// - Comment lines (first character `;`) are kept as lines, so `;a=b` answers
//   the key ";a", but a section read leaves them out.
// - A line with an empty key right after another line with an empty key is
//   dropped.
// - Names compare without regard to ASCII letter case only.
// - The DOS end-of-file character (0x1A, ^Z) ends the file wherever it
//   stands: what follows it, the rest of its own line included, is not read.
//   Wine's conformance tests of the INF parser (setupapi/tests/parser.c,
//   which pass on Windows) show this for INF files; kernel32's own tests do
//   not cover it, and an INF read through the profile functions is read the
//   same way here.
#include "platform/winsim/profile_parser.h"

#include <cstring>

#include "platform/winsim/profile_encoding.h"

namespace winsim::profile {
namespace {

constexpr char32_t kEndOfFile = 0x1A;  // DOS ^Z

bool IsBlank(char32_t c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::u32string_view Trim(std::u32string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view TrimAnsi(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::u32string UpToNul(std::u32string_view s) {
  size_t nul = s.find(U'\0');
  return std::u32string(nul == std::u32string_view::npos ? s : s.substr(0, nul));
}

char32_t FoldAscii(char32_t c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

std::u32string Folded(std::u32string_view s) {
  std::u32string out(s);
  for (char32_t& c : out) c = FoldAscii(c);
  return out;
}

bool EqualFolded(std::u32string_view a, std::u32string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

bool IsComment(const Entry& e) { return !e.key.empty() && e.key[0] == U';'; }

void OpenSection(Profile* p, std::u32string_view line, size_t close, unsigned number) {
  Section s;
  s.line = number;
  s.name = UpToNul(Trim(line.substr(1, close - 1)));
  std::u32string folded = Folded(s.name);
  p->first_section.emplace(folded, p->sections.size());  // keeps an earlier one
  p->sections.push_back(std::move(s));
}

void AddEntry(Section* s, std::u32string_view line, unsigned number) {
  Entry e;
  e.line = number;
  size_t eq = line.find(U'=');
  std::u32string_view raw_key = eq == std::u32string_view::npos ? line : Trim(line.substr(0, eq));
  if (eq != std::u32string_view::npos) {
    if (raw_key.empty() && !s->entries.empty() && s->entries.back().key.empty()) return;
    e.value = UpToNul(Trim(line.substr(eq + 1)));
    e.has_value = true;
  }
  e.key = UpToNul(raw_key);
  s->entries.push_back(std::move(e));
}

// Writes `data` (entries, each with its NUL) into a section-style buffer:
// the data and one more NUL when that leaves a byte spare, else as much as
// fits before two closing NULs.
DWORD WriteList(const std::string& data, UINT code_page, char* buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  if (size == 1) {
    buffer[0] = '\0';
    return 0;
  }
  if (data.size() + 2 <= size) {
    std::memcpy(buffer, data.data(), data.size());
    buffer[data.size()] = '\0';
    if (data.empty()) buffer[1] = '\0';
    return static_cast<DWORD>(data.size());
  }
  size_t keep = CutAtCharacter(data, size - 2, code_page);
  std::memcpy(buffer, data.data(), keep);
  std::memset(buffer + keep, 0, size - keep);
  return size - 2;
}

// Copies `text` cut to size - 1 bytes and its NUL; returns the bytes copied.
DWORD WriteText(std::string_view text, UINT code_page, char* buffer, DWORD size) {
  if (buffer == nullptr || size == 0) return 0;
  size_t keep = CutAtCharacter(text, size - 1, code_page);
  std::memcpy(buffer, text.data(), keep);
  buffer[keep] = '\0';
  return static_cast<DWORD>(keep);
}

// An empty name finds nothing, not even a `[]` section: native Windows NT
// faults on an empty section name, and a missing section is the safe answer.
const Section* FindSection(const Profile* p, std::u32string_view name) {
  if (p == nullptr || name.empty()) return nullptr;
  auto it = p->first_section.find(Folded(name));
  return it == p->first_section.end() ? nullptr : &p->sections[it->second];
}

std::u32string_view WithoutQuotes(std::u32string_view v) {
  if (v.size() >= 2 && (v.front() == U'"' || v.front() == U'\'') && v.back() == v.front()) {
    return v.substr(1, v.size() - 2);
  }
  return v;
}

// A list's data is composed only as far as a buffer of `size` bytes can
// show: once it cannot fit, the rest would be cut anyway (a large section
// read into a small buffer stays cheap).
bool Overflows(const std::string& data, DWORD size) { return data.size() + 2 > size; }

std::string KeyList(const Section& s, UINT code_page, DWORD size) {
  std::string data;
  for (const Entry& e : s.entries) {
    if (Overflows(data, size)) break;
    if (e.key.empty() || IsComment(e)) continue;
    data += UnicodeToAnsi(e.key, code_page);
    data.push_back('\0');
  }
  return data;
}

}  // namespace

Profile ParseProfile(std::string_view bytes, UINT code_page) {
  Profile p;
  p.code_page = code_page;
  std::u32string text = DecodeFileText(bytes, code_page);
  std::u32string_view rest(text);
  rest = rest.substr(0, rest.find(kEndOfFile));
  unsigned number = 0;
  bool after_cr = false;
  while (!rest.empty()) {
    // CRLF ends one line: the empty piece between CR and LF is not counted.
    if (!(after_cr && rest[0] == U'\n')) ++number;
    size_t end = rest.find_first_of(U"\r\n");
    after_cr = end != std::u32string_view::npos && rest[end] == U'\r';
    std::u32string_view line = Trim(rest.substr(0, end));
    rest.remove_prefix(end == std::u32string_view::npos ? rest.size() : end + 1);
    if (line.empty()) continue;
    size_t close = line[0] == U'[' ? line.rfind(U']') : std::u32string_view::npos;
    if (close != std::u32string_view::npos) {
      OpenSection(&p, line, close, number);
    } else if (!p.sections.empty()) {
      AddEntry(&p.sections.back(), line, number);
    }
  }
  return p;
}

DWORD ReadSection(const Profile* profile, const char* section, char* buffer, DWORD size) {
  // The requested name is taken as given: unlike a key read, blanks around
  // it are not ignored (" Version " finds nothing).
  UINT code_page = profile ? profile->code_page : 1252;
  const Section* s = section ? FindSection(profile, AnsiToUnicode(section, code_page)) : nullptr;
  std::string data;
  if (s != nullptr) {
    for (const Entry& e : s->entries) {
      if (Overflows(data, size)) break;
      if (IsComment(e) || (e.key.empty() && !e.has_value)) continue;
      data += UnicodeToAnsi(e.key, code_page);
      if (e.has_value) {
        data.push_back('=');
        data += UnicodeToAnsi(e.value, code_page);
      }
      data.push_back('\0');
    }
  }
  return WriteList(data, code_page, buffer, size);
}

DWORD ReadString(const Profile* profile, const char* section, const char* key,
                 const char* default_value, char* buffer, DWORD size, bool* found) {
  UINT code_page = profile ? profile->code_page : 1252;
  const Section* s = nullptr;
  if (profile != nullptr && section != nullptr) {
    s = FindSection(profile, AnsiToUnicode(TrimAnsi(section), code_page));
  }
  if (s != nullptr && key == nullptr) {
    *found = true;
    return WriteList(KeyList(*s, code_page, size), code_page, buffer, size);
  }
  if (s != nullptr && key != nullptr) {
    std::u32string wanted = AnsiToUnicode(TrimAnsi(key), code_page);
    for (const Entry& e : s->entries) {
      if (!e.has_value || !EqualFolded(e.key, wanted)) continue;
      *found = true;
      // Windows documents the quotes as removed before the value is cut to
      // the buffer, so a quoted value of size - 1 characters comes back whole.
      return WriteText(UnicodeToAnsi(WithoutQuotes(e.value), code_page), code_page, buffer, size);
    }
  }
  *found = false;
  // Native Windows drops trailing blanks of the default string.
  std::string_view fallback = default_value ? default_value : "";
  while (!fallback.empty() && (fallback.back() == ' ' || fallback.back() == '\t')) fallback.remove_suffix(1);
  return WriteText(fallback, code_page, buffer, size);
}

}  // namespace winsim::profile
