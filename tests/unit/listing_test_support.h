// Fixture for the tests of printer listings: images of whole enumerations
// to compare, a fresh process's view, and another process's changes.
#pragma once

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <string>
#include <vector>

#include "spooler_test_support.h"

namespace kit_test {

class ListingTest : public SpoolerTest {
 protected:
  /// What both calls of an enumeration at `level` report and write into one
  /// block that stays at the same address, pointers included: two images
  /// are equal only when sizes, records, strings and their places all are.
  std::string EnumImage(DWORD level) {
    std::fill(block_.begin(), block_.end(), 0xCC);
    DWORD first = 0, needed = 0, count = 0;
    SetLastError(kPoison);
    BOOL sized = EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, level, nullptr, 0, &first, &count);
    std::string image = std::to_string(sized) + "/" + std::to_string(GetLastError()) + "/" +
                        std::to_string(first) + "/";
    BOOL filled = EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, level, block_.data(),
                                static_cast<DWORD>(block_.size()), &needed, &count);
    image += std::to_string(filled) + "/" + std::to_string(needed) + "/" + std::to_string(count) + "/";
    return image + std::string(block_.begin(), block_.end());
  }
  /// EnumImage at levels 1, 2, 4 and 5.
  std::vector<std::string> EveryLevel() {
    std::vector<std::string> images;
    for (DWORD level : {1u, 2u, 4u, 5u}) images.push_back(EnumImage(level));
    return images;
  }
  /// The same read by a process that has listed nothing yet.
  std::vector<std::string> EveryLevelReadAfresh() {
    winsim::ResetProcessState();
    winsim::SetRoot(root_.dir());
    return EveryLevel();
  }

  bool DeleteByName(const char* name) {
    std::string n = name;
    PRINTER_DEFAULTSA all{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE h = nullptr;
    if (!OpenPrinterA(n.data(), &h, &all)) return false;
    bool deleted = DeletePrinter(h);
    return ClosePrinter(h) && deleted;
  }

  /// Runs SQL on a connection of its own, as another process would.
  void AsAnotherProcess(const std::string& sql) {
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((root_.dir() + "/system.db").c_str(), &other), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(other, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(other);
    sqlite3_close(other);
  }

  /// How many listings the store keeps, read as another process would.
  int StoredListings() {
    sqlite3* other = nullptr;
    int count = -1;
    if (sqlite3_open((root_.dir() + "/system.db").c_str(), &other) == SQLITE_OK) {
      sqlite3_exec(other, "SELECT count(*) FROM key_listings",
                   [](void* out, int, char** row, char**) {
                     *static_cast<int*>(out) = std::stoi(row[0]);
                     return 0;
                   },
                   &count, nullptr);
    }
    sqlite3_close(other);
    return count;
  }

  std::vector<BYTE> block_ = std::vector<BYTE>(8192);
};


}  // namespace kit_test
