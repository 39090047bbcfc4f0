// KERNEL32 system facts: the version record and the system directories,
// as system.ini describes them.
//
//   GetVersionExA GetWindowsDirectoryA GetSystemDirectoryA
#include <cstring>

#include "platform/winsim/winsim.h"

namespace {

// The directory functions' contract: the length without the NUL when it
// fits, else the size needed including the NUL and nothing written.
UINT CopyDirectory(const std::string& dir, LPSTR buffer, UINT size) {
  if (!buffer || dir.size() + 1 > size) return static_cast<UINT>(dir.size() + 1);
  std::memcpy(buffer, dir.c_str(), dir.size() + 1);
  return static_cast<UINT>(dir.size());
}

}  // namespace

extern "C" {

// KERNEL32.GetVersionExA: accepts the 148-byte OSVERSIONINFOA and, unless
// system.ini says ExtendedRecord=0 (as on systems before NT 4 SP6), the
// 156-byte OSVERSIONINFOEXA; any other size fails with
// ERROR_INSUFFICIENT_BUFFER, as native does.
BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info) {
  if (winsim::FaultInjected("GetVersionExA")) return FALSE;
  const winsim::VersionFacts& v = winsim::Facts().version;
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (v.fail) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD size = info->dwOSVersionInfoSize;
  bool extended = size == sizeof(OSVERSIONINFOEXA);
  if (size != sizeof(OSVERSIONINFOA) && !(extended && v.extended_record)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  info->dwMajorVersion = v.major;
  info->dwMinorVersion = v.minor;
  info->dwBuildNumber = v.platform_id == VER_PLATFORM_WIN32_WINDOWS
                            ? ((v.major << 24) | (v.minor << 16) | (v.build & 0xFFFF))
                            : v.build;
  info->dwPlatformId = v.platform_id;
  std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  std::strncpy(info->szCSDVersion, v.csd.c_str(), sizeof info->szCSDVersion - 1);
  if (extended) {
    auto* ex = reinterpret_cast<LPOSVERSIONINFOEXA>(info);
    ex->wServicePackMajor = 0;
    ex->wServicePackMinor = 0;
    ex->wSuiteMask = 0;
    ex->wProductType = 1;  // VER_NT_WORKSTATION
    ex->wReserved = 0;
  }
  return TRUE;
}

// KERNEL32.GetWindowsDirectoryA: [directories] Windows.
UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  if (winsim::FaultInjected("GetWindowsDirectoryA")) return 0;
  return CopyDirectory(winsim::Facts().windows_dir, buffer, size);
}

// KERNEL32.GetSystemDirectoryA: [directories] System.
UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size) {
  if (winsim::FaultInjected("GetSystemDirectoryA")) return 0;
  return CopyDirectory(winsim::Facts().system_dir, buffer, size);
}

}  // extern "C"
