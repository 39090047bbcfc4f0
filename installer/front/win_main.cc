// The installer's entry point: one action per process, its result the exit code.
#include <string>

#include "common/trace.h"
#include "installer/front/command_line.h"
#include "installer/front/help.h"
#include "installer/front/setup_printer.h"
#include "installer/front/uninstall.h"
#include "platform/win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
  const char* line = command_line ? command_line : "";
  TraceLog("[Quillset] Command = %s\n", line);
  std::string inf_path, printer_name, model_list;
  unsigned short mode = ParseCommandLine(line, inf_path, printer_name, model_list);
  switch (mode) {
    case ModeInvalid:
      MessageBoxA(nullptr, "Invalid Parameters", "Quillset", MB_OK);
      return 0;
    case ModeUninstall:
      return UninstallPrinterDriver(printer_name, inf_path);
    case ModeInstall:
      return SetupPrinter(inf_path, printer_name, model_list);
    case ModeHelp:
      return ShowHelp();
    default:
      return 1;
  }
}
