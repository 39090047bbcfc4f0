// kitcheck's command line: what to install, on which Windows versions, from
// which simulated system.
#pragma once

#include <string>
#include <vector>

namespace kitcheck {

struct Options {
  std::string command_line;        // the Quillset install command line that is run
  std::string inf_path;            // Windows path of the INF, without quotes
  std::string printer_key;         // /PRINTER as the installer looks it up (quotes kept)
  std::string printer_name;        // the same without quotes
  std::string model_list;          // /MDL without quotes
  std::string printer_given;       // the printer name and model list as written,
  std::string models_given;        // where a '/' in them cut the values above
  std::vector<std::string> versions;
  std::string root;                // host directory of a simulated system to copy, or ""
  std::string cabinet;             // host path of the driver cache cabinet, or ""
  std::string ports;               // host path of the port records (.reg), or ""
  std::string junit;               // host path of a JUnit XML report to write, or ""
  std::string sarif;               // host path of a SARIF report to write, or ""
  bool json = false;
  bool strict = false;             // any error or warning finding fails its version
  bool help = false;
};

/// Every Windows version a fresh simulated system can be made as.
const std::vector<std::string>& KnownVersions();

/// Parses the arguments after the program name. False with a message for
/// arguments kitcheck cannot run (exit code 2).
bool ParseOptions(const std::vector<std::string>& args, Options* options, std::string* error);

/// The Windows form of a host path (Z:\...); a path that already names a
/// drive is kept as it is.
std::string WindowsPathOf(const std::string& path);

/// `s` in double quotes, as a command-line value is written.
std::string Quoted(const std::string& s);

extern const char kUsage[];

}  // namespace kitcheck
