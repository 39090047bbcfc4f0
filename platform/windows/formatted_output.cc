// vsnprintf for the Windows build, on msvcrt's _vsnprintf.
//
// libstdc++ makes mingw-w64 route every C++ printf call to its own C99
// formatter (__mingw_vsnprintf, with the floating-point converter it needs):
// about 90 KiB of each deliverable. The kit formats only %s, %lu and %lX,
// which msvcrt.dll formats alike on every Windows version, so this definition,
// linked before libmingwex.a, gives the C99 contract on top of msvcrt:
// the result counts the whole text without its NUL, and a non-empty buffer
// always ends with a NUL, cut if need be.
#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace {

// _vsnprintf writes at most `size` characters and answers -1 when the text
// did not fit, with no NUL then. Formats into ever larger heap blocks until
// the text fits and returns its length, or -1 when memory runs out.
int MeasureFormatted(const char* format, va_list args) {
  HANDLE heap = GetProcessHeap();
  for (size_t size = 1024; size <= (size_t{1} << 30); size *= 2) {
    char* block = static_cast<char*>(HeapAlloc(heap, 0, size));
    if (block == nullptr) return -1;
    va_list copy;
    va_copy(copy, args);
    int n = _vsnprintf(block, size, format, copy);
    va_end(copy);
    HeapFree(heap, 0, block);
    if (n >= 0 && static_cast<size_t>(n) < size) return n;
  }
  return -1;
}

}  // namespace

extern "C" int __cdecl __mingw_vsnprintf(char* buffer, size_t size, const char* format, va_list args) {
  if (size != 0) {
    va_list copy;
    va_copy(copy, args);
    int n = _vsnprintf(buffer, size - 1, format, copy);
    va_end(copy);
    if (n >= 0) {
      buffer[n] = '\0';
      return n;
    }
    buffer[size - 1] = '\0';
  }
  return MeasureFormatted(format, args);
}
