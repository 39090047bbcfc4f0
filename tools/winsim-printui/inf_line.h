// One line of an INF file split as Microsoft's "General Syntax Rules for
// INF Files" describe it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace printui {

struct InfLine {
  bool has_key = false;             // "key = fields" rather than "fields"
  std::string key;                  // substituted, without quotes
  std::vector<std::string> fields;  // at least one, possibly empty
};

/// The text of a %strkey% token (the key without its percent signs).
using StringLookup = std::function<std::string(std::string_view)>;

/// Splits one line: `;` starts a comment outside quotes, the first `=`
/// outside quotes ends the key, commas outside quotes separate fields,
/// quotes enclose text as written (`""` inside them is one quote), blanks
/// around unquoted text go, and outside quotes `%strkey%` becomes
/// `lookup(strkey)` (`%%` is `%`) without being split again.
InfLine ParseInfLine(std::string_view text, const StringLookup& lookup);

/// ASCII upper case, for names compared without regard to case.
std::string Folded(std::string_view text);

bool SameText(std::string_view a, std::string_view b);

}  // namespace printui
