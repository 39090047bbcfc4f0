#include "installer/inf/file_names.h"

#include "common/text.h"

namespace {

/// True when `a` and the upper-case ASCII `upper` are equal in any case.
bool EqualsUpper(std::string_view a, std::string_view upper) {
  if (a.size() != upper.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char c = a[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upper[i]) return false;
  }
  return true;
}

/// True for COM1..COM9 or LPT1..LPT9 in any case (COM0 and COM10 are files).
bool IsNumberedPort(std::string_view base) {
  if (base.size() != 4 || base[3] < '1' || base[3] > '9') return false;
  return EqualsUpper(base.substr(0, 3), "COM") || EqualsUpper(base.substr(0, 3), "LPT");
}

}  // namespace

bool IsDeviceName(std::string_view name) {
  // As Windows' RtlIsDosDeviceName_U (see Wine's ntdll path tests): the part
  // before the first '.', less trailing blanks, decides; "NUL.DLL" and
  // "nul  .txt" open the null device.
  std::string_view base = name.substr(0, kit::FindChar(name, '.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (std::string_view device : {"AUX", "CON", "NUL", "PRN", "CONIN$", "CONOUT$"}) {
    if (EqualsUpper(base, device)) return true;
  }
  return IsNumberedPort(base);
}

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  // Multibyte-aware: the trail byte of a double-byte character may be 0x5C
  // ('\') in the code pages of East Asia without being a separator.
  return kit::FindChar(name, '\\') == kit::kNotFound && kit::FindChar(name, '/') == kit::kNotFound &&
         kit::FindChar(name, ':') == kit::kNotFound && !IsDeviceName(name);
}
