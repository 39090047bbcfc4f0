// Where the Windows build loads its delay-imported system DLLs from.
//
// A statically imported DLL that is not one of Windows' KnownDLLs is looked
// for first in the program's own folder, and a DLL's imports are resolved with
// the search order of the process that loads it. Setup programs run elevated
// from download folders, so a WINSPOOL.DRV or SETUPAPI.DLL placed beside
// Quillset.exe, or beside the program that loads Ombrel.dll, would run with
// the installer's rights. Both are therefore delay-imported (cmake/*.def) and
// the delay-load helper is told, before it loads one, to take the copy in the
// system directory by its full path; it never searches. The other imports
// (KERNEL32, USER32, ADVAPI32, SHELL32, msvcrt) are KnownDLLs from Windows 2000
// on, which the loader always takes from the system directory.
#include <windows.h>

#include <delayimp.h>

#include <cstring>

namespace {

// The full path of `name` in the system directory, in `path`; false when it
// does not fit.
bool SystemDirectoryPath(const char* name, char (&path)[MAX_PATH]) {
  UINT n = GetSystemDirectoryA(path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  size_t length = std::strlen(name);
  if (n + 1 + length >= MAX_PATH) return false;
  path[n] = '\\';
  std::memcpy(path + n + 1, name, length + 1);
  return true;
}

// The delay-load notification hook. Before the helper loads a DLL it asks
// the hook for a module; answering with the system directory's copy keeps it
// from calling LoadLibraryA with the bare name. When that copy cannot be
// loaded, answering null would send the helper to the search path, so the
// load fails here with the helper's own exception for a missing module
// instead, which ends the program as a missing static import would.
FARPROC WINAPI LoadFromSystemDirectory(unsigned notification, PDelayLoadInfo info) {
  if (notification != dliNotePreLoadLibrary) return nullptr;
  char path[MAX_PATH];
  HMODULE module = nullptr;
  if (SystemDirectoryPath(info->szDll, path)) module = LoadLibraryA(path);
  if (module == nullptr) {
    ULONG_PTR argument = reinterpret_cast<ULONG_PTR>(info);
    RaiseException(VcppException(ERROR_SEVERITY_ERROR, ERROR_MOD_NOT_FOUND), 0, 1, &argument);
  }
  return reinterpret_cast<FARPROC>(module);
}

}  // namespace

extern "C" {
PfnDliHook __pfnDliNotifyHook2 = LoadFromSystemDirectory;
}
