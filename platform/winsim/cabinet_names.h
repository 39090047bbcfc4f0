// Names found inside a cabinet that the iteration must not trust.
#pragma once

#include <string_view>

namespace winsim::cabinet {

/// True when a name stored in a cabinet is a plain file name: no `\` or `/`,
/// no `:` (a drive or a stream), no `..`, and not empty or ".". Only such
/// names are followed to the next cabinet of a set (a member's name is never
/// used as a path: it goes where the callback's FullTargetName points).
/// Every byte counts, the trail byte of a double-byte character too.
bool IsPlainMemberName(std::string_view name);

}  // namespace winsim::cabinet
