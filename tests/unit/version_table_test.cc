// The README's table of Windows versions against winsim's presets: every
// version `winsim init` knows stands in the table, reports what the table
// says, and takes the install path the table names.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/version.h"
#include "platform/win32.h"
#include "platform/winsim/winsim.h"
#include "support/temp_root.h"

namespace {

struct TableRow {
  std::string reported;      // "5.1"
  bool printer_ui = false;   // the install path is the system's printer UI
};

std::vector<std::string> SplitCells(const std::string& line, const std::string& separator) {
  std::vector<std::string> cells;
  size_t start = 0;
  while (true) {
    size_t end = line.find(separator, start);
    std::string cell = line.substr(start, end == std::string::npos ? std::string::npos : end - start);
    size_t b = cell.find_first_not_of(' ');
    size_t e = cell.find_last_not_of(' ');
    cells.push_back(b == std::string::npos ? std::string() : cell.substr(b, e - b + 1));
    if (end == std::string::npos) return cells;
    start = end + separator.size();
  }
}

/// "Server 2003" -> "2003", "NT 4" -> "nt4", "Me" -> "me": winsim's names.
std::string PresetName(std::string windows) {
  if (windows.rfind("Server ", 0) == 0) windows.erase(0, 7);
  std::string name;
  for (char c : windows) {
    if (c != ' ') name += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  return name;
}

/// The rows of the README's "Windows versions and install paths" table, by
/// winsim name.
std::map<std::string, TableRow> ReadmeVersionTable() {
  std::ifstream in(std::string(KIT_SOURCE_DIR) + "/README.md");
  std::map<std::string, TableRow> table;
  std::string line;
  bool in_section = false;
  while (std::getline(in, line)) {
    if (line.rfind("## ", 0) == 0) in_section = line == "## Windows versions and install paths";
    if (!in_section || line.rfind("| ", 0) != 0 || line.rfind("| Windows |", 0) == 0) continue;
    std::vector<std::string> cells = SplitCells(line.substr(2), " | ");
    if (cells.size() < 3) continue;
    std::string reported = cells[1];
    if (size_t nt = reported.find(" (NT)"); nt != std::string::npos) reported.erase(nt);
    std::vector<std::string> names = SplitCells(cells[0], ",");
    std::vector<std::string> versions = SplitCells(reported, ",");
    for (size_t i = 0; i < names.size(); ++i) {
      TableRow row;
      row.reported = versions.size() == 1 ? versions[0] : i < versions.size() ? versions[i] : "";
      row.printer_ui = cells[2].find("printer user interface") != std::string::npos;
      table[PresetName(names[i])] = row;
    }
  }
  return table;
}

TEST(VersionTableTest, ReadmeTableAndWinsimPresetsAgree) {
  const std::map<std::string, TableRow> table = ReadmeVersionTable();
  ASSERT_GE(table.size(), 10u) << "the README's version table was not found";
  for (const std::string& preset : winsim::VersionNames()) {
    SCOPED_TRACE(preset);
    // 95sp and 98a are releases of the table's 95 and 98.
    std::string name = preset;
    if (!table.count(name) && name.size() > 2 && name.compare(name.size() - 2, 2, "sp") == 0)
      name.resize(name.size() - 2);
    if (!table.count(name) && name.back() == 'a') name.pop_back();
    auto row = table.find(name);
    ASSERT_NE(row, table.end()) << "no README row for winsim's " << preset;

    kit_test::TempRoot root;
    std::string error;
    ASSERT_TRUE(winsim::InitRoot(preset, true, &error)) << error;
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    std::ostringstream reported;
    reported << info.dwMajorVersion << "." << info.dwMinorVersion;
    EXPECT_EQ(reported.str(), row->second.reported);
    EXPECT_EQ(GetWindowsVersion() == kVersionWinXp, row->second.printer_ui);
  }
}

}  // namespace
