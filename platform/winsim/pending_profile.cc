// Placeholder until this area of the simulated system exists: every call
// fails with ERROR_CALL_NOT_IMPLEMENTED. Deleted when the area lands.
#include "platform/win32.h"
#define PENDING(ret) do { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return ret; } while (0)
extern "C" {
DWORD WINAPI GetPrivateProfileSectionA(LPCSTR, LPSTR b, DWORD n, LPCSTR) { if (b && n > 1) b[0] = b[1] = 0; PENDING(0); }
DWORD WINAPI GetPrivateProfileStringA(LPCSTR, LPCSTR, LPCSTR, LPSTR b, DWORD n, LPCSTR) { if (b && n) b[0] = 0; PENDING(0); }
}
