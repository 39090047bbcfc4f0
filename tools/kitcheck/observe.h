// What a simulated system holds that an install or uninstall changes: the
// spooler's printers and drivers, the default printer, the product record,
// the INF copies and the boxes a person saw.
#pragma once

#include <string>
#include <vector>

#include "platform/winsim/spooler_store.h"

namespace kitcheck {

struct MessageBox {
  std::string caption;
  std::string text;
};

struct Snapshot {
  std::vector<winsim::spooler::PrinterRecord> printers;
  std::vector<winsim::spooler::DriverRecord> drivers;
  std::string default_printer;
  bool record_exists = false;   // Software\<manufacturer>\QXPrinter\Drivers\<printer>
  std::string oem_inf;          // its OEMINF value
  std::vector<std::string> inf_files;     // names in <Windows>\inf
  std::vector<std::string> driver_files;  // names in the driver directory and its "3" folder
  size_t event_count = 0;       // lines of events.jsonl
};

/// Reads the current root (see UseRoot) for the printer and manufacturer.
Snapshot TakeSnapshot(const std::string& manufacturer, const std::string& printer_name);

/// The message boxes recorded after the first `from` event lines.
std::vector<MessageBox> BoxesSince(size_t from);

/// True when the ShellExecute events after `from` started the printer UI.
bool PrintUiStartedSince(size_t from);

const winsim::spooler::PrinterRecord* FindPrinter(const Snapshot& s, const std::string& name);
const winsim::spooler::DriverRecord* FindDriver(const Snapshot& s, const std::string& name);
bool Contains(const std::vector<std::string>& names, const std::string& name);

/// The bytes of a host file; false when it cannot be read.
bool ReadHostFile(const std::string& path, std::string* bytes);

/// A text value below HKEY_LOCAL_MACHINE (up to 259 characters, "" when the
/// value is missing); false when the key cannot be opened.
bool ReadRegistryText(const std::string& key_path, const char* value, std::string* text);

/// Size of the file at a Windows path, -1 when there is none.
long long FileSize(const std::string& windows_path);

}  // namespace kitcheck
