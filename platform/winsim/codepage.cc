// The system's ANSI code page ([locale] CodePage): lead bytes of the
// double-byte code pages and upper-case conversion.
//
//   GetACP IsDBCSLeadByte CharUpperBuffA
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

}  // namespace

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
