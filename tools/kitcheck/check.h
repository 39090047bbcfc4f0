// One check of a kit on one Windows version: the findings, the real install
// and the real uninstall in a throw-away simulated system, and what each did.
#pragma once

#include <string>
#include <vector>

#include "tools/kitcheck/findings.h"
#include "tools/kitcheck/observe.h"
#include "tools/kitcheck/options.h"
#include "tools/kitcheck/trace_reader.h"

namespace kitcheck {

/// How the port was chosen, from the installer's own scan of the records.
struct PortDecision {
  std::string chosen;
  int usb = 0, parallel = 0;       // the scans' result codes
  std::string usb_port, parallel_port;
  std::string record;              // the deciding record's key\value and data, or ""
  std::string reason;
  std::string searched;            // the two keys the installer scanned
};

struct UninstallOutcome {
  int exit_code = -1;
  // Each item's state after the uninstall: "removed", "left" or "none"
  // (there was none to remove).
  std::string printer, driver, record;
  bool inf_copy_removed = false;
  std::string inf_copy;                     // the INF copy the install left
  std::vector<std::string> files_left;      // driver files still in the driver directory
  std::vector<std::string> other_printers;  // printers of the driver that stayed
  std::vector<MessageBox> boxes;
};

struct VersionCheck {
  std::string version;
  std::string error;  // the check itself could not run
  double seconds = 0;  // how long the check took
  std::vector<Finding> findings;
  int exit_code = -1;
  TraceFacts trace;
  bool installed = false, printer = false, driver = false, is_default = false;
  std::string step;  // what ended the install, or ""
  PortDecision port;
  std::string record_key;  // the driver record the install left, or ""
  std::string oem_inf;     // its OEMINF value
  winsim::spooler::PrinterRecord printer_record;
  winsim::spooler::DriverRecord driver_record;
  std::vector<MessageBox> boxes;
  UninstallOutcome uninstall;
};

/// Runs the whole check of `options` on `version` in `dir`.
VersionCheck CheckVersion(const Options& options, const std::string& version, const std::string& dir);

/// Why `check` fails its version, or "" when it passes: the check could not
/// run, the install did not end with the printer, its driver and the default
/// set, or the uninstall left the printer, the driver, the record or the INF
/// copy. A finding fails a version only when `strict` (any error or warning);
/// otherwise an error finding that did not stop the install is advice.
std::string Failure(const VersionCheck& check, bool strict);

inline bool Passed(const VersionCheck& check, bool strict) { return Failure(check, strict).empty(); }

}  // namespace kitcheck
