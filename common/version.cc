#include "common/version.h"

#include <cstring>

#include "platform/win32.h"

int ClassifyWindowsVersion(unsigned platform_id, unsigned major, unsigned minor,
                           const char* service_text) {
  switch (platform_id) {
    case VER_PLATFORM_WIN32s:
      return kVersionWin32s;
    case VER_PLATFORM_WIN32_WINDOWS:
      // The service text is compared whole: " A " is not "A".
      if (minor == 0) return service_text[0] == '\0' ? kVersionWin95 : kVersionWin95Service;
      if (minor == 10) return std::strcmp(service_text, "A") == 0 ? kVersionWin98A : kVersionWin98;
      if (minor == 90) return kVersionWinMe;
      return kVersionUnknownWindows9x;
    case VER_PLATFORM_WIN32_NT:
      if (major <= 4) return kVersionNt4;
      return minor == 0 ? kVersionWin2000 : kVersionWinXp;
    default:
      return kVersionUnknown;
  }
}

int GetWindowsVersion() {
  OSVERSIONINFOEXA info;
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
  if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) {
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return kVersionUnknown;
  }
  info.szCSDVersion[sizeof info.szCSDVersion - 1] = '\0';
  return ClassifyWindowsVersion(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion,
                                info.szCSDVersion);
}
