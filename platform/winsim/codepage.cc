// The system's ANSI code page ([locale] CodePage): lead bytes of the
// double-byte code pages, upper-case conversion, and the conversions between
// Windows names in the code page and the UTF-8 names of host files.
//
//   GetACP IsDBCSLeadByte CharUpperBuffA
//
// Windows keeps file names in Unicode; the ANSI functions convert a name
// from the code page on the way in and back (best fit) on the way out, as
// Wine does between the code page and the host's UTF-8 names.
#include <locale.h>
#include <wctype.h>

#include "platform/winsim/profile_encoding.h"
#include "platform/winsim/winsim.h"

namespace {

bool IsLeadByteOf(UINT cp, BYTE c) {
  switch (cp) {
    case 932: return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    case 936:
    case 949:
    case 950: return c >= 0x81 && c <= 0xFE;
    default: return false;
  }
}

// Upper case of one single-byte character in code page 1252.
BYTE Upper1252(BYTE c) {
  if (c >= 'a' && c <= 'z') return static_cast<BYTE>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<BYTE>(c - 0x20);
  switch (c) {
    case 0x9A: return 0x8A;  // s caron
    case 0x9C: return 0x8C;  // oe
    case 0x9E: return 0x8E;  // z caron
    case 0xFF: return 0x9F;  // y diaeresis
    default: return c;
  }
}

constexpr UINT kUtf8 = 65001;

}  // namespace

namespace winsim {

std::u32string AnsiToWide(std::string_view ansi) { return profile::AnsiToUnicode(ansi, Facts().code_page); }

std::string WideToAnsi(std::u32string_view wide) { return profile::UnicodeToAnsi(wide, Facts().code_page); }

bool Utf8ToWide(std::string_view utf8, std::u32string* wide) {
  *wide = profile::AnsiToUnicode(utf8, kUtf8);
  // The decoder stands U+FFFD in for bytes that are no UTF-8; a strict
  // decode is one that encodes back to the same bytes.
  return profile::UnicodeToAnsi(*wide, kUtf8) == utf8;
}

std::string WideToUtf8(std::u32string_view wide) { return profile::UnicodeToAnsi(wide, kUtf8); }

std::vector<size_t> AnsiCharPositions(std::string_view ansi, std::string_view chars) {
  UINT cp = Facts().code_page;
  std::vector<size_t> at;
  for (size_t i = 0; i < ansi.size(); ++i) {
    if (IsLeadByteOf(cp, static_cast<BYTE>(ansi[i]))) {
      ++i;  // the trail byte (0x5C in 932 and others) is part of the character
    } else if (chars.find(ansi[i]) != std::string_view::npos) {
      at.push_back(i);
    }
  }
  return at;
}

size_t FindAnsiChar(std::string_view ansi, std::string_view chars) {
  std::vector<size_t> at = AnsiCharPositions(ansi, chars);
  return at.empty() ? std::string_view::npos : at.front();
}

size_t FindLastAnsiChar(std::string_view ansi, std::string_view chars) {
  std::vector<size_t> at = AnsiCharPositions(ansi, chars);
  return at.empty() ? std::string_view::npos : at.back();
}

char32_t UpperCaseOf(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 0x20 : c;
  // glibc's C.UTF-8 locale carries Unicode's simple case mapping whatever
  // the process locale is.
  static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  if (utf8 == static_cast<locale_t>(nullptr) || c > 0x10FFFF) return c;
  return static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), utf8));
}

}  // namespace winsim

extern "C" {

// KERNEL32.GetACP.
UINT WINAPI GetACP(void) { return winsim::Facts().code_page; }

// KERNEL32.IsDBCSLeadByte: lead bytes of 932, 936, 949 and 950.
BOOL WINAPI IsDBCSLeadByte(BYTE test_char) {
  return IsLeadByteOf(winsim::Facts().code_page, test_char) ? TRUE : FALSE;
}

// USER32.CharUpperBuffA: converts in place by the code page; double-byte
// characters are left as they are. Returns the number of bytes processed.
DWORD WINAPI CharUpperBuffA(LPSTR text, DWORD length) {
  if (!text) return 0;
  UINT cp = winsim::Facts().code_page;
  for (DWORD i = 0; i < length; ++i) {
    BYTE c = static_cast<BYTE>(text[i]);
    if (IsLeadByteOf(cp, c)) {
      ++i;
    } else if (cp == 1252) {
      text[i] = static_cast<char>(Upper1252(c));
    } else if (c >= 'a' && c <= 'z') {
      text[i] = static_cast<char>(c - 0x20);
    }
  }
  return length;
}

}  // extern "C"
