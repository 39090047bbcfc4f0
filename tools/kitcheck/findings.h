// Findings on a kit that an install cannot state: INF lines the installer
// reads differently from what their author meant, and files it would take
// from the wrong place. Each has a stable identifier and a fix hint.
#pragma once

#include <string>
#include <vector>

namespace kitcheck {

/// One change of the fix, for a person to read and a tool to apply. Lines are
/// numbered as in the unchanged file; `file` is the kit file changed.
struct Edit {
  std::string action;  // "replace" `line` by `text`, "insert" `text` before `line`
                       // (0: at the end), "delete" `line`, "rename" the kit file
                       // `file` to `text`, "regular" make `file` a regular file
  std::string file;    // Windows path
  unsigned line = 0;
  std::string text;    // the new lines, separated by '\n'
};

struct Finding {
  std::string id;        // K001 ...
  std::string severity;  // "error": the kit does not install as written; else "warning"
  std::string file;      // Windows path of the INF the line is in, or of the file concerned
  unsigned line = 0;     // its line, 0 when the finding has none
  std::string message;
  std::string hint;
  std::vector<Edit> edits;  // the fix as changes, empty when it is no edit of the kit
};

/// What the static checks are asked about.
struct KitQuestion {
  std::string inf_path;     // Windows path
  std::string printer_key;  // /PRINTER as the installer looks it up
  std::string printer_name;
  std::string model_list;
  std::string printer_given;  // the printer name and the model list as the user
  std::string models_given;   // wrote them, before the command line cut them
};

/// Every check, against the INF file, the files beside it, the driver cache
/// cabinet and the port records of the current simulated system (UseRoot).
/// Values are read through the installer's own INF functions, so a finding
/// describes what the installer reads; the parsed file gives the lines.
std::vector<Finding> CheckKit(const KitQuestion& q);

}  // namespace kitcheck
