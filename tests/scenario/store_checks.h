// Checks of a simulated system's store after a run that may have been cut
// short (killed, or hit by a disk fault): the database is sound, and every
// printer and driver record is whole or absent.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <map>
#include <set>
#include <sstream>
#include <string>

#include "scenario/sim_system.h"

namespace kit_test {

inline constexpr char kPrintKey[] = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print";

/// Keys below `parent` in a `reg export` text, each with its value names.
inline std::map<std::string, std::set<std::string>> KeysBelow(const std::string& text,
                                                              const std::string& parent) {
  std::map<std::string, std::set<std::string>> keys;
  std::istringstream in(text);
  std::string line, current;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] == '[') {
      std::string name = line.substr(1, line.size() - 2);
      bool direct = name.size() > parent.size() + 1 && name.compare(0, parent.size(), parent) == 0 &&
                    name[parent.size()] == '\\' &&
                    name.find('\\', parent.size() + 1) == std::string::npos;
      current = direct ? name.substr(parent.size() + 1) : std::string();
      if (direct) keys[current];
    } else if (!current.empty() && !line.empty() && line[0] == '"') {
      keys[current].insert(line.substr(0, line.find("\"=") + 1));
    }
  }
  return keys;
}

/// The first row of PRAGMA integrity_check ("ok" for a sound database).
inline std::string IntegrityCheck(const std::string& db_path) {
  sqlite3* db = nullptr;
  std::string result = "cannot open";
  if (sqlite3_open_v2(db_path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW) {
      result = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    }
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return result;
}

/// The value names of a whole printer and driver record, learnt from a
/// system where `printer` was installed by a run that ended normally.
class WholeRecords {
 public:
  void Learn(const SimSystem& sim, const std::string& printer) {
    std::string print = sim.Winsim({"reg", "export", kPrintKey});
    printer_ = KeysBelow(print, Base() + "\\Printers")[printer];
    driver_ = KeysBelow(print, Base() + "\\Environments\\Windows NT x86\\Drivers\\Version-3")[printer];
    EXPECT_FALSE(printer_.empty());
    EXPECT_FALSE(driver_.empty());
  }

  /// The store is sound, and every printer and driver record has all the
  /// values of a whole one or does not exist.
  void Expect(const SimSystem& sim, const std::string& when) const {
    EXPECT_EQ(IntegrityCheck(sim.root() + "/system.db"), "ok") << when;
    std::string print = sim.Winsim({"reg", "export", kPrintKey});
    for (const auto& [name, values] : KeysBelow(print, Base() + "\\Printers"))
      EXPECT_EQ(values, printer_) << "printer " << name << " " << when;
    for (const auto& [name, values] : KeysBelow(print, Base() + "\\Environments\\Windows NT x86\\Drivers\\Version-3"))
      EXPECT_EQ(values, driver_) << "driver " << name << " " << when;
  }

 private:
  static std::string Base() { return std::string("HKEY_LOCAL_MACHINE") + (kPrintKey + 4); }

  std::set<std::string> printer_, driver_;
};

}  // namespace kit_test
