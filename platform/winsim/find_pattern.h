// Search patterns of FindFirstFileA: splitting "<directory>\<name pattern>"
// and matching names the way Windows does, without regard to letter case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace winsim::findpattern {

struct Split {
  std::string directory;     // the Windows directory to list ("C:\" for a root)
  std::string name_pattern;  // the last component, with its wildcards
  bool drive_root = false;   // a drive's root lists no "." and ".."
};

/// Splits a pattern at its last separator (backslash or slash; a trail byte
/// of a double-byte character is no separator). false for a pattern with an
/// empty last component.
bool SplitPattern(std::string_view pattern, Split* split);

/// True when `name` matches `pattern` ("*" any run, "?" one character),
/// letters compared without regard to case. A pattern ending in ".*" also
/// matches names without a dot, so "*.*" matches every name. Both are in
/// Unicode, as Windows matches them: a name the code page cannot show is
/// matched by what it is, not by its best-fit form.
bool Matches(std::u32string_view pattern, std::u32string_view name);

/// Sorts names in case-insensitive order (ties in code point order).
void SortNames(std::vector<std::u32string>* names);

}  // namespace winsim::findpattern
