// The installer's command line: /INF, /PRINTER, /MDL, /UNINSTALL.
#pragma once

#include <string>

/// Mode codes of ParseCommandLine (16-bit).
enum CommandMode : unsigned short {
  ModeInvalid = 0,
  ModeUninstall = 1,
  ModeInstall = 16,
  ModeHelp = 256,
};

/// Parses the command line (the text after the program name). Fills each
/// value only when its switch is present, keeping its double quotes.
unsigned short ParseCommandLine(const char* command_line, std::string& inf_path,
                                std::string& printer_name, std::string& model_list);
