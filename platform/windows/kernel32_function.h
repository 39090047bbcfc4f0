// A KERNEL32 function that not every Windows the kit runs on exports,
// looked up at run time; null where this system lacks it.
#pragma once

#include <windows.h>

#include <cstring>

namespace kit {

template <typename Fn>
Fn Kernel32Function(const char* name) {
  HMODULE kernel32 = GetModuleHandleA("KERNEL32.DLL");
  FARPROC proc = kernel32 != nullptr ? GetProcAddress(kernel32, name) : nullptr;
  Fn fn = nullptr;
  static_assert(sizeof fn == sizeof proc);
  std::memcpy(&fn, &proc, sizeof proc);
  return fn;
}

}  // namespace kit
