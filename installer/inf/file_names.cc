#include "installer/inf/file_names.h"

#include "common/text.h"

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  // Multibyte-aware: the trail byte of a double-byte character may be 0x5C
  // ('\') in the code pages of East Asia without being a separator.
  return kit::FindChar(name, '\\') == kit::kNotFound && kit::FindChar(name, '/') == kit::kNotFound &&
         kit::FindChar(name, ':') == kit::kNotFound;
}
