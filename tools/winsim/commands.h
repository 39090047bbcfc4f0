// Subcommands of the winsim tool. Each takes the words after its name and
// returns the process exit code (0 success, 1 failure, 2 bad arguments);
// messages go to stderr, results to stdout.
#pragma once

#include <string>
#include <vector>

using Args = std::vector<std::string>;

int RunInit(const Args& args);      // init [--version V] [--force]
int RunReg(const Args& args);       // reg export [KEY] | reg import FILE.reg
int RunEvents(const Args& args);    // events [--json]
int RunPath(const Args& args);      // path WINPATH
int RunPrinters(const Args& args);  // printers [--json]
int RunDrivers(const Args& args);   // drivers [--json]
int RunDefault(const Args& args);   // default
int RunSources(const Args& args);   // sources

/// Prints "winsim: <message>" to stderr and returns `code`.
int Fail(int code, const std::string& message);
