// rundll32.exe of the simulated system, for the one module it runs:
// "printui.dll,PrintUIEntry ARGUMENTS".
#pragma once

#include <string>

namespace printui {

/// Loads the module named before the first comma (it must exist in the
/// system directory) and calls the entry named after it with the rest of
/// the command line. Returns 0 when the entry ran and succeeded.
int RunDll32(const std::string& command_line);

/// PrintUIEntry: parses the switches and carries out /if; every other
/// request gets a box (invalid arguments, or not simulated).
int PrintUiEntry(const std::string& arguments);

}  // namespace printui
