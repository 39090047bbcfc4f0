// Classification of the running Windows version into the codes both
// deliverables compare against.
#pragma once

/// Version codes. Platform 1 with a minor other than 0, 10 and 90 gives
/// kVersionUnknownWindows9x; a platform id above 2 gives kVersionUnknown.
/// Neither is 9, so the installer keeps its own install path for both, and
/// the utility library sets the default printer through the spooler.
enum WindowsVersionCode : int {
  kVersionUnknown = 0,         // GetVersionExA failed, or an unknown platform
  kVersionWin32s = 1,
  kVersionWin95 = 2,
  kVersionWin95Service = 3,
  kVersionWin98 = 4,
  kVersionWin98A = 5,
  kVersionWinMe = 6,
  kVersionNt4 = 7,
  kVersionWin2000 = 8,
  kVersionWinXp = 9,
  kVersionUnknownWindows9x = kVersionUnknown,
};

/// Asks GetVersionExA with the 156-byte extended record, then with the
/// 148-byte plain one, and classifies the answer (0 when both fail).
int GetWindowsVersion();

/// The classification alone, for a filled version record.
int ClassifyWindowsVersion(unsigned platform_id, unsigned major, unsigned minor,
                           const char* service_text);
