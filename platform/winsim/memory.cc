// KERNEL32 memory: fixed local and global blocks are plain heap blocks.
//
//   LocalAlloc LocalFree GlobalAlloc GlobalFree
#include <cstdlib>

#include "platform/winsim/winsim.h"

namespace {

void* Allocate(UINT flags, SIZE_T bytes) {
  // Native hands out a valid block for a request of 0 bytes.
  void* p = (flags & GMEM_ZEROINIT) ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
  if (!p) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return p;
}

}  // namespace

extern "C" {

// KERNEL32.LocalAlloc: only fixed blocks (LMEM_FIXED, optionally zeroed).
HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes) {
  if (winsim::FaultInjected("LocalAlloc")) return nullptr;
  return Allocate(flags, bytes);
}

// KERNEL32.LocalFree: NULL on success, as native.
HLOCAL WINAPI LocalFree(HLOCAL mem) {
  std::free(mem);
  return nullptr;
}

// KERNEL32.GlobalAlloc: only fixed blocks (GMEM_FIXED, optionally zeroed).
HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes) {
  if (winsim::FaultInjected("GlobalAlloc")) return nullptr;
  return Allocate(flags, bytes);
}

// KERNEL32.GlobalFree: NULL on success.
HGLOBAL WINAPI GlobalFree(HGLOBAL mem) {
  std::free(mem);
  return nullptr;
}

}  // extern "C"
