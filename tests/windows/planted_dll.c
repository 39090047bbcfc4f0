/* A DLL planted beside a program under the name of a system DLL. When any
 * loader takes it, its entry point leaves a marker file beside it, named
 * after it with ".loaded" appended. It exports nothing. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  static const char suffix[] = ".loaded";
  char path[MAX_PATH + sizeof suffix];
  DWORD n;
  HANDLE marker;
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  n = GetModuleFileNameA(instance, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return TRUE;
  CopyMemory(path + n, suffix, sizeof suffix);
  marker = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  return TRUE;
}
