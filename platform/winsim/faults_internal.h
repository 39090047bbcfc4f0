// The [faults] rules of system.ini, filled while system.ini is read.
#pragma once

#include <string>

namespace winsim {

/// Adds `Function=Code` or `Function#N=Code`; false when malformed.
bool AddFaultRule(const std::string& key, const std::string& value);
/// Forgets every rule and every call count.
void ClearFaultRules();

}  // namespace winsim
