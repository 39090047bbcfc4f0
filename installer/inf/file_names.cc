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

/// True for a name of the form Windows gives generated short names
/// ("PSCRIP~1.DLL", "AB12C~10"): at most eight characters ending in '~' and
/// digits, then at most one dot and three characters. On a volume that makes
/// short names such a name may open another file, whose long name differs.
bool HasShortNameForm(std::string_view name) {
  size_t dot = kit::FindChar(name, '.');
  std::string_view base = name.substr(0, dot);
  if (dot != kit::kNotFound) {
    std::string_view extension = name.substr(dot + 1);
    if (extension.size() > 3 || kit::FindChar(extension, '.') != kit::kNotFound) return false;
  }
  size_t tilde = kit::FindLastChar(base, '~');
  if (base.size() > 8 || tilde == kit::kNotFound || tilde + 1 == base.size()) return false;
  for (char c : base.substr(tilde + 1)) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

/// True when Windows' path rules would drop the name's last character: a
/// trailing dot or blank goes when the name is joined to a folder (Wine's
/// ntdll path tests, RtlGetFullPathName_U), so "A.DLL." opens "A.DLL".
bool EndsInDotOrBlank(std::string_view name) {
  return !name.empty() && (name.back() == '.' || name.back() == ' ');
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
  if (kit::HoldsPathCharacter(name)) return false;
  // A name another spelling of which names the same file would let one
  // driver's file pass for another's: the copy would overwrite it and the
  // uninstall delete it.
  return !IsDeviceName(name) && !EndsInDotOrBlank(name) && !HasShortNameForm(name);
}
