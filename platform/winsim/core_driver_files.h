// What the printer class installer of a real Windows keeps for vendor kits:
// its own INF, NTPRINT.INF, with the data sections and install sections that
// printer INFs pull in with Include=NTPRINT.INF and Needs=, and the core
// driver files those sections copy (Pscript, Unidrv and their parts).
//
// The INF text is written by this project from Microsoft's documentation of
// the printer class installer ("Printer INF File Data Sections", "Printer INF
// File Install Sections", "Installing a Pscript Minidriver", "Installing a
// Unidrv Minidriver", "INF Version Section"); nothing is copied from a
// Windows file. The core driver files are stand-ins: small files whose text
// says what they stand for.
//
// This file depends on nothing else of winsim: the build's cabinet maker
// compiles it on its own to pack the stand-ins into driver.cab.
#pragma once

#include <string>
#include <vector>

namespace winsim {

/// Where a Windows keeps the core driver files that NTPRINT.INF copies.
enum class CoreDriverHome {
  kNone,         // Windows 9x and NT 4: no NTPRINT.INF of this kind, no cache
  kDriverCab,    // Windows 2000, XP, Server 2003: <Windows>\Driver Cache\i386\driver.cab
  kDriverStore,  // Vista and later: the driver store folder of ntprint.inf
};

/// The home for a version record: NT (platform 2) 5.0 to 5.2 the cabinet,
/// 6.0 and later the driver store, everything else none.
CoreDriverHome CoreDriverHomeOf(unsigned platform_id, unsigned major, unsigned minor);

/// The folder of the driver store that holds ntprint.inf's files on Vista
/// and later, below the system directory (no leading or trailing `\`).
extern const char kCoreDriverStoreFolder[];

/// The core driver files, upper case, in the order the cabinet holds them.
const std::vector<std::string>& CoreDriverFileNames();

/// The stand-in content of a core driver file.
std::string CoreDriverStandIn(const std::string& name);

/// NTPRINT.INF as a Windows of this version holds it (its [Version] differs
/// by version), CRLF line ends.
std::string NtprintInfText(unsigned major, unsigned minor, unsigned build);

}  // namespace winsim
