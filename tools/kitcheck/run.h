// Runs the real host installer against a simulated system.
#pragma once

#include <string>

namespace kitcheck {

/// The host `quillset` program beside this tool's executable.
std::string InstallerProgram();

/// Runs `program` with the one argument `command_line` (the Windows command
/// line) against the simulated system in `root`, its trace appended to
/// `trace_file`, its own output discarded. Returns its exit code, or -1 with
/// a message when it could not be run or did not end normally.
int RunInstaller(const std::string& program, const std::string& command_line,
                 const std::string& root, const std::string& trace_file, std::string* error);

/// Waits (at most a minute) until no printer UI that an install started in
/// `root` is still running: each holds a shared lock on its lock file.
/// False when one was still running.
bool WaitForPrinterUi(const std::string& root);

}  // namespace kitcheck
