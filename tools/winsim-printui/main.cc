// winsim-printui [--root DIR] RUNDLL32-COMMAND-LINE...
//
// The simulated system's rundll32.exe for printui.dll: what Windows runs
// for "rundll32.exe printui.dll,PrintUIEntry ...". winsim's ShellExecuteA
// starts it; its arguments, joined with single blanks, are the parameters
// rundll32 was given. Exit code 0 when the request succeeded.
#include <string>

#include "platform/winsim/winsim.h"
#include "tools/winsim-printui/rundll.h"

int main(int argc, char** argv) {
  int first = 1;
  if (argc > 2 && std::string(argv[1]) == "--root") {
    winsim::SetRoot(argv[2]);
    first = 3;
  }
  std::string command_line;
  for (int i = first; i < argc; ++i) {
    if (i > first) command_line += ' ';
    command_line += argv[i];
  }
  return printui::RunDll32(command_line);
}
