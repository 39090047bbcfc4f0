#include "tools/kitcheck/options.h"

#include <climits>
#include <cstdlib>

#include "common/text.h"
#include "installer/front/command_line.h"
#include "platform/winsim/winsim.h"

namespace kitcheck {

const char kUsage[] =
    "usage: kitcheck --inf PATH --printer NAME --mdl LIST [--version V[,V...]|all]\n"
    "                [--cab FILE] [--ports FILE.reg] [--root DIR] [--json] [--strict]\n"
    "                [--junit FILE] [--sarif FILE]\n"
    "       kitcheck [options] -- 'QUILLSET COMMAND LINE'\n"
    "Runs the real install and uninstall of a printer kit in a throw-away copy of a\n"
    "simulated Windows system and tells what happened and why, with findings on\n"
    "the INF that the install cannot state. The given root is never changed.\n"
    "  --inf PATH       the kit's INF (a host path, or a Windows path such as Z:\\kit\\setup.inf)\n"
    "  --printer NAME   the printer name (/PRINTER), without quotes\n"
    "  --mdl LIST       the model list (/MDL), without quotes\n"
    "  --version V      one of 95, 95sp, 98, 98a, me, nt4, 2000 (default), xp, 2003,\n"
    "                   vista, 7, 8, 8.1, 10, 11; a comma-separated list; or all\n"
    "  --cab FILE       a cabinet whose members are added to the fresh system's driver\n"
    "                   cache cabinet (a name in both is the system's)\n"
    "  --ports FILE     port records (.reg) to import into the fresh system\n"
    "  --root DIR       copy this simulated system instead of making a fresh one\n"
    "  --json           one JSON object on stdout, for CI\n"
    "  --strict         an error or warning finding fails its version too\n"
    "  --junit FILE     also write a JUnit XML report: one test case per version\n"
    "  --sarif FILE     also write a SARIF 2.1.0 log: one result per finding\n"
    "Options go before --. Exit status:\n"
    "  0  the kit installs and uninstalls cleanly on every version checked\n"
    "     (with --strict: and no version has an error or warning finding)\n"
    "  1  it does not on some version, or a version could not be checked\n"
    "  2  bad arguments\n";

const std::vector<std::string>& KnownVersions() {
  static const std::vector<std::string> versions = winsim::VersionNames();
  return versions;
}

namespace {

bool IsKnownVersion(const std::string& name) {
  for (const std::string& v : KnownVersions())
    if (v == name) return true;
  return false;
}

bool ParseVersions(const std::string& text, std::vector<std::string>* out, std::string* error) {
  if (text == "all") {
    *out = KnownVersions();
    return true;
  }
  out->clear();
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    std::string name = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (!IsKnownVersion(name)) {
      *error = "unknown Windows version '" + name + "'";
      return false;
    }
    out->push_back(name);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return true;
}

// Fills the analysed fields from the command line, as the installer's own
// parser reads it.
bool ReadCommandLine(Options* o, std::string* error) {
  std::string inf, printer, models;
  unsigned short mode = ParseCommandLine(o->command_line.c_str(), inf, printer, models);
  if (mode != ModeInstall) {
    *error = "the command line is not an install (/INF \"...\" /PRINTER \"...\" /MDL \"...\")";
    return false;
  }
  o->inf_path = kit::RemoveChar(inf, '"');
  o->printer_key = printer;
  o->printer_name = kit::RemoveChar(printer, '"');
  o->model_list = kit::RemoveChar(models, '"');
  return true;
}

// The quoted value after `name` in a command line as its author wrote it,
// a '/' inside the quotes included; "" when there is none.
std::string WrittenValue(const std::string& command_line, const std::string& name) {
  std::string upper = kit::ToUpper(command_line);
  size_t at = upper.find(name);
  if (at == std::string::npos) return "";
  size_t open = command_line.find_first_not_of(' ', at + name.size());
  if (open == std::string::npos || command_line[open] != '"') return "";
  size_t close = command_line.find('"', open + 1);
  return command_line.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
}

}  // namespace

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

std::string WindowsPathOf(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return path;
  char resolved[PATH_MAX];
  std::string absolute = realpath(path.c_str(), resolved) ? resolved : path;
  std::string out = "Z:";
  for (char c : absolute) out += c == '/' ? '\\' : c;
  return out;
}

bool ParseOptions(const std::vector<std::string>& args, Options* o, std::string* error) {
  std::string inf, printer, models, versions = "2000";
  bool has_command_line = false, version_given = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      o->help = true;
      return true;
    }
    if (a == "--json" || a == "--strict") {
      (a == "--json" ? o->json : o->strict) = true;
      continue;
    }
    if (a == "--") {
      for (size_t j = i + 1; j < args.size(); ++j) {
        // The installer's switches begin with '/': a word with "--" after the
        // separator is a kitcheck option put in the wrong place.
        if (args[j].rfind("--", 0) == 0) {
          *error = "the option '" + args[j] + "' comes after --: kitcheck's options go before it";
          return false;
        }
        o->command_line += (j > i + 1 ? " " : "") + args[j];
      }
      has_command_line = true;
      break;
    }
    std::string* target = a == "--inf" ? &inf : a == "--printer" ? &printer
                        : a == "--mdl" ? &models : a == "--version" ? &versions
                        : a == "--root" ? &o->root : a == "--cab" ? &o->cabinet
                        : a == "--ports" ? &o->ports : a == "--junit" ? &o->junit
                        : a == "--sarif" ? &o->sarif : nullptr;
    if (target == nullptr) {
      *error = "unexpected argument '" + a + "'";
      return false;
    }
    if (i + 1 >= args.size()) {
      *error = a + " needs a value";
      return false;
    }
    version_given |= target == &versions;
    *target = args[++i];
  }
  if (has_command_line && !(inf.empty() && printer.empty() && models.empty())) {
    *error = "give either --inf/--printer/--mdl or a command line after --, not both";
    return false;
  }
  o->printer_given = has_command_line ? WrittenValue(o->command_line, "/PRINTER") : printer;
  o->models_given = has_command_line ? WrittenValue(o->command_line, "/MDL") : models;
  if (!has_command_line) {
    if (inf.empty() || printer.empty() || models.empty()) {
      *error = "--inf, --printer and --mdl are needed (or a command line after --)";
      return false;
    }
    o->command_line = "/INF " + Quoted(WindowsPathOf(inf)) + " /PRINTER " + Quoted(printer) +
                      " /MDL " + Quoted(models);
  }
  if (!o->root.empty() && version_given) {
    *error = "--version applies to a fresh system: a copied --root keeps its own version";
    return false;
  }
  if (!o->root.empty() && (!o->cabinet.empty() || !o->ports.empty())) {
    *error = "--cab and --ports prepare a fresh system: put them into the --root system instead";
    return false;
  }
  if (o->root.empty() && !ParseVersions(versions, &o->versions, error)) return false;
  if (!o->root.empty()) o->versions = {"(root)"};
  return ReadCommandLine(o, error);
}

}  // namespace kitcheck
