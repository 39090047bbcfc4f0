// kitcheck's reports for CI systems: JUnit XML, which they show as test
// results, and SARIF 2.1.0, which code hosts show as notes on the INF's lines.
#pragma once

#include <cstdio>
#include <vector>

#include "tools/kitcheck/check.h"

namespace kitcheck {

/// One test suite with one test case per version; a version that fails has
/// a <failure> whose message is the step and its reason.
void PrintJUnit(std::FILE* out, const Options& options, const std::vector<VersionCheck>& checks);

/// One run of the tool "kitcheck" with one result per distinct finding: its
/// rule id, level, INF file and line, and the finding with its fix as the
/// message. Paths below the working directory are relative to %SRCROOT%.
void PrintSarif(std::FILE* out, const std::vector<VersionCheck>& checks);

/// Writes a report with `print` to the host file `path`; false with a
/// message when it cannot be written.
template <typename Print>
bool WriteReport(const std::string& path, Print print, std::string* error) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) {
    *error = "cannot write " + path;
    return false;
  }
  print(f);
  if (std::fclose(f) != 0) {
    *error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace kitcheck
