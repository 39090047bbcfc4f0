#include "tools/kitcheck/observe.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <map>

#include "common/text.h"
#include "installer/inf/inf_access.h"
#include "platform/win32.h"
#include "platform/winsim/host_files.h"
#include "platform/winsim/store.h"
#include "platform/winsim/winsim.h"

namespace kitcheck {
namespace {

namespace sp = winsim::spooler;

std::vector<std::string> HostDirectoryNames(const std::string& windows_dir) {
  std::vector<std::string> names;
  std::string host;
  if (winsim::ToHostPath(windows_dir, &host) != 0) return names;
  if (DIR* d = opendir(host.c_str())) {
    while (dirent* e = readdir(d)) {
      struct stat st;
      std::string name = e->d_name;
      if (stat((host + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(name);
    }
    closedir(d);
  }
  return names;
}

std::vector<std::string> EventLines() {
  std::vector<std::string> lines;
  std::ifstream in(winsim::Root() + "/events.jsonl", std::ios::binary);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::map<std::string, std::string>> EventsSince(size_t from) {
  std::vector<std::map<std::string, std::string>> events;
  std::vector<std::string> lines = EventLines();
  for (size_t n = from; n < lines.size(); ++n) {
    std::map<std::string, std::string> e;
    if (winsim::ParseEventLine(lines[n], &e)) events.push_back(e);
  }
  return events;
}

void ReadRecord(const std::string& manufacturer, const std::string& printer_name, Snapshot* s) {
  std::string path = "Software\\" + manufacturer + "\\QXPrinter\\Drivers\\" + printer_name;
  s->record_exists = !manufacturer.empty() && ReadRegistryText(path, "OEMINF", &s->oem_inf);
}

}  // namespace

Snapshot TakeSnapshot(const std::string& manufacturer, const std::string& printer_name) {
  Snapshot s;
  {
    winsim::Transaction tx(winsim::Transaction::kRead);
    if (tx.status() == 0) {
      s.printers = sp::ReadAllPrinters(tx.db());
      for (const std::string& name : sp::DriverNames(tx.db())) {
        sp::DriverRecord d;
        if (sp::ReadDriver(tx.db(), name, &d) == 0) s.drivers.push_back(d);
      }
      s.default_printer = sp::DefaultPrinterName(tx.db());
    }
  }
  ReadRecord(manufacturer, printer_name, &s);
  s.inf_files = HostDirectoryNames(winsim::Facts().windows_dir + "\\inf");
  std::string driver_dir = GetDriverDirectory();
  s.driver_files = HostDirectoryNames(driver_dir);
  for (const std::string& name : HostDirectoryNames(driver_dir + "\\3")) s.driver_files.push_back("3\\" + name);
  s.event_count = EventLines().size();
  return s;
}

std::vector<MessageBox> BoxesSince(size_t from) {
  std::vector<MessageBox> boxes;
  for (auto& e : EventsSince(from))
    if (e["event"] == "MessageBox") boxes.push_back({e["caption"], e["text"]});
  return boxes;
}

bool PrintUiStartedSince(size_t from) {
  for (auto& e : EventsSince(from))
    if (e["event"] == "ShellExecute" && kit::ToUpper(e["file"]).find("RUNDLL32") != std::string::npos)
      return true;
  return false;
}

const sp::PrinterRecord* FindPrinter(const Snapshot& s, const std::string& name) {
  for (const sp::PrinterRecord& p : s.printers)
    if (sp::SameName(p.name, name)) return &p;
  return nullptr;
}

const sp::DriverRecord* FindDriver(const Snapshot& s, const std::string& name) {
  for (const sp::DriverRecord& d : s.drivers)
    if (sp::SameName(d.name, name)) return &d;
  return nullptr;
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  for (const std::string& n : names)
    if (kit::ToUpper(n) == kit::ToUpper(name)) return true;
  return false;
}

bool ReadHostFile(const std::string& path, std::string* bytes) {
  // Only a regular file: a FIFO in a kit would block the read for ever.
  return winsim::hostfiles::ReadWholeFile(path, bytes) == 0;
}

bool ReadRegistryText(const std::string& key_path, const char* value, std::string* text) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_path.c_str(), 0, KEY_READ, &key) != 0) return false;
  char data[kMaxPath + 1] = {};  // the last byte stays a NUL whatever is stored
  DWORD size = kMaxPath;
  if (RegQueryValueExA(key, value, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) == 0)
    text->assign(data, strnlen(data, kMaxPath));
  RegCloseKey(key);
  return true;
}

long long FileSize(const std::string& windows_path) {
  std::string host;
  struct stat st;
  if (windows_path.empty() || winsim::ToHostPath(windows_path, &host) != 0) return -1;
  if (stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return st.st_size;
}

}  // namespace kitcheck
