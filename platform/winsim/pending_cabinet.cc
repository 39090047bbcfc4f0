// Placeholder until this area of the simulated system exists: every call
// fails with ERROR_CALL_NOT_IMPLEMENTED. Deleted when the area lands.
#include "platform/win32.h"
#define PENDING(ret) do { SetLastError(ERROR_CALL_NOT_IMPLEMENTED); return ret; } while (0)
extern "C" {
BOOL WINAPI SetupIterateCabinetA(PCSTR, DWORD, PSP_FILE_CALLBACK_A, PVOID) { PENDING(FALSE); }
}
