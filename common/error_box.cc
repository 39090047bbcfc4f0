#include "common/error_box.h"

#include "common/strbuf.h"
#include "common/system_dll_search.h"
#include "common/unique_handle.h"

void ShowLastErrorBox(DWORD code, const char* caption) {
  char* text = nullptr;
  DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0,
      nullptr);
  kit::UniqueLocalMem owner(text);
  kit::SystemDllSearch system_dlls_only;
  if (n == 0 || text == nullptr) {
    char fallback[64];
    kit::FormatStr(fallback, "Unknown error %lu (0x%08lX).", static_cast<unsigned long>(code),
                   static_cast<unsigned long>(code));
    MessageBoxA(nullptr, fallback, caption, MB_OK | MB_ICONWARNING);
    return;
  }
  MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONWARNING);
}
