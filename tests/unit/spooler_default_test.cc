// The default printer of the simulated spooler and the user's profile
// entries that WriteProfileStringA keeps.
#include <gtest/gtest.h>

#include <string>

#include "platform/winsim/registry_store.h"
#include "spooler_test_support.h"

namespace {

using kit_test::kPoison;

class SpoolerDefaultTest : public kit_test::SpoolerTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(AddDriver("Drv"));
    ASSERT_TRUE(AddClosedPrinter("Zeta", "Drv", "USB001"));
    ASSERT_TRUE(AddClosedPrinter("Alpha", "Drv", "LPT2:"));
  }

  /// A user profile value below ...\Windows NT\CurrentVersion ("<none>" when absent).
  std::string ProfileValue(const std::string& section, const std::string& key) {
    namespace rs = winsim::regstore;
    winsim::Transaction tx(winsim::Transaction::kRead);
    int64_t id = 0;
    rs::Value v;
    if (rs::FindKey(tx.db(), rs::kCurrentUser,
                    "Software\\Microsoft\\Windows NT\\CurrentVersion\\" + section, &id) != 0 ||
        rs::GetValue(tx.db(), id, key, &v) != 0) {
      return "<none>";
    }
    return rs::SzText(v);
  }
};

TEST_F(SpoolerDefaultTest, BothSetDefaultOperationsWriteTheDeviceEntry) {
  using SetDefault = BOOL(WINAPI*)(LPCSTR);
  struct Op {
    const char* what;
    SetDefault call;
  } ops[] = {{"SetDefaultPrinterA", &SetDefaultPrinterA},
             {"ordinal 202", &SetDefaultPrinterOrdinal202}};
  for (const Op& op : ops) {
    SCOPED_TRACE(op.what);
    ASSERT_TRUE(op.call("zeta"));  // stored as the spooler spells it
    EXPECT_EQ(Device(), "Zeta,winspool,USB001");
    SetLastError(kPoison);
    EXPECT_FALSE(op.call("Nobody"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
    EXPECT_EQ(Device(), "Zeta,winspool,USB001");
    ASSERT_TRUE(op.call("Alpha"));
    EXPECT_EQ(Device(), "Alpha,winspool,LPT2:");
  }
}

TEST_F(SpoolerDefaultTest, NoNameKeepsTheDefaultOrTakesTheFirstPrinter) {
  ASSERT_TRUE(SetDefaultPrinterA(nullptr));
  EXPECT_EQ(Device(), "Alpha,winspool,LPT2:");  // first in name order
  ASSERT_TRUE(SetDefaultPrinterA("Zeta"));
  ASSERT_TRUE(SetDefaultPrinterA(""));
  EXPECT_EQ(Device(), "Zeta,winspool,USB001");
}

TEST_F(SpoolerDefaultTest, TheDeviceProfileEntryIsTheDefaultPrinter) {
  // The NT 4 route writes the entry itself, with a port of its own choosing.
  ASSERT_TRUE(WriteProfileStringA("Windows", "DEVICE", "Zeta,WINSPOOL,LPT1:"));
  EXPECT_EQ(Device(), "Zeta,WINSPOOL,LPT1:");
  char zeta[] = "Zeta";
  HANDLE h = nullptr;
  PRINTER_DEFAULTSA all{nullptr, nullptr, PRINTER_ALL_ACCESS};
  ASSERT_TRUE(OpenPrinterA(zeta, &h, &all));
  ASSERT_TRUE(DeletePrinter(h));  // the default printer goes, and the default with it
  ASSERT_TRUE(ClosePrinter(h));
  EXPECT_EQ(Device(), "");

  ASSERT_TRUE(WriteProfileStringA("windows", "device", "Alpha,winspool,LPT2:"));
  ASSERT_TRUE(WriteProfileStringA("windows", "device", nullptr));
  EXPECT_EQ(Device(), "");
}

TEST_F(SpoolerDefaultTest, OtherProfileEntriesAreKeptInTheirOwnSection) {
  ASSERT_TRUE(WriteProfileStringA("Devices", "Alpha", "winspool,LPT2:"));
  ASSERT_TRUE(WriteProfileStringA("windows", "Spooler", "yes"));
  EXPECT_EQ(ProfileValue("Devices", "Alpha"), "winspool,LPT2:");
  EXPECT_EQ(ProfileValue("Windows", "Spooler"), "yes");
  EXPECT_EQ(Device(), "");

  ASSERT_TRUE(WriteProfileStringA("Devices", "Alpha", nullptr));
  EXPECT_EQ(ProfileValue("Devices", "Alpha"), "<none>");
  ASSERT_TRUE(WriteProfileStringA("Devices", "Beta", "x"));
  ASSERT_TRUE(WriteProfileStringA("Devices", nullptr, nullptr));
  EXPECT_EQ(ProfileValue("Devices", "Beta"), "<none>");

  SetLastError(kPoison);
  EXPECT_FALSE(WriteProfileStringA("a\\b", "k", "v"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
