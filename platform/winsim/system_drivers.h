// Laying down the printer class installer's files on a fresh system: the
// <Windows>\inf\NTPRINT.INF of the system's version and its core driver
// files where that version keeps them (see core_driver_files.h).
#pragma once

#include <string>

#include "platform/winsim/winsim.h"

namespace winsim {

/// Writes NTPRINT.INF and the core driver files for the version in `facts`:
/// on Windows 2000, XP and Server 2003 <Windows>\Driver Cache\i386\driver.cab,
/// on Vista and later the driver store folder below the system directory;
/// nothing on NT 4 and Windows 9x. False with a message when a file cannot
/// be written.
bool InstallSystemDrivers(const SystemFacts& facts, std::string* error);

}  // namespace winsim
