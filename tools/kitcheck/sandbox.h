// Throw-away simulated systems: one per Windows version, made fresh or
// copied from the user's root, and removed when kitcheck ends.
#pragma once

#include <string>

#include "tools/kitcheck/options.h"

namespace kitcheck {

/// Makes `dir` a simulated system for `version` (a copy of options.root when
/// one is given, else a fresh one with the cabinet and port records) and
/// points this process's simulated Win32 calls at it.
bool PrepareSandbox(const Options& options, const std::string& version, const std::string& dir,
                    std::string* error);

/// Points this process's simulated Win32 calls at `dir` afresh, so that what
/// another process wrote there is read anew.
void UseRoot(const std::string& dir);

/// A new empty directory under $TMPDIR (or /tmp), or "" with a message.
std::string MakeTempDir(std::string* error);

/// Removes a directory tree; errors are ignored.
void RemoveTree(const std::string& dir);

}  // namespace kitcheck
