// Placeholder until this area of the simulated system exists: every call
// fails with ERROR_CALL_NOT_IMPLEMENTED. Deleted when the area lands.
#include "platform/win32.h"
#define PENDING(ret) do { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return ret; } while (0)
extern "C" {
BOOL WINAPI SetupAddToSourceListA(DWORD, PCSTR) { PENDING(FALSE); }
BOOL WINAPI SetupRemoveFromSourceListA(DWORD, PCSTR) { PENDING(FALSE); }
BOOL WINAPI SetupCopyOEMInfA(PCSTR, PCSTR, DWORD, DWORD, PSTR, DWORD, PDWORD, PSTR*) { PENDING(FALSE); }
}
