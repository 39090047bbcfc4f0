// The DLL search order around a call into USER32 or SHELL32, for code that
// runs inside another program's process (Ombrel.dll) as well as Quillset.exe.
//
// SetDefaultDllDirectories would take the program's folder out too, but
// Microsoft's page for it says the standard search order cannot be restored
// afterwards: a DLL calling it would change its caller for good. The DLL
// directory can be put back (SetDllDirectory's page: an empty string takes
// the current folder out, NULL restores the standard order), so that is
// what is narrowed here, and only for the length of the call. Quillset.exe
// narrows its own process further at start (quillset/dll_search_order.cc).
#include "common/system_dll_search.h"

#include "platform/windows/kernel32_function.h"

namespace kit {
namespace {

// XP SP1 and later; looked up so that the kit still loads on older systems.
using GetDllDirectoryFn = DWORD(WINAPI*)(DWORD, LPSTR);
using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);

}  // namespace

SystemDllSearch::SystemDllSearch() {
  auto get_directory = Kernel32Function<GetDllDirectoryFn>("GetDllDirectoryA");
  auto set_directory = Kernel32Function<SetDllDirectoryFn>("SetDllDirectoryA");
  if (get_directory == nullptr || set_directory == nullptr) return;
  DWORD error = GetLastError();
  DWORD length = get_directory(MAX_PATH, saved_);
  // A directory too long for the buffer could not be put back: it stays as
  // the program set it, which already keeps the current folder out.
  if (length < MAX_PATH) {
    if (length == 0) saved_[0] = '\0';
    // GetDllDirectoryA answers 0 both when the program set no directory and
    // when it set the empty one. Putting back NULL would give the current
    // folder back to a program that took it out on purpose, so then the
    // empty directory stays: the only lasting change is that one folder
    // being left out.
    restore_ = set_directory("") && length > 0;
  }
  SetLastError(error);
}

SystemDllSearch::~SystemDllSearch() {
  if (!restore_) return;
  DWORD error = GetLastError();
  auto set_directory = Kernel32Function<SetDllDirectoryFn>("SetDllDirectoryA");
  if (set_directory != nullptr) set_directory(saved_);
  SetLastError(error);
}

}  // namespace kit
