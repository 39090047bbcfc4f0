// Quillset.exe only: the DLL search order of the whole process, set before
// WinMain runs.
//
// WINSPOOL.DRV and SETUPAPI.DLL are loaded by their full path
// (system_libraries.cc), but USER32 and SHELL32 load further DLLs by name at
// run time (for MessageBoxA and ShellExecuteA), and Windows looks for those
// in the program's folder and the current folder first: a setup's download
// folder, where anyone may have put a DLL of that name. Microsoft's pages for
// SetDefaultDllDirectories and SetDllDirectory describe both remedies; both
// functions are looked up at run time, since the kit runs on systems that
// have neither (Windows 95 to 2000) or only the second (XP SP1 to 7 without
// update KB2533623). This file is linked into the program only: a DLL must
// not change the search order of the process that loads it for good
// (common/system_dll_search.h is what Ombrel.dll does).
#include <windows.h>

#include "platform/windows/kernel32_function.h"

namespace {

constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

// Only the system directory where the system allows it; else at least the
// current folder leaves the search order (the program's folder stays).
bool RestrictDllSearchOrder() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
  auto set_default = kit::Kernel32Function<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories");
  if (set_default != nullptr && set_default(kSearchSystem32)) return true;
  auto set_directory = kit::Kernel32Function<SetDllDirectoryFn>("SetDllDirectoryA");
  return set_directory != nullptr && set_directory("");
}

// Runs with the program's static initialisation, before WinMain.
const bool dll_search_restricted = RestrictDllSearchOrder();

}  // namespace
