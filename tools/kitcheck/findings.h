// Findings on a kit that an install cannot state: INF lines the installer
// reads differently from what their author meant, and files it would take
// from the wrong place. Each has a stable identifier and a fix hint.
#pragma once

#include <string>
#include <vector>

namespace kitcheck {

struct Finding {
  std::string id;        // K001 ...
  std::string severity;  // "error": the kit does not install as written; else "warning"
  unsigned line = 0;     // INF line, 0 when the finding has none
  std::string message;
  std::string hint;
};

/// What the static checks are asked about.
struct KitQuestion {
  std::string inf_path;     // Windows path
  std::string printer_key;  // /PRINTER as the installer looks it up
  std::string printer_name;
  std::string model_list;
};

/// Every check, against the INF file, the files beside it, the driver cache
/// cabinet and the port records of the current simulated system (UseRoot).
/// Values are read through the installer's own INF functions, so a finding
/// describes what the installer reads; the parsed file gives the lines.
std::vector<Finding> CheckKit(const KitQuestion& q);

/// True when any finding is an error.
bool HasError(const std::vector<Finding>& findings);

}  // namespace kitcheck
