// The library's entry routine. The Windows loader calls it (through the C
// runtime's start-up code) for every attach and detach notification; the
// library keeps no state, so there is nothing to set up or tear down. It is
// not listed among the exports, and nothing calls it in the host build.
#include "platform/win32.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) { return TRUE; }
