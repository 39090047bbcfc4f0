// The listing of local printers that one process keeps between its
// enumerations: mended through the process's own deletions, read again
// after any other process's change.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "listing_test_support.h"

namespace {

using kit_test::kPoison;

class SpoolerListingTest : public kit_test::ListingTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(AddDriver("Drv"));
    for (const char* name : {"Alpha", "beta", "Gamma"}) ASSERT_TRUE(AddClosedPrinter(name, "Drv"));
  }
};

TEST_F(SpoolerListingTest, AfterItsOwnDeletionsAProcessListsWhatTheStoreHolds) {
  EveryLevel();  // every level listed before the change
  ASSERT_TRUE(DeleteByName("BETA"));
  std::vector<std::string> mended = EveryLevel();
  EXPECT_EQ(EnumNames(1), (std::vector<std::string>{"Alpha", "Gamma"}));
  EXPECT_EQ(mended, EveryLevelReadAfresh());

  // The first printer, then the last one, as an uninstall deletes them.
  EveryLevel();
  ASSERT_TRUE(DeleteByName("Alpha"));
  EXPECT_EQ(EnumNames(2), std::vector<std::string>{"Gamma"});
  ASSERT_TRUE(DeleteByName("Gamma"));
  mended = EveryLevel();
  EXPECT_TRUE(EnumNames(4).empty());
  EXPECT_EQ(mended, EveryLevelReadAfresh());
}

TEST_F(SpoolerListingTest, AfterItsOwnAdditionAndDriverDeletionAProcessListsWhatTheStoreHolds) {
  EveryLevel();
  ASSERT_TRUE(AddClosedPrinter("Delta", "Drv", "LPT2:"));
  EXPECT_EQ(EnumNames(5), (std::vector<std::string>{"Alpha", "beta", "Delta", "Gamma"}));

  ASSERT_TRUE(AddDriver("Unused"));
  std::vector<std::string> before = EveryLevel();
  char unused[] = "Unused";
  ASSERT_TRUE(DeletePrinterDriverExA(nullptr, nullptr, unused, 0, 0));
  EXPECT_EQ(EveryLevel(), before);
  EXPECT_EQ(before, EveryLevelReadAfresh());
}

TEST_F(SpoolerListingTest, AnotherProcesssChangeIsSeenBeforeAndAfterItsOwnDeletion) {
  // The other process deletes a printer between this one's listing and its
  // own deletion: the listing cannot be mended and is read again.
  EveryLevel();
  AsAnotherProcess("DELETE FROM reg_keys WHERE CAST(name AS TEXT) = 'Gamma'");
  ASSERT_TRUE(DeleteByName("beta"));
  EXPECT_EQ(EnumNames(2), std::vector<std::string>{"Alpha"});
  EXPECT_EQ(EnumNames(1), std::vector<std::string>{"Alpha"});

  // And after it: a mended listing still gives way to another's change.
  ASSERT_TRUE(AddClosedPrinter("Delta", "Drv"));
  EveryLevel();
  ASSERT_TRUE(DeleteByName("Delta"));
  AsAnotherProcess("DELETE FROM reg_keys WHERE CAST(name AS TEXT) = 'Alpha'");
  EXPECT_TRUE(EnumNames(1).empty());
  EXPECT_TRUE(EnumNames(2).empty());
}

TEST_F(SpoolerListingTest, ADriverThatAnotherProcessGaveAPrinterStaysInstalled) {
  ASSERT_TRUE(AddDriver("Second"));
  EveryLevel();
  char second[] = "Second";
  // The other process adds a printer on the driver after this one listed.
  AsAnotherProcess(
      "INSERT INTO reg_keys(parent, name, fold) SELECT id, CAST('Other' AS BLOB),"
      " CAST('OTHER' AS BLOB) FROM reg_keys WHERE CAST(name AS TEXT) = 'Printers';"
      "INSERT INTO reg_values(key, name, fold, type, data) VALUES(last_insert_rowid(),"
      " CAST('Printer Driver' AS BLOB), CAST('PRINTER DRIVER' AS BLOB), 1, X'5365636F6E6400');");
  SetLastError(kPoison);
  EXPECT_FALSE(DeletePrinterDriverExA(nullptr, nullptr, second, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_DRIVER_IN_USE));
  EXPECT_EQ(EnumNames(2), (std::vector<std::string>{"Alpha", "beta", "Gamma", "Other"}));

  // Once this process deleted that printer, the driver may go.
  ASSERT_TRUE(DeleteByName("Other"));
  EXPECT_TRUE(DeletePrinterDriverExA(nullptr, nullptr, second, 0, 0));
}

}  // namespace
