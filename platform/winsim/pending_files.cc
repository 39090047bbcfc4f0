// Placeholder until this area of the simulated system exists: every call
// fails with ERROR_CALL_NOT_IMPLEMENTED. Deleted when the area lands.
#include "platform/win32.h"
#define PENDING(ret) do { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return ret; } while (0)
extern "C" {
BOOL WINAPI CopyFileA(LPCSTR, LPCSTR, BOOL) { PENDING(FALSE); }
BOOL WINAPI DeleteFileA(LPCSTR) { PENDING(FALSE); }
HANDLE WINAPI FindFirstFileA(LPCSTR, LPWIN32_FIND_DATAA) { PENDING(INVALID_HANDLE_VALUE); }
BOOL WINAPI FindNextFileA(HANDLE, LPWIN32_FIND_DATAA) { PENDING(FALSE); }
BOOL WINAPI FindClose(HANDLE) { PENDING(FALSE); }
BOOL WINAPI SetFileAttributesA(LPCSTR, DWORD) { PENDING(FALSE); }
DWORD WINAPI GetFileAttributesA(LPCSTR) { PENDING(INVALID_FILE_ATTRIBUTES); }
}
