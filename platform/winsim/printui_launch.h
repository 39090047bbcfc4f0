// Starting the simulated printer user interface: what Windows runs for
// "<System>\rundll32.exe printui.dll,PrintUIEntry ..." is, on the host, the
// winsim-printui program, started in its own process that nothing waits for.
#pragma once

#include <string>

namespace winsim {

/// True when ShellExecuteA of `file` with `parameters` starts the system's
/// rundll32.exe on printui.dll: `file` is <System>\rundll32.exe (any case)
/// and the module before the first comma is printui.dll, bare or in the
/// system directory.
bool StartsPrintUi(const char* file, const char* parameters);

/// Starts winsim-printui for the rundll32 command line `parameters` in the
/// Windows folder `directory` (null or empty: the current one), detached
/// (its own session, reaped by init), and returns once it runs. While it
/// runs it holds a shared lock on PrintUiLockPath(); a program that takes an
/// exclusive lock there has waited for every printer UI started so far.
/// Returns false (with a warning on stderr) when the host program is missing.
bool StartPrintUi(const std::string& parameters, const char* directory);

/// <root>/printui.lock.
std::string PrintUiLockPath();

}  // namespace winsim
