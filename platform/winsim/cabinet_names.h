// Names found inside a cabinet that the iteration must not trust.
#pragma once

#include <string_view>

namespace winsim::cabinet {

/// True when a name stored in a cabinet is a plain file name: no `\` or `/`
/// (scanned by the system code page unless `utf8`, so that a trail byte of a
/// double-byte character is not taken for a backslash), no `:` (a drive or
/// a stream), no `..`, and not empty or ".". Only such names are extracted
/// or followed to the next cabinet of a set.
bool IsPlainMemberName(std::string_view name, bool utf8);

}  // namespace winsim::cabinet
