// The printers' listing that the store keeps beside their keys: written by
// the spooler's own additions and deletions, deleted with any other change
// of a printer, whoever makes it, and read as the values would be.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "listing_test_support.h"

namespace {

class SpoolerListingStoreTest : public kit_test::ListingTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(AddDriver("Drv"));
    for (const char* name : {"Alpha", "beta", "Gamma"}) ASSERT_TRUE(AddClosedPrinter(name, "Drv"));
  }

  /// A process that listed the printers deletes one: the store then keeps
  /// the listing.
  void KeepAStoredListing() {
    ASSERT_TRUE(AddClosedPrinter("Passing", "Drv"));
    EnumNames(2);
    ASSERT_TRUE(DeleteByName("Passing"));
    ASSERT_EQ(StoredListings(), 1);
  }

  /// Every level as a fresh process lists it from the values themselves.
  std::vector<std::string> EveryLevelFromTheValues() {
    AsAnotherProcess("DELETE FROM key_listings");
    return EveryLevelReadAfresh();
  }

  LONG SetPrinterValue(const char* printer, const char* value, const std::string& text) {
    std::string path = std::string("SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\") + printer;
    HKEY key = nullptr;
    LONG rc = RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &key);
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
    return rc;
  }
};

TEST_F(SpoolerListingStoreTest, AnotherProcessListsFromTheStoredListingWhatTheValuesHold) {
  KeepAStoredListing();
  // A fresh process adds printers before and after the others, mending the
  // stored listing without listing anything itself.
  for (const char* name : {"zulu", "Aardvark", "Delta"}) {
    winsim::ResetProcessState();
    winsim::SetRoot(root_.dir());
    ASSERT_TRUE(AddClosedPrinter(name, "Drv", "LPT2:"));
    EXPECT_EQ(StoredListings(), 1) << name;
  }
  std::vector<std::string> stored = EveryLevelReadAfresh();
  EXPECT_EQ(EnumNames(2),
            (std::vector<std::string>{"Aardvark", "Alpha", "beta", "Delta", "Gamma", "zulu"}));
  EXPECT_EQ(stored, EveryLevelFromTheValues());

  // And deletes one, after listing them.
  KeepAStoredListing();
  EnumNames(2);
  ASSERT_TRUE(DeleteByName("Delta"));
  EXPECT_EQ(StoredListings(), 1);
  stored = EveryLevelReadAfresh();
  EXPECT_EQ(stored, EveryLevelFromTheValues());
}

TEST_F(SpoolerListingStoreTest, AnyOtherChangeOfAPrinterDeletesTheStoredListing) {
  char beta[] = "beta";
  struct Change {
    const char* what;
    std::function<void()> make;
  } changes[] = {
      {"a value set through the registry", [&] { EXPECT_EQ(SetPrinterValue("Gamma", "Location", "Hall"), 0); }},
      {"a value deleted through the registry",
       [&] {
         HKEY key = nullptr;
         ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                                 "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Alpha", 0,
                                 KEY_ALL_ACCESS, &key),
                   0);
         EXPECT_EQ(RegDeleteValueA(key, "Port"), 0);
         RegCloseKey(key);
       }},
      {"a printer key created through the registry", [&] { EXPECT_EQ(SetPrinterValue("Keyed", "Port", "LPT3:"), 0); }},
      {"an empty printer key created through the registry",
       [&] {
         HKEY key = nullptr;
         EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE,
                                 "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Bare", &key),
                   0);
         RegCloseKey(key);
       }},
      {"SetPrinterA",
       [&] {
         HANDLE h = nullptr;
         PRINTER_DEFAULTSA all{nullptr, nullptr, PRINTER_ALL_ACCESS};
         ASSERT_TRUE(OpenPrinterA(beta, &h, &all));
         DWORD needed = 0;
         std::vector<BYTE> info(4096);
         ASSERT_TRUE(GetPrinterA(h, 2, info.data(), 4096, &needed));
         std::string comment = "Second floor";
         reinterpret_cast<PRINTER_INFO_2A*>(info.data())->pComment = comment.data();
         EXPECT_TRUE(SetPrinterA(h, 2, info.data(), 0));
         ClosePrinter(h);
       }},
      {"another process's value",
       [&] { AsAnotherProcess("UPDATE reg_values SET data = X'4C505432' || X'00' WHERE CAST(name AS TEXT) = 'Port'"); }},
      {"another process's deletion",
       [&] { AsAnotherProcess("DELETE FROM reg_keys WHERE CAST(name AS TEXT) = 'Alpha'"); }},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    KeepAStoredListing();
    winsim::ResetProcessState();
    winsim::SetRoot(root_.dir());
    change.make();
    EXPECT_EQ(StoredListings(), 0);
    std::vector<std::string> listed = EveryLevel();
    EXPECT_EQ(listed, EveryLevelFromTheValues());
  }
}

TEST_F(SpoolerListingStoreTest, ChangesBesideThePrintersKeepTheStoredListing) {
  KeepAStoredListing();
  ASSERT_TRUE(AddDriver("Other"));
  char other[] = "Other";
  ASSERT_TRUE(DeletePrinterDriverExA(nullptr, nullptr, other, 0, 0));
  ASSERT_TRUE(SetDefaultPrinterA("Gamma"));
  EXPECT_EQ(StoredListings(), 1);
}

TEST_F(SpoolerListingStoreTest, AListingThatDoesNotAddUpIsNotBelieved) {
  std::vector<std::string> truth = EveryLevelFromTheValues();
  for (const char* bytes : {"X''", "X'02'", "X'0205'", "X'020103414243'", "X'02FFFFFFFF7F'", "X'02FFFFFF7F'", "X'020000'",
                            "X'010000000000'"}) {
    SCOPED_TRACE(bytes);
    KeepAStoredListing();
    AsAnotherProcess(std::string("UPDATE key_listings SET records = ") + bytes);
    EXPECT_EQ(EveryLevelReadAfresh(), truth);
    // Nor does a process that adds a printer without having listed any.
    AsAnotherProcess(std::string("UPDATE key_listings SET records = ") + bytes);
    winsim::ResetProcessState();
    winsim::SetRoot(root_.dir());
    ASSERT_TRUE(AddClosedPrinter("Added", "Drv"));
    EXPECT_EQ(StoredListings(), 0);
    EXPECT_TRUE(DeleteByName("Added"));
  }
}

}  // namespace
