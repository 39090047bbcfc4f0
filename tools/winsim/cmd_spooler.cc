// winsim printers [--json] | drivers [--json] | default
//
// What the simulated spooler holds, read straight from its registry keys.
// Human output is one item a line, its fields tab-separated as key=value;
// --json prints one JSON array.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/winsim/spooler_store.h"
#include "platform/winsim/store.h"
#include "platform/winsim/winsim.h"
#include "tools/winsim/commands.h"

namespace {

namespace sp = winsim::spooler;
using winsim::JsonString;

// True for no arguments; *json for the one optional "--json".
bool ParseJsonFlag(const Args& args, bool* json) {
  *json = args.size() == 1 && args[0] == "--json";
  return args.empty() || *json;
}

std::string Hex(DWORD v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(v));
  return text;
}

std::string JsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) out += ',';
    out += JsonString(items[i]);
  }
  out += ']';
  return out;
}

std::string Joined(const std::vector<std::string>& items) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + items[i];
  return out;
}

// Prints the items one a line, or as one JSON array.
void PrintItems(const std::vector<std::string>& items, bool json) {
  if (json) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + items[i];
    std::printf("%s]\n", out.c_str());
    return;
  }
  for (const std::string& line : items) std::printf("%s\n", line.c_str());
}

std::string PrinterLine(const sp::PrinterRecord& p, bool is_default) {
  std::string line = p.name + "\tport=" + p.port + "\tdriver=" + p.driver +
                     "\tprocessor=" + p.print_processor + "\tdatatype=" + p.datatype +
                     "\tattributes=" + Hex(p.attributes);
  if (!p.share_name.empty()) line += "\tshare=" + p.share_name;
  if (!p.comment.empty()) line += "\tcomment=" + p.comment;
  if (!p.location.empty()) line += "\tlocation=" + p.location;
  return is_default ? line + "\tdefault" : line;
}

std::string PrinterJson(const sp::PrinterRecord& p, bool is_default) {
  return "{\"name\":" + JsonString(p.name) + ",\"port\":" + JsonString(p.port) +
         ",\"driver\":" + JsonString(p.driver) + ",\"print_processor\":" +
         JsonString(p.print_processor) + ",\"datatype\":" + JsonString(p.datatype) +
         ",\"share_name\":" + JsonString(p.share_name) + ",\"comment\":" + JsonString(p.comment) +
         ",\"location\":" + JsonString(p.location) + ",\"attributes\":" +
         std::to_string(p.attributes) + ",\"priority\":" + std::to_string(p.priority) +
         ",\"status\":" + std::to_string(p.status) +
         ",\"default\":" + (is_default ? "true" : "false") + "}";
}

std::string DriverLine(const sp::DriverRecord& d) {
  return d.name + "\tenvironment=" + sp::kEnvironment + "\tversion=" + std::to_string(d.version) +
         "\tdriver=" + d.driver_file + "\tdata=" + d.data_file + "\tconfig=" + d.config_file +
         "\thelp=" + d.help_file + "\tdependent=" + Joined(d.dependent_files) +
         "\tmonitor=" + d.monitor + "\tdatatype=" + d.datatype +
         "\tmanufacturer=" + d.manufacturer + "\thardware_id=" + d.hardware_id +
         "\tprovider=" + d.provider;
}

std::string DriverJson(const sp::DriverRecord& d) {
  return "{\"name\":" + JsonString(d.name) + ",\"environment\":" + JsonString(sp::kEnvironment) +
         ",\"version\":" + std::to_string(d.version) + ",\"driver\":" + JsonString(d.driver_file) +
         ",\"data_file\":" + JsonString(d.data_file) + ",\"config_file\":" +
         JsonString(d.config_file) + ",\"help_file\":" + JsonString(d.help_file) +
         ",\"dependent_files\":" + JsonList(d.dependent_files) + ",\"monitor\":" +
         JsonString(d.monitor) + ",\"datatype\":" + JsonString(d.datatype) +
         ",\"previous_names\":" + JsonList(d.previous_names) + ",\"manufacturer\":" +
         JsonString(d.manufacturer) + ",\"oem_url\":" + JsonString(d.oem_url) +
         ",\"hardware_id\":" + JsonString(d.hardware_id) + ",\"provider\":" +
         JsonString(d.provider) + "}";
}

int StoreFailure(const char* command, DWORD code) {
  return Fail(1, std::string(command) + ": cannot read the registry (error " +
                     std::to_string(code) + ")");
}

}  // namespace

int RunPrinters(const Args& args) {
  bool json = false;
  if (!ParseJsonFlag(args, &json)) return Fail(2, "usage: winsim printers [--json]");
  winsim::Transaction tx(winsim::Transaction::kRead);
  if (tx.status() != 0) return StoreFailure("printers", tx.status());
  std::vector<std::string> items;
  for (const std::string& name : sp::PrinterNames(tx.db())) {
    sp::PrinterRecord p;
    if (sp::ReadPrinter(tx.db(), name, &p) != 0) continue;
    bool is_default = sp::IsDefault(tx.db(), p.name);
    items.push_back(json ? PrinterJson(p, is_default) : PrinterLine(p, is_default));
  }
  PrintItems(items, json);
  return 0;
}

int RunDrivers(const Args& args) {
  bool json = false;
  if (!ParseJsonFlag(args, &json)) return Fail(2, "usage: winsim drivers [--json]");
  winsim::Transaction tx(winsim::Transaction::kRead);
  if (tx.status() != 0) return StoreFailure("drivers", tx.status());
  std::vector<std::string> items;
  for (const std::string& name : sp::DriverNames(tx.db())) {
    sp::DriverRecord d;
    if (sp::ReadDriver(tx.db(), name, &d) != 0) continue;
    items.push_back(json ? DriverJson(d) : DriverLine(d));
  }
  PrintItems(items, json);
  return 0;
}

int RunDefault(const Args& args) {
  if (!args.empty()) return Fail(2, "usage: winsim default");
  winsim::Transaction tx(winsim::Transaction::kRead);
  if (tx.status() != 0) return StoreFailure("default", tx.status());
  std::string name = sp::DefaultPrinterName(tx.db());
  if (name.empty()) return Fail(1, "default: there is no default printer");
  std::printf("%s\n", name.c_str());
  return 0;
}
