#include "installer/front/signed_install.h"

#include "common/strbuf.h"
#include "common/text.h"
#include "common/trace.h"
#include "installer/inf/inf_access.h"
#include "installer/inf/printer_install.h"
#include "installer/records/oem_inf.h"
#include "platform/win32.h"

// Every value stands in double quotes, the INF path too (Microsoft's
// documented form of /f): printui splits its words as CommandLineToArgvW
// does, so an unquoted "C:\Program Files\..." would reach it as two words
// and it would refuse the whole command. SetupPrinter has already taken every
// double quote out of the INF path, so the path cannot end the quotes early.
const char kPrintUiCommandFormat[] =
    "printui.dll,PrintUIEntry /if /b \"%s\" /f \"%s\" /r \"%s\" /m \"%s\"";

namespace {

/// rundll32.exe by its full path in the system directory, so that a file of
/// that name in the current directory is never the one started. False when
/// the system directory is not available or the path would not fit.
bool SystemRundll32Path(char (&path)[kMaxPath]) {
  char system[kMaxPath] = {};
  UINT n = GetSystemDirectoryA(system, sizeof system);
  if (n == 0 || n >= sizeof system) return false;
  return kit::JoinPath(path, system, "rundll32.exe");
}

/// Starts the printer UI hidden; nothing waits for it and nothing is
/// reported when it cannot be started.
void StartPrintUi(const std::string& parameters) {
  char rundll32[kMaxPath] = {};
  if (!SystemRundll32Path(rundll32)) return;
  ShellExecuteA(nullptr, "open", rundll32, parameters.c_str(), nullptr, SW_HIDE);
}

}  // namespace

int SetupSignedPrinterOnWindowsXP(std::string inf_path, std::string printer_name,
                                  std::string model_list) {
  TraceLog("[Quillset] SetupSignedPrinterOnWindowsXP\n");
  std::string name = kit::RemoveChar(printer_name, '"');
  std::string manufacturer = GetManufacturerName(inf_path);

  std::string port;
  GetActivePort(port, manufacturer, model_list);

  std::string command = kit::FormatString(kPrintUiCommandFormat, name.c_str(), inf_path.c_str(),
                                          port.c_str(), name.c_str());
  TraceLog("[Quillset] Command = %s\n", command.c_str());
  StartPrintUi(command);

  // The printer UI may still be working on the same INF; a copy it already
  // registered counts as registered.
  CopyOemInf(inf_path, name, manufacturer);
  return 1;
}
