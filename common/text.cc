#include "common/text.h"

#include <vector>

#include "platform/win32.h"

namespace kit {

namespace {

/// Bytes taken by the character that starts at `i`: 2 for a lead byte with
/// a byte after it, else 1 (a lead byte at the very end stands alone). The
/// lead bytes of every double-byte ANSI code page (932, 936, 949, 950) are
/// 0x81 and above, so ASCII never needs the system call.
size_t CharLength(std::string_view s, size_t i) {
  BYTE c = static_cast<BYTE>(s[i]);
  return c >= 0x80 && IsDBCSLeadByte(c) && i + 1 < s.size() ? 2 : 1;
}

}  // namespace

size_t FindChar(std::string_view s, char c, size_t from) {
  // One forward walk from `from`, which starts a character, so lead and
  // trail bytes stay told apart without going back to the first byte.
  for (size_t i = from; i < s.size(); i += CharLength(s, i)) {
    if (s[i] == c) return i;
  }
  return kNotFound;
}

size_t FindLastChar(std::string_view s, char c) {
  size_t last = kNotFound;
  for (size_t i = 0; i < s.size(); i += CharLength(s, i)) {
    if (s[i] == c) last = i;
  }
  return last;
}

bool HoldsPathCharacter(std::string_view s) {
  for (size_t i = 0; i < s.size(); i += CharLength(s, i)) {
    if (s[i] == '\\' || s[i] == '/' || s[i] == ':') return true;
  }
  return false;
}

std::string RemoveChar(std::string_view s, char c) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    size_t length = CharLength(s, i);
    if (length == 2 || s[i] != c) out.append(s.substr(i, length));
    i += length;
  }
  return out;
}

std::string ToUpper(std::string_view s) {
  std::string out(s);
  if (!out.empty()) CharUpperBuffA(out.data(), static_cast<DWORD>(out.size()));
  return out;
}

std::string DirectoryPart(std::string_view path) {
  size_t slash = FindLastChar(path, '\\');
  return slash == kNotFound ? std::string() : std::string(path.substr(0, slash));
}

std::string FileNamePart(std::string_view path) {
  size_t slash = FindLastChar(path, '\\');
  return std::string(slash == kNotFound ? path : path.substr(slash + 1));
}

}  // namespace kit
