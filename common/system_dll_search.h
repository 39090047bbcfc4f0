// Narrows the DLL search order for the length of one call into USER32 or
// SHELL32 (MessageBoxA, ShellExecuteA), which load further DLLs by name.
#pragma once

#include "platform/win32.h"

namespace kit {

/// While one lives, a DLL that the system's own libraries load by name is
/// not looked for in the current folder, nor in a DLL directory the calling
/// program set; the program's folder stays, which only the program itself
/// can take out. On destruction the program's own DLL directory comes back.
/// Nothing else about the process changes, so a DLL may use it.
class SystemDllSearch {
 public:
  SystemDllSearch();
  ~SystemDllSearch();
  SystemDllSearch(const SystemDllSearch&) = delete;
  SystemDllSearch& operator=(const SystemDllSearch&) = delete;

 private:
  char saved_[MAX_PATH] = "";
  bool restore_ = false;
};

}  // namespace kit
