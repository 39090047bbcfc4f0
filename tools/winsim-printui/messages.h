// The message boxes of the printer UI and of rundll32, recorded by
// MessageBoxA in events.jsonl. The captions and wording are winsim's own
// (Windows words them differently from version to version); each install
// failure carries Windows' error code and its system text.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

namespace printui {

/// rundll32 could not load the module: "Error loading NAME".
void ShowModuleNotFound(const std::string& module);

/// The module has no such entry: "Missing entry:NAME".
void ShowMissingEntry(const std::string& module, const std::string& entry);

/// printui refused its command line.
void ShowInvalidArguments();

/// A valid PrintUIEntry request that the simulated printer UI does not
/// carry out; `switches` as written.
void ShowNotSimulated(const std::vector<std::string>& switches);

/// The install of printer `name` failed with `code`; `subject` (a file, a
/// model) is added when given.
void ShowInstallFailure(const std::string& name, DWORD code, const std::string& subject);

}  // namespace printui
