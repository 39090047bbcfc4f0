#include "tools/kitcheck/check.h"

#include <cstring>

#include "common/text.h"
#include "installer/inf/inf_access.h"
#include "installer/inf/printer_install.h"
#include "platform/win32.h"
#include "platform/winsim/winsim.h"
#include "tools/kitcheck/run.h"
#include "tools/kitcheck/sandbox.h"

namespace kitcheck {
namespace {

namespace sp = winsim::spooler;

std::string ValueData(const std::string& key_path, const std::string& value) {
  std::string data;
  ReadRegistryText(key_path, value.c_str(), &data);
  return data;
}

// The installer's choice, and why, from its own scans of the two records.
PortDecision DecidePort(const std::string& manufacturer, const std::string& models) {
  PortDecision d;
  GetActivePort(d.chosen, manufacturer, models);
  std::string base = "Software\\" + manufacturer + "\\QXPrinter\\Port\\";
  char usb[kMaxPath] = {}, parallel[kMaxPath] = {};
  d.usb = FindPortInRegistry((base + "USB").c_str(), usb, manufacturer, models);
  d.parallel = FindPortInRegistry((base + "PARALLEL").c_str(), parallel, manufacturer, models);
  d.usb_port = usb;
  d.parallel_port = parallel;
  d.searched = "HKLM\\" + base + "USB and HKLM\\" + base + "PARALLEL";
  auto record = [&](const char* kind, const std::string& port) {
    return base + kind + "\\" + port + " = " + Quoted(ValueData(base + kind, port));
  };
  if (d.usb == PortMatched) {
    d.record = record("USB", d.usb_port);
    d.reason = "a USB port record names the manufacturer and a model of /MDL";
  } else if (d.parallel == PortMatched) {
    d.record = record("PARALLEL", d.parallel_port);
    d.reason = "a PARALLEL port record names the manufacturer and a model of /MDL";
  } else if (d.parallel == PortFirstValue) {
    d.record = record("PARALLEL", d.parallel_port);
    d.reason = "no port record matched; the first PARALLEL record is taken whatever it names";
  } else if (d.usb == PortKeyMissing && d.parallel == PortKeyMissing) {
    d.reason = "the manufacturer has no port records: the fallback LPT1:";
  } else {
    d.reason = "port records exist but none matched and no PARALLEL record is usable: the fallback FILE:";
  }
  return d;
}

void FillFileSizes(TraceFacts* trace) {
  for (FileFate& f : trace->files) f.size = f.origin == "nowhere" ? -1 : FileSize(f.target);
}

// On the XP-class path the printer UI copies the files, untraced: they are
// the driver's files, staged in the driver directory's version folder.
void AddPrinterUiFiles(const sp::DriverRecord& driver, TraceFacts* trace) {
  for (const std::string& name : sp::DriverFiles(driver)) {
    FileFate f;
    f.name = name;
    f.origin = "printer UI";
    f.target = winsim::Facts().driver_dir + "\\3\\" + name;
    f.size = FileSize(f.target);
    trace->files.push_back(f);
  }
}

std::string StepOf(const VersionCheck& c) {
  if (!c.trace.failed_step.empty()) return c.trace.failed_step;
  if (c.installed) return "";
  if (!c.trace.ran) return "command line";
  if (c.trace.signed_path) return "printer UI";
  if (!c.printer) return "printer creation";
  return "default printer";
}

// A copied --root system by what it reports itself to be.
std::string RootVersionName() {
  const winsim::VersionFacts& v = winsim::Facts().version;
  return std::string(v.platform_id == 2 ? "NT " : "") + std::to_string(v.major) + "." + std::to_string(v.minor) +
         " build " + std::to_string(v.build) + " (the --root system)";
}

std::string Fate(bool before, bool after) { return after ? "left" : before ? "removed" : "none"; }

UninstallOutcome RunUninstall(const Options& o, const std::string& dir, const std::string& manufacturer,
                              const Snapshot& before, const Snapshot& installed, std::string* error) {
  UninstallOutcome u;
  std::string command = "/INF " + Quoted(o.inf_path) + " /UNINSTALL " + Quoted(o.printer_name);
  u.exit_code = RunInstaller(InstallerProgram(), command, dir, dir + "/uninstall.trace", error);
  UseRoot(dir);
  Snapshot after = TakeSnapshot(manufacturer, o.printer_name);
  u.printer = Fate(FindPrinter(installed, o.printer_name), FindPrinter(after, o.printer_name));
  u.driver = Fate(FindDriver(installed, o.printer_name), FindDriver(after, o.printer_name));
  u.record = Fate(installed.record_exists, after.record_exists);
  // The INF copy: the registered one (OEMINF), else the copy under the
  // INF's own name, which an earlier install of the same INF may share.
  u.inf_copy = !installed.oem_inf.empty() ? kit::FileNamePart(installed.oem_inf) : kit::FileNamePart(o.inf_path);
  if (!Contains(installed.inf_files, u.inf_copy)) u.inf_copy.clear();
  u.inf_copy_removed = u.inf_copy.empty() || !Contains(after.inf_files, u.inf_copy);
  // Files the install added, and the driver's own staged files (kept when
  // another driver uses them), that are still there.
  std::vector<std::string> candidates;
  for (const std::string& name : installed.driver_files)
    if (!Contains(before.driver_files, name)) candidates.push_back(name);
  if (const sp::DriverRecord* d = FindDriver(installed, o.printer_name))
    for (const std::string& name : sp::DriverFiles(*d)) candidates.push_back("3\\" + name);
  for (const std::string& name : candidates)
    if (Contains(after.driver_files, name) && !Contains(u.files_left, name)) u.files_left.push_back(name);
  for (const sp::PrinterRecord& p : after.printers)
    if (sp::SameName(p.driver, o.printer_name)) u.other_printers.push_back(p.name);
  u.boxes = BoxesSince(installed.event_count);
  return u;
}

}  // namespace

VersionCheck CheckVersion(const Options& o, const std::string& version, const std::string& dir) {
  VersionCheck c;
  c.version = version;
  if (!PrepareSandbox(o, version, dir, &c.error)) return c;
  if (!o.root.empty()) c.version = RootVersionName();
  c.findings = CheckKit({o.inf_path, o.printer_key, o.printer_name, o.model_list, o.printer_given, o.models_given});
  std::string manufacturer = GetManufacturerName(o.inf_path);
  Snapshot before = TakeSnapshot(manufacturer, o.printer_name);

  std::string trace_file = dir + "/install.trace";
  c.exit_code = RunInstaller(InstallerProgram(), o.command_line, dir, trace_file, &c.error);
  if (c.exit_code < 0) return c;
  // On the XP-class path the install hands the INF to the printer UI, which
  // goes on after the installer has ended; its result is part of the answer.
  if (PrintUiStartedSince(before.event_count) && !WaitForPrinterUi(dir))
    c.error = "the printer UI did not finish within a minute";
  UseRoot(dir);
  Snapshot after = TakeSnapshot(manufacturer, o.printer_name);
  std::string trace_text;
  ReadHostFile(trace_file, &trace_text);  // no trace file: nothing was traced
  c.trace = ReadTrace(trace_text);
  FillFileSizes(&c.trace);

  const sp::PrinterRecord* printer = FindPrinter(after, o.printer_name);
  const sp::DriverRecord* driver = FindDriver(after, o.printer_name);
  c.printer = printer != nullptr;
  c.driver = driver != nullptr;
  if (printer) c.printer_record = *printer;
  if (driver) c.driver_record = *driver;
  if (driver && c.trace.signed_path && c.trace.files.empty()) AddPrinterUiFiles(*driver, &c.trace);
  if (after.record_exists) c.record_key = "HKLM\\Software\\" + manufacturer + "\\QXPrinter\\Drivers\\" + o.printer_name;
  c.oem_inf = after.oem_inf;
  c.is_default = sp::SameName(after.default_printer, o.printer_name);
  c.installed = c.printer && c.driver && c.is_default && sp::SameName(printer->driver, o.printer_name);
  c.step = StepOf(c);
  c.port = DecidePort(manufacturer, o.model_list);
  c.boxes = BoxesSince(before.event_count);
  c.uninstall = RunUninstall(o, dir, manufacturer, before, after, &c.error);
  return c;
}

std::string Failure(const VersionCheck& c, bool strict) {
  if (!c.error.empty()) return "not checked: " + c.error;
  if (!c.installed) return "not installed: the install ended at the " + c.step + " step (exit code " +
                           std::to_string(c.exit_code) + ")";
  const UninstallOutcome& u = c.uninstall;
  std::string left;
  if (u.printer == "left") left += ", the printer";
  if (u.driver == "left") left += ", the driver";
  if (u.record == "left") left += ", the record";
  if (!u.inf_copy_removed) left += ", the INF copy " + u.inf_copy;
  if (!left.empty()) return "the uninstall left" + left.substr(1);
  if (strict && !c.findings.empty())
    return std::to_string(c.findings.size()) + " finding(s), first " + c.findings[0].id + ": " +
           c.findings[0].message;
  return "";
}

}  // namespace kitcheck
