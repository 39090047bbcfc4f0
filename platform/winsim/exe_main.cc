// The host program's start-up code: its arguments, joined with single
// blanks, are the command line that Windows would hand to WinMain.
#include <string>

#include "platform/win32.h"

int main(int argc, char** argv) {
  std::string command_line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) command_line += ' ';
    command_line += argv[i];
  }
  return WinMain(nullptr, nullptr, command_line.data(), SW_SHOWNORMAL);
}
