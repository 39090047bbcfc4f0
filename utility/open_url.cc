// Opening an address, or any name the shell knows how to open.
#include "common/system_dll_search.h"
#include "utility/export_args.h"
#include "utility/exports.h"

extern "C" int WINAPI OpenURL(LONG_PTR unused1, LONG_PTR unused2, LPCSTR address) {
  if (address == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // The shell hands back a pseudo instance: above 32 means it started the
  // action. The opened program is not waited for.
  HINSTANCE started;
  {
    kit::SystemDllSearch system_dlls_only;
    started = ShellExecuteA(nullptr, "open", address, nullptr, nullptr, SW_SHOWNORMAL);
  }
  if (reinterpret_cast<INT_PTR>(started) > 32) return 1;
  ombrel::ReportLastError();
  return 0;
}
