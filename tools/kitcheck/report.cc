#include "tools/kitcheck/report.h"

#include <string>

#include "common/text.h"
#include "platform/winsim/winsim.h"

namespace kitcheck {
namespace {

namespace sp = winsim::spooler;
using winsim::JsonString;

struct Paint {
  bool on;
  std::string operator()(const std::string& text, const char* code) const {
    return on ? std::string("\033[") + code + "m" + text + "\033[0m" : text;
  }
};

std::string Yes(bool b) { return b ? "yes" : "no"; }

std::string Joined(const std::vector<std::string>& items, const char* sep = ", ") {
  std::string out;
  for (const std::string& s : items) out += (out.empty() ? "" : sep) + s;
  return out.empty() ? "(none)" : out;
}

void PrintFiles(std::FILE* out, const VersionCheck& c) {
  std::fprintf(out, "  files:\n");
  for (const FileFate& f : c.trace.files) {
    std::string size = f.size >= 0 ? std::to_string(f.size) + " bytes" : "absent";
    std::string from = f.origin == "nowhere" ? "found nowhere (looked for at " + f.source + ")"
                       : f.origin == "inf folder" ? "from beside the INF"
                       : f.origin == "printer UI" ? "copied by the printer UI" : "from the driver cabinet";
    if (f.substring_match) from += ", extracted only because its name occurs in another file's";
    std::fprintf(out, "    %-14s %s -> %s (%s)\n", f.name.c_str(), from.c_str(),
                 f.target.c_str(), size.c_str());
  }
  if (c.trace.files.empty()) std::fprintf(out, "    (none copied)\n");
}

void PrintDescriptions(std::FILE* out, const VersionCheck& c) {
  if (c.driver) {
    const sp::DriverRecord& d = c.driver_record;
    std::fprintf(out, "  driver: %s, version %u, driver %s, data %s, config %s, help %s\n",
                 d.name.c_str(), static_cast<unsigned>(d.version), d.driver_file.c_str(),
                 d.data_file.c_str(), d.config_file.c_str(), d.help_file.c_str());
    std::fprintf(out, "          dependent files: %s\n", Joined(d.dependent_files, " ").c_str());
    std::fprintf(out, "          manufacturer %s, provider %s, hardware ID %s, datatype %s\n",
                 d.manufacturer.c_str(), d.provider.c_str(),
                 d.hardware_id.empty() ? "(none)" : d.hardware_id.c_str(),
                 d.datatype.empty() ? "(none)" : d.datatype.c_str());
  }
  if (c.printer) {
    const sp::PrinterRecord& p = c.printer_record;
    std::fprintf(out, "  printer: %s on %s, driver %s, processor %s, datatype %s, default %s\n",
                 p.name.c_str(), p.port.c_str(), p.driver.c_str(), p.print_processor.c_str(),
                 p.datatype.c_str(), Yes(c.is_default).c_str());
  }
}

void PrintUninstall(std::FILE* out, const UninstallOutcome& u) {
  std::fprintf(out, "  uninstall (exit code %d): printer %s, driver %s, record %s", u.exit_code,
               u.printer.c_str(), u.driver.c_str(), u.record.c_str());
  if (!u.inf_copy.empty())
    std::fprintf(out, ", INF copy %s removed %s", u.inf_copy.c_str(), Yes(u.inf_copy_removed).c_str());
  std::fprintf(out, "\n");
  if (!u.files_left.empty()) std::fprintf(out, "    files left in the driver directory: %s\n", Joined(u.files_left).c_str());
  if (!u.other_printers.empty()) std::fprintf(out, "    printers of the driver left: %s\n", Joined(u.other_printers).c_str());
  for (const MessageBox& b : u.boxes) std::fprintf(out, "    box [%s] %s\n", b.caption.c_str(), b.text.c_str());
}

void PrintFindings(std::FILE* out, const std::vector<Finding>& findings, const Paint& paint) {
  std::fprintf(out, "  findings:%s\n", findings.empty() ? " none" : "");
  for (const char* severity : {"error", "warning"}) {
    for (const Finding& f : findings) {
      if (f.severity != severity) continue;
      std::string where = kit::FileNamePart(f.file) + (f.line ? " line " + std::to_string(f.line) : "") + ": ";
      std::fprintf(out, "    %s %s %s%s\n      fix: %s\n", f.id.c_str(),
                   paint(f.severity, f.severity == "error" ? "31" : "33").c_str(), where.c_str(),
                   f.message.c_str(), f.hint.c_str());
    }
  }
}

void PrintVersion(std::FILE* out, const VersionCheck& c, bool strict, const Paint& paint) {
  std::fprintf(out, "\nWindows %s: ", c.version.c_str());
  if (!c.error.empty()) {
    std::fprintf(out, "%s %s\n", paint("not checked", "31").c_str(), c.error.c_str());
    return;
  }
  if (c.installed)
    std::fprintf(out, "%s (printer, driver, port %s, default)\n", paint("installed", "32").c_str(),
                 c.printer_record.port.c_str());
  else
    std::fprintf(out, "%s: the install ended at the %s step (exit code %d)\n",
                 paint("not installed", "31").c_str(), c.step.c_str(), c.exit_code);
  for (const MessageBox& b : c.boxes)
    std::fprintf(out, "  the user saw: [%s] %s\n", b.caption.c_str(), b.text.c_str());
  if (c.trace.signed_path)
    std::fprintf(out, "  handed to the printer UI: %s\n", c.trace.printui_command.c_str());
  std::fprintf(out, "  port: %s: %s\n    searched %s\n", c.port.chosen.c_str(), c.port.reason.c_str(),
               c.port.searched.c_str());
  if (!c.port.record.empty()) std::fprintf(out, "    record %s\n", c.port.record.c_str());
  PrintFiles(out, c);
  PrintDescriptions(out, c);
  if (!c.record_key.empty())
    std::fprintf(out, "  record: %s, OEMINF %s\n", c.record_key.c_str(), c.oem_inf.empty() ? "(none)" : c.oem_inf.c_str());
  PrintUninstall(out, c.uninstall);
  PrintFindings(out, c.findings, paint);
  std::string failure = Failure(c, strict);
  std::fprintf(out, "  result: %s\n", failure.empty() ? paint("pass", "32").c_str()
                                                     : paint("fail: " + failure, "31").c_str());
}

// "[a,b,...]" of each item's JSON text.
template <typename T, typename F>
std::string JsonArray(const std::vector<T>& items, F to_json) {
  std::string out = "[";
  for (const T& item : items) {
    if (out.size() > 1) out += ',';
    out += to_json(item);
  }
  out += ']';
  return out;
}

std::string JsonBoxes(const std::vector<MessageBox>& boxes) {
  return JsonArray(boxes, [](const MessageBox& b) {
    return "{\"caption\":" + JsonString(b.caption) + ",\"text\":" + JsonString(b.text) + "}";
  });
}

std::string JsonList(const std::vector<std::string>& items) {
  return JsonArray(items, [](const std::string& s) { return JsonString(s); });
}

std::string JsonFiles(const std::vector<FileFate>& files) {
  return JsonArray(files, [](const FileFate& f) {
    return "{\"name\":" + JsonString(f.name) + ",\"origin\":" + JsonString(f.origin) +
           ",\"source\":" + JsonString(f.source) + ",\"target\":" + JsonString(f.target) +
           ",\"size\":" + std::to_string(f.size) +
           ",\"substring_match\":" + (f.substring_match ? "true" : "false") + "}";
  });
}

std::string JsonDriver(const VersionCheck& c) {
  if (!c.driver) return "null";
  const sp::DriverRecord& d = c.driver_record;
  return "{\"name\":" + JsonString(d.name) + ",\"version\":" + std::to_string(d.version) +
         ",\"driver\":" + JsonString(d.driver_file) + ",\"data_file\":" + JsonString(d.data_file) +
         ",\"config_file\":" + JsonString(d.config_file) + ",\"help_file\":" + JsonString(d.help_file) +
         ",\"dependent_files\":" + JsonList(d.dependent_files) + ",\"monitor\":" + JsonString(d.monitor) +
         ",\"datatype\":" + JsonString(d.datatype) + ",\"manufacturer\":" + JsonString(d.manufacturer) +
         ",\"hardware_id\":" + JsonString(d.hardware_id) + ",\"provider\":" + JsonString(d.provider) + "}";
}

std::string JsonPrinter(const VersionCheck& c) {
  if (!c.printer) return "null";
  const sp::PrinterRecord& p = c.printer_record;
  return "{\"name\":" + JsonString(p.name) + ",\"port\":" + JsonString(p.port) + ",\"driver\":" +
         JsonString(p.driver) + ",\"print_processor\":" + JsonString(p.print_processor) +
         ",\"datatype\":" + JsonString(p.datatype) + ",\"attributes\":" + std::to_string(p.attributes) + "}";
}

std::string JsonEdits(const std::vector<Edit>& edits) {
  return JsonArray(edits, [](const Edit& e) {
    return "{\"action\":" + JsonString(e.action) + ",\"file\":" + JsonString(e.file) +
           ",\"line\":" + std::to_string(e.line) + ",\"text\":" + JsonString(e.text) + "}";
  });
}

std::string JsonFindings(const std::vector<Finding>& findings) {
  return JsonArray(findings, [](const Finding& f) {
    return "{\"id\":" + JsonString(f.id) + ",\"severity\":" + JsonString(f.severity) +
           ",\"file\":" + JsonString(f.file) + ",\"line\":" + std::to_string(f.line) +
           ",\"message\":" + JsonString(f.message) + ",\"hint\":" + JsonString(f.hint) +
           ",\"edits\":" + JsonEdits(f.edits) + "}";
  });
}

std::string JsonVersion(const VersionCheck& c, bool strict) {
  const UninstallOutcome& u = c.uninstall;
  auto b = [](bool v) { return v ? "true" : "false"; };
  return "{\"version\":" + JsonString(c.version) + ",\"error\":" + JsonString(c.error) +
         ",\"passed\":" + b(Passed(c, strict)) + ",\"failure\":" + JsonString(Failure(c, strict)) + ",\"installed\":" + b(c.installed) +
         ",\"exit_code\":" + std::to_string(c.exit_code) + ",\"step\":" + JsonString(c.step) +
         ",\"signed_path\":" + b(c.trace.signed_path) + ",\"boxes\":" + JsonBoxes(c.boxes) +
         ",\"port\":{\"chosen\":" + JsonString(c.port.chosen) + ",\"traced\":" +
         JsonString(c.trace.active_port) + ",\"record\":" + JsonString(c.port.record) +
         ",\"reason\":" + JsonString(c.port.reason) + ",\"searched\":" + JsonString(c.port.searched) +
         "},\"record\":" + JsonString(c.record_key) + ",\"oem_inf\":" + JsonString(c.oem_inf) + ",\"files\":" + JsonFiles(c.trace.files) +
         ",\"driver\":" + JsonDriver(c) + ",\"printer\":" + JsonPrinter(c) +
         ",\"default\":" + b(c.is_default) + ",\"uninstall\":{\"exit_code\":" + std::to_string(u.exit_code) +
         ",\"printer\":" + JsonString(u.printer) + ",\"driver\":" + JsonString(u.driver) +
         ",\"record\":" + JsonString(u.record) + ",\"inf_copy\":" + JsonString(u.inf_copy) +
         ",\"inf_copy_removed\":" + b(u.inf_copy_removed) + ",\"files_left\":" + JsonList(u.files_left) +
         ",\"printers_left\":" + JsonList(u.other_printers) + ",\"boxes\":" + JsonBoxes(u.boxes) +
         "},\"findings\":" + JsonFindings(c.findings) + "}";
}

bool AllPassed(const std::vector<VersionCheck>& checks, bool strict) {
  for (const VersionCheck& c : checks)
    if (!Passed(c, strict)) return false;
  return !checks.empty();
}

}  // namespace

void PrintText(std::FILE* out, const Options& o, const std::vector<VersionCheck>& checks, bool colour) {
  Paint paint{colour};
  std::fprintf(out, "kit %s, printer %s, models %s\n", o.inf_path.c_str(), o.printer_name.c_str(),
               o.model_list.c_str());
  if (o.root.empty() && o.cabinet.empty())
    std::fprintf(out, "note: no driver cache cabinet given (--cab): files missing beside the INF come from nowhere\n");
  for (const VersionCheck& c : checks) PrintVersion(out, c, o.strict, paint);
  std::fprintf(out, "\n%s\n", AllPassed(checks, o.strict) ? paint("PASS: the kit installs on every version checked", "32").c_str()
                                                : paint("FAIL: see above", "31").c_str());
}

void PrintJson(std::FILE* out, const Options& o, const std::vector<VersionCheck>& checks) {
  std::string versions =
      JsonArray(checks, [&](const VersionCheck& c) { return JsonVersion(c, o.strict); });
  std::fprintf(out, "{\"passed\":%s,\"inf\":%s,\"printer\":%s,\"models\":%s,\"versions\":%s}\n",
               AllPassed(checks, o.strict) ? "true" : "false", JsonString(o.inf_path).c_str(),
               JsonString(o.printer_name).c_str(), JsonString(o.model_list).c_str(), versions.c_str());
}

}  // namespace kitcheck
