// What the installer's trace says happened: the port it chose, where each
// driver file came from and the step that ended the install.
#pragma once

#include <string>
#include <vector>

namespace kitcheck {

/// One driver file of the install.
struct FileFate {
  std::string name;    // as the INF names it (an extracted member: as extracted)
  std::string origin;  // "inf folder", "driver cabinet", "nowhere" or "refused"
  std::string source;  // the path it was copied or looked for at
  std::string target;  // the path it went to (or would have)
  bool substring_match = false;  // extracted only because its name occurs in another
  long long size = -1;           // bytes at the target after the install, -1 absent
};

struct TraceFacts {
  bool ran = false;          // the installer traced an install at all
  bool signed_path = false;  // handed to the system's printer UI
  std::string active_port;
  std::string failed_step;   // "" when no step failed
  std::string printui_command;
  std::vector<FileFate> files;
};

/// Reads the trace text of one install.
TraceFacts ReadTrace(const std::string& text);

}  // namespace kitcheck
