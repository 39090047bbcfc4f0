#include "installer/front/help.h"

#include "platform/win32.h"

const char kHelpText[] =
    " ======= Install Printer Driver ========= \n\n\r"
    "Quillset.exe  /INF \"C:\\Winnt\\Brevant\\TR-2210PS\\Addprint\\setup.inf\"\n\r"
    "                  /PRINTER \"Brevant TR-2210 Series PS\"\n\r"
    "                  /MDL \"TR-2210\"\n\n\r"
    " ======= Uninstall Printer Driver ========= \n\n\r"
    " Quillset.exe /UNINSTALL \"Brevant TR-2210 Series PS\"\n\n\r"
    "Caution: /INF , /PRINTER , /MDL , /UNINSTALL are always uppercase.";

int ShowHelp() {
  MessageBoxA(nullptr, kHelpText, "Quillset Help", MB_OK);
  return 1;
}
