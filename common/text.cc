#include "common/text.h"

#include <vector>

#include "platform/win32.h"

namespace kit {

size_t FindChar(std::string_view s, char c, size_t from) {
  // Walk from the start so that lead and trail bytes are told apart.
  for (size_t i = 0; i < s.size(); ++i) {
    if (i >= from && s[i] == c) return i;
    if (IsDBCSLeadByte(static_cast<BYTE>(s[i])) && i + 1 < s.size()) ++i;
  }
  return kNotFound;
}

size_t FindLastChar(std::string_view s, char c) {
  size_t last = kNotFound;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == c) last = i;
    if (IsDBCSLeadByte(static_cast<BYTE>(s[i])) && i + 1 < s.size()) ++i;
  }
  return last;
}

std::string RemoveChar(std::string_view s, char c) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(s[i])) && i + 1 < s.size()) {
      out += s[i];
      out += s[++i];
    } else if (s[i] != c) {
      out += s[i];
    }
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
