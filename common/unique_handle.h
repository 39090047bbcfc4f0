// Owning wrappers for Win32 handles: each traits type knows its invalid value
// and its close function. Destructors keep the caller's last error, so that
// cleanup never hides the code of the failure being reported.
#pragma once

#include "platform/win32.h"

namespace kit {

template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;
  UniqueHandle() = default;
  explicit UniqueHandle(Type h) : h_(h) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Type Get() const { return h_; }
  bool Valid() const { return h_ != Traits::Invalid(); }
  explicit operator bool() const { return Valid(); }
  /// Closes what is held and hands out the slot for an out-parameter.
  Type* Put() {
    Reset();
    return &h_;
  }
  Type Release() {
    Type h = h_;
    h_ = Traits::Invalid();
    return h;
  }
  void Reset(Type h = Traits::Invalid()) {
    if (Valid()) {
      DWORD saved = GetLastError();
      Traits::Close(h_);
      SetLastError(saved);
    }
    h_ = h;
  }

 private:
  Type h_ = Traits::Invalid();
};

struct RegKeyTraits {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { RegCloseKey(h); }
};
struct PrinterTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ClosePrinter(h); }
};
struct FileTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { CloseHandle(h); }
};
struct FindTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { FindClose(h); }
};
struct ModuleTraits {
  using Type = HMODULE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { FreeLibrary(h); }
};
struct LocalMemTraits {
  using Type = HLOCAL;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { LocalFree(h); }
};
struct GlobalMemTraits {
  using Type = HGLOBAL;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { GlobalFree(h); }
};

using UniqueRegKey = UniqueHandle<RegKeyTraits>;
using UniquePrinter = UniqueHandle<PrinterTraits>;
using UniqueFind = UniqueHandle<FindTraits>;
using UniqueFile = UniqueHandle<FileTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;
using UniqueLocalMem = UniqueHandle<LocalMemTraits>;
using UniqueGlobalMem = UniqueHandle<GlobalMemTraits>;

}  // namespace kit
