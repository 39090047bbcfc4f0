// printui.dll for the tests under Wine: the printer UI of winsim-printui,
// built for Windows, with the entry points "rundll32.exe printui.dll,
// PrintUIEntry ARGUMENTS" calls. It installs through the Win32 functions of
// the system it runs on (under Wine: Wine's spooler, Setup API and file
// functions), so that the real Quillset.exe can take its signed path there.
// Wine's own printui.dll does not install printers. A test fixture: never
// packed with the deliverables.
#include <string>

#include "platform/win32.h"
#include "tools/winsim-printui/rundll.h"

namespace {

/// One line per call in <Windows>\printui-fixture.log: the entry, the
/// arguments and the result, so that a test can tell this DLL ran.
void RecordCall(const char* entry, const std::string& arguments, int result) {
  char windows[MAX_PATH] = {};
  UINT n = GetWindowsDirectoryA(windows, sizeof windows);
  if (n == 0 || n >= sizeof windows) return;
  std::string path = std::string(windows) + "\\printui-fixture.log";
  HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::string line = std::string(entry) + " " + arguments + " -> " + std::to_string(result) + "\r\n";
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
}

/// The command line in the system code page, as the ANSI Win32 functions
/// that install the printer take it.
std::string ToAnsi(LPCWSTR text) {
  if (text == nullptr) return std::string();
  int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return std::string();
  std::string ansi(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, ansi.data(), size, nullptr, nullptr);
  ansi.resize(static_cast<size_t>(size) - 1);
  return ansi;
}

}  // namespace

// rundll32's calling form (MS, "Rundll32"): window, instance, the rest of
// its command line, show state. rundll32 asks for the W name first.
extern "C" __declspec(dllexport) void CALLBACK PrintUIEntryW(HWND, HINSTANCE, LPCWSTR command_line,
                                                             int) {
  std::string arguments = ToAnsi(command_line);
  RecordCall("PrintUIEntryW", arguments, printui::PrintUiEntry(arguments));
}

extern "C" __declspec(dllexport) void CALLBACK PrintUIEntryA(HWND, HINSTANCE, LPSTR command_line,
                                                             int) {
  std::string arguments = command_line != nullptr ? command_line : "";
  RecordCall("PrintUIEntryA", arguments, printui::PrintUiEntry(arguments));
}
