// Bounded text in fixed buffers. Every function deduces the array size,
// always leaves the buffer NUL-terminated, and returns false when the text did
// not fit (the buffer then holds as much as fitted). Counts passed in and out
// never include the terminating NUL.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace kit {

/// Copies `src` into `dst`; false (and `dst` cut to N-1 bytes) when it does not fit.
template <size_t N>
bool CopyStr(char (&dst)[N], std::string_view src) {
  static_assert(N > 0);
  size_t n = src.size() < N - 1 ? src.size() : N - 1;
  std::memcpy(dst, src.data(), n);
  dst[n] = '\0';
  return n == src.size();
}

/// True when `src` fits a buffer of N bytes with its NUL.
template <size_t N>
constexpr bool Fits(const char (&)[N], std::string_view src) {
  return src.size() < N;
}

/// Appends `src` to the text in `dst`; false when it did not fit.
template <size_t N>
bool AppendStr(char (&dst)[N], std::string_view src) {
  size_t used = strnlen(dst, N - 1);
  size_t room = N - 1 - used;
  size_t n = src.size() < room ? src.size() : room;
  std::memcpy(dst + used, src.data(), n);
  dst[used + n] = '\0';
  return n == src.size();
}

/// printf into `dst`; false when the text was cut.
template <size_t N>
bool FormatStr(char (&dst)[N], const char* format, ...) __attribute__((format(printf, 2, 3)));

template <size_t N>
bool FormatStr(char (&dst)[N], const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(dst, N, format, args);
  va_end(args);
  if (n < 0) {
    dst[0] = '\0';
    return false;
  }
  return static_cast<size_t>(n) < N;
}

/// Joins `dir` and `name` with one backslash ("%s\%s"); false when it does not fit.
template <size_t N>
bool JoinPath(char (&dst)[N], std::string_view dir, std::string_view name) {
  dst[0] = '\0';
  bool ok = AppendStr(dst, dir);
  ok = AppendStr(dst, "\\") && ok;
  return AppendStr(dst, name) && ok;
}

/// printf into a growing string (for trace lines and composed commands).
std::string FormatString(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatStringV(const char* format, va_list args);

}  // namespace kit
