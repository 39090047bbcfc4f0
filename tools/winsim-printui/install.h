// PrintUIEntry /if: installs a printer from a printer INF as the printer UI
// does with "/if /b NAME /f INF /r PORT /m MODEL": the model's driver
// (files copied, driver registered with AddPrinterDriverExA) and printer
// NAME on PORT (AddPrinterA), through the simulated system's spooler.
#pragma once

#include <string>

#include "platform/win32.h"
#include "tools/winsim-printui/arguments.h"

namespace printui {

/// The full Windows path of the /f value: a bare file name is looked for in
/// <Windows>\inf (as SetupOpenInfFile does), a relative path in the current
/// folder.
std::string InfPath(const std::string& value);

/// Runs the /if request; 0, or the error that was shown in a box (unless /q).
DWORD InstallFromInf(const Arguments& args);

}  // namespace printui
