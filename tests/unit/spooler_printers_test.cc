// Printers of the simulated spooler: creation, opening, handles, deletion,
// and the descriptions that EnumPrintersA and GetPrinterA hand out.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cstring>
#include <string>
#include <vector>

#include "spooler_test_support.h"

namespace {

using kit_test::kPoison;

class SpoolerPrintersTest : public kit_test::SpoolerTest {
 protected:
  void SetUp() override { ASSERT_TRUE(AddDriver("Drv")); }
};

TEST_F(SpoolerPrintersTest, NoPrintersIsSuccessWithNothingNeeded) {
  for (DWORD level : {1u, 2u}) {
    DWORD needed = kPoison, count = kPoison;
    SetLastError(kPoison);
    EXPECT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, level, nullptr, 0, &needed, &count));
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(needed, 0u);
    EXPECT_EQ(count, 0u);
  }
}

TEST_F(SpoolerPrintersTest, EnumerationAsksForTheSizeOfTheUnicodeRecords) {
  // Windows' A call reports what the W call needs: two bytes a character.
  ASSERT_TRUE(AddClosedPrinter("Alpha", "Drv", "LPT1:"));
  DWORD needed = 0, count = 0;
  EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &count));
  EXPECT_EQ(needed, sizeof(PRINTER_INFO_4A) + 2 * sizeof("Alpha"));
  EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 5, nullptr, 0, &needed, &count));
  EXPECT_EQ(needed, sizeof(PRINTER_INFO_5A) + 2 * (sizeof("Alpha") + sizeof("LPT1:")));
  // The ANSI records alone would fit, but the call asks for the whole size.
  std::vector<BYTE> block(needed);
  SetLastError(kPoison);
  EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 5, block.data(), needed - 1, &needed, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST_F(SpoolerPrintersTest, EnumerationSizesInTwoCallsAndPacksStringsFromTheEnd) {
  for (const char* name : {"charlie", "Alpha", "beta"}) ASSERT_TRUE(AddClosedPrinter(name, "Drv"));
  struct Level {
    DWORD level;
    size_t record;
  } levels[] = {{1, sizeof(PRINTER_INFO_1A)},
                {2, sizeof(PRINTER_INFO_2A)},
                {4, sizeof(PRINTER_INFO_4A)},
                {5, sizeof(PRINTER_INFO_5A)}};
  for (const Level& l : levels) {
    SCOPED_TRACE(l.level);
    DWORD needed = 0, count = kPoison;
    SetLastError(kPoison);
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, l.level, nullptr, 0, &needed, &count));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(count, 0u);
    ASSERT_GT(needed, 3 * l.record);

    // One byte short: refused again, with the same size.
    std::vector<BYTE> block(needed + 64, 0xCC);
    DWORD again = 0;
    SetLastError(kPoison);
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, l.level, block.data(), needed - 1, &again, &count));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(again, needed);
    EXPECT_EQ(block[0], 0xCC);  // nothing written

    // A larger block: records at its start, strings at its very end.
    DWORD size = needed + 64;
    ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, l.level, block.data(), size, &again, &count));
    ASSERT_EQ(count, 3u);
    const char* first =
        l.level == 1   ? reinterpret_cast<PRINTER_INFO_1A*>(block.data())->pDescription
        : l.level == 2 ? reinterpret_cast<PRINTER_INFO_2A*>(block.data())->pPrinterName
        : l.level == 4 ? reinterpret_cast<PRINTER_INFO_4A*>(block.data())->pPrinterName
                       : reinterpret_cast<PRINTER_INFO_5A*>(block.data())->pPrinterName;
    EXPECT_EQ(first + std::strlen(first) + 1, reinterpret_cast<char*>(block.data()) + size);

    // Exactly the size asked for, in name order without regard to case.
    EXPECT_EQ(EnumNames(l.level), (std::vector<std::string>{"Alpha", "beta", "charlie"}));
  }
}

TEST_F(SpoolerPrintersTest, LevelOneDescribesNameDriverAndLocation) {
  ASSERT_TRUE(AddClosedPrinter("P1", "Drv"));
  DWORD needed = 0, count = 0;
  EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 1, nullptr, 0, &needed, &count);
  std::vector<BYTE> block(needed);
  ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 1, block.data(), needed, &needed, &count));
  auto* info = reinterpret_cast<PRINTER_INFO_1A*>(block.data());
  EXPECT_STREQ(info->pName, "P1");
  EXPECT_STREQ(info->pDescription, "P1,Drv,");
  EXPECT_STREQ(info->pComment, "");
}

TEST_F(SpoolerPrintersTest, LevelsFourAndFiveDescribeNameAttributesAndPort) {
  HANDLE h = AddPrinter("P1", "Drv", "LPT2:", PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_QUEUED);
  ASSERT_NE(h, nullptr);
  DWORD needed = 0, count = 0;
  std::vector<BYTE> block(4096);
  ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, block.data(), 4096, &needed, &count));
  ASSERT_EQ(count, 1u);
  auto* four = reinterpret_cast<PRINTER_INFO_4A*>(block.data());
  EXPECT_STREQ(four->pPrinterName, "P1");
  EXPECT_EQ(four->pServerName, nullptr);
  EXPECT_EQ(four->Attributes, static_cast<DWORD>(PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_QUEUED));

  ASSERT_TRUE(GetPrinterA(h, 5, block.data(), 4096, &needed));
  auto* five = reinterpret_cast<PRINTER_INFO_5A*>(block.data());
  EXPECT_STREQ(five->pPrinterName, "P1");
  EXPECT_STREQ(five->pPortName, "LPT2:");
  EXPECT_EQ(five->Attributes, static_cast<DWORD>(PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_QUEUED));
  EXPECT_EQ(five->DeviceNotSelectedTimeout, 15000u);
  EXPECT_EQ(five->TransmissionRetryTimeout, 45000u);

  // The levels Windows has beyond these are not simulated and say so.
  for (DWORD level : {0u, 3u, 6u, 9u}) {
    SCOPED_TRACE(level);
    SetLastError(kPoison);
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, level, block.data(), 4096, &needed, &count));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
    SetLastError(kPoison);
    EXPECT_FALSE(GetPrinterA(h, level, block.data(), 4096, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
  }
  ClosePrinter(h);
}

TEST_F(SpoolerPrintersTest, ListingsAreReusedOnlyWhileNoConnectionChangedTheStore) {
  for (const char* name : {"Alpha", "Beta"}) ASSERT_TRUE(AddClosedPrinter(name, "Drv"));
  ASSERT_EQ(EnumNames(2), (std::vector<std::string>{"Alpha", "Beta"}));
  ASSERT_EQ(EnumNames(1), (std::vector<std::string>{"Alpha", "Beta"}));

  // Another process deletes a printer behind this one's back.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open((root_.dir() + "/system.db").c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "DELETE FROM reg_keys WHERE CAST(name AS TEXT) = 'Beta'", nullptr,
                         nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(other);
  EXPECT_EQ(EnumNames(2), std::vector<std::string>{"Alpha"});
  EXPECT_EQ(EnumNames(1), std::vector<std::string>{"Alpha"});
  EXPECT_EQ(EnumNames(5), std::vector<std::string>{"Alpha"});

  // This process's own change shows at once too.
  ASSERT_TRUE(AddClosedPrinter("Gamma", "Drv"));
  EXPECT_EQ(EnumNames(2), (std::vector<std::string>{"Alpha", "Gamma"}));
  EXPECT_EQ(EnumNames(4), (std::vector<std::string>{"Alpha", "Gamma"}));
}

TEST_F(SpoolerPrintersTest, AddPrinterRefusesWithTheSpoolersCodes) {
  ASSERT_TRUE(AddClosedPrinter("Existing", "Drv"));
  struct Case {
    const char* name;
    const char* driver;
    const char* port;
    DWORD error;
  } cases[] = {
      {"", "Drv", "LPT1:", ERROR_INVALID_PRINTER_NAME},
      {"a\\b", "Drv", "LPT1:", ERROR_INVALID_PRINTER_NAME},
      {"a,b", "Drv", "LPT1:", ERROR_INVALID_PRINTER_NAME},
      {"EXISTING", "Drv", "LPT1:", ERROR_PRINTER_ALREADY_EXISTS},
      {"New", "NoSuchDriver", "LPT1:", ERROR_UNKNOWN_PRINTER_DRIVER},
      {"New", "Drv", "LPT9:", ERROR_UNKNOWN_PORT},
      {"New", "Drv", "", ERROR_UNKNOWN_PORT},
      {"New", "Drv", "LPT1:,NOPE:", ERROR_UNKNOWN_PORT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetLastError(kPoison);
    EXPECT_EQ(AddPrinter(c.name, c.driver, c.port), nullptr);
    EXPECT_EQ(GetLastError(), c.error);
  }
  EXPECT_EQ(EnumNames(), std::vector<std::string>{"Existing"});

  PRINTER_INFO_2A info{};
  SetLastError(kPoison);
  EXPECT_EQ(AddPrinterA(nullptr, 1, reinterpret_cast<LPBYTE>(&info)), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
  SetLastError(kPoison);
  EXPECT_EQ(AddPrinterA(nullptr, 2, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(SpoolerPrintersTest, AFreshSystemHasTheLocalPortsOfWindows) {
  {
    winsim::Transaction tx(winsim::Transaction::kRead);
    ASSERT_EQ(tx.status(), 0u);
    EXPECT_EQ(winsim::spooler::PortNames(tx.db()),
              (std::vector<std::string>{"LPT1:", "LPT2:", "LPT3:", "COM1:", "COM2:", "COM3:",
                                        "COM4:", "FILE:", "USB001", "USB002", "USB003", "USB004",
                                        "USB005", "USB006", "USB007", "USB008"}));
  }
  SetLastError(kPoison);
  EXPECT_EQ(AddPrinter("P", "Drv", "USB009"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PORT));

  // Ports taken away from outside come back when the spooler next needs them.
  ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE,
                          "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Local Port\\Ports"),
            0);
  EXPECT_TRUE(AddClosedPrinter("P", "Drv", "USB008"));
}

TEST_F(SpoolerPrintersTest, AddPrinterHandsBackAHandleToWhatItStored) {
  HANDLE h = AddPrinter("Pooled", "drv", "LPT1:,usb001");  // names match without regard to case
  ASSERT_NE(h, nullptr);
  DWORD needed = 0;
  SetLastError(kPoison);
  EXPECT_FALSE(GetPrinterA(h, 2, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  std::vector<BYTE> block(needed);
  ASSERT_TRUE(GetPrinterA(h, 2, block.data(), needed, &needed));
  auto* info = reinterpret_cast<PRINTER_INFO_2A*>(block.data());
  EXPECT_EQ(info->pServerName, nullptr);
  EXPECT_STREQ(info->pPrinterName, "Pooled");
  EXPECT_STREQ(info->pPortName, "LPT1:,usb001");
  EXPECT_STREQ(info->pDriverName, "drv");
  EXPECT_STREQ(info->pPrintProcessor, "WinPrint");
  EXPECT_STREQ(info->pDatatype, "RAW");
  EXPECT_STREQ(info->pShareName, "");
  EXPECT_EQ(info->Attributes, static_cast<DWORD>(PRINTER_ATTRIBUTE_LOCAL));
  EXPECT_TRUE(ClosePrinter(h));
}

TEST_F(SpoolerPrintersTest, OpenPrinterFindsNamesInAnyCaseAndChecksDefaults) {
  ASSERT_TRUE(AddClosedPrinter("Office", "Drv"));
  HANDLE h = reinterpret_cast<HANDLE>(1);
  char unknown[] = "Nowhere";
  SetLastError(kPoison);
  EXPECT_FALSE(OpenPrinterA(unknown, &h, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
  EXPECT_EQ(h, nullptr);

  char lower[] = "office";
  char raw[] = "RAW", bogus[] = "BOGUS";
  PRINTER_DEFAULTSA defaults{raw, nullptr, PRINTER_ALL_ACCESS};
  ASSERT_TRUE(OpenPrinterA(lower, &h, &defaults));
  DWORD needed = 0;
  GetPrinterA(h, 1, nullptr, 0, &needed);
  std::vector<BYTE> block(needed);
  ASSERT_TRUE(GetPrinterA(h, 1, block.data(), needed, &needed));
  EXPECT_STREQ(reinterpret_cast<PRINTER_INFO_1A*>(block.data())->pName, "Office");
  EXPECT_TRUE(ClosePrinter(h));

  PRINTER_DEFAULTSA odd{bogus, nullptr, PRINTER_ALL_ACCESS};
  SetLastError(kPoison);
  EXPECT_FALSE(OpenPrinterA(lower, &h, &odd));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATATYPE));
}

TEST_F(SpoolerPrintersTest, StaleForgedAndForeignHandlesAreRefused) {
  HANDLE closed = AddPrinter("P", "Drv");
  ASSERT_TRUE(ClosePrinter(closed));
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM", 0, KEY_READ, &key), 0);
  HANDLE handles[] = {closed, reinterpret_cast<HANDLE>(0x12345678), nullptr,
                      reinterpret_cast<HANDLE>(key)};
  PRINTER_INFO_2A info{};
  for (HANDLE h : handles) {
    SCOPED_TRACE(reinterpret_cast<uintptr_t>(h));
    DWORD needed = 0;
    SetLastError(kPoison);
    EXPECT_FALSE(GetPrinterA(h, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(kPoison);
    EXPECT_FALSE(SetPrinterA(h, 2, reinterpret_cast<LPBYTE>(&info), 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(kPoison);
    EXPECT_FALSE(DeletePrinter(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(kPoison);
    EXPECT_FALSE(ClosePrinter(h));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  }
  EXPECT_EQ(RegCloseKey(key), 0);  // the registry handle survived its misuse
  EXPECT_EQ(EnumNames(), std::vector<std::string>{"P"});
}

TEST_F(SpoolerPrintersTest, AHandleOpenedWithoutDefaultsMayOnlyUseThePrinterOnNt) {
  ASSERT_TRUE(AddClosedPrinter("P", "Drv"));
  char name[] = "P";
  HANDLE h = nullptr;
  ASSERT_TRUE(OpenPrinterA(name, &h, nullptr));
  PRINTER_INFO_2A info{};
  SetLastError(kPoison);
  EXPECT_FALSE(SetPrinterA(h, 2, reinterpret_cast<LPBYTE>(&info), 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  SetLastError(kPoison);
  EXPECT_FALSE(DeletePrinter(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(ClosePrinter(h));
  EXPECT_EQ(EnumNames(), std::vector<std::string>{"P"});
}

TEST_F(SpoolerPrintersTest, WindowsNinetyEightHasNoPrinterRights) {
  root_.WriteSystemIni("[version]\nPlatformId=1\nMajorVersion=4\nMinorVersion=10\n");
  ASSERT_TRUE(AddClosedPrinter("P", "Drv"));
  char name[] = "P";
  HANDLE h = nullptr;
  ASSERT_TRUE(OpenPrinterA(name, &h, nullptr));
  EXPECT_TRUE(DeletePrinter(h));
  EXPECT_TRUE(ClosePrinter(h));
  EXPECT_TRUE(EnumNames().empty());
}

// GetPrinterA's record of an open printer, in a block of its own.
std::vector<BYTE> Describe(HANDLE h) {
  DWORD needed = 0;
  GetPrinterA(h, 2, nullptr, 0, &needed);
  std::vector<BYTE> block(needed);
  if (!GetPrinterA(h, 2, block.data(), needed, &needed)) block.clear();
  return block;
}

TEST_F(SpoolerPrintersTest, SetPrinterStoresTheDescription) {
  HANDLE h = AddPrinter("P", "Drv");
  ASSERT_NE(h, nullptr);
  std::vector<BYTE> block = Describe(h);
  ASSERT_FALSE(block.empty());
  auto* info = reinterpret_cast<PRINTER_INFO_2A*>(block.data());
  char comment[] = "second floor";
  info->pComment = comment;
  // NT keeps the default per user: the attribute neither sets nor reports it.
  info->Attributes |= PRINTER_ATTRIBUTE_DEFAULT | PRINTER_ATTRIBUTE_SHARED;
  ASSERT_TRUE(SetPrinterA(h, 2, block.data(), 0));
  EXPECT_EQ(Device(), "");

  std::vector<BYTE> again = Describe(h);
  ASSERT_FALSE(again.empty());
  auto* stored = reinterpret_cast<PRINTER_INFO_2A*>(again.data());
  EXPECT_STREQ(stored->pComment, "second floor");
  EXPECT_EQ(stored->Attributes, static_cast<DWORD>(PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_SHARED));

  // A port the spooler does not know is refused and changes nothing.
  char nope[] = "NOPE:";
  stored->pPortName = nope;
  SetLastError(kPoison);
  EXPECT_FALSE(SetPrinterA(h, 2, again.data(), 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PORT));
  EXPECT_STREQ(reinterpret_cast<PRINTER_INFO_2A*>(Describe(h).data())->pPortName, "LPT1:");
  SetLastError(kPoison);
  EXPECT_FALSE(SetPrinterA(h, 2, block.data(), 7));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_COMMAND));
  SetLastError(kPoison);
  EXPECT_FALSE(SetPrinterA(h, 5, block.data(), 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
  EXPECT_TRUE(ClosePrinter(h));
}

TEST_F(SpoolerPrintersTest, SetPrinterRenamesAndTheDefaultFollows) {
  ASSERT_TRUE(AddClosedPrinter("Taken", "Drv"));
  HANDLE h = AddPrinter("Old", "Drv", "COM2:");
  ASSERT_NE(h, nullptr);
  ASSERT_TRUE(SetDefaultPrinterA("Old"));
  std::vector<BYTE> block = Describe(h);
  auto* info = reinterpret_cast<PRINTER_INFO_2A*>(block.data());
  char taken[] = "TAKEN", bad[] = "a,b", fresh[] = "New";
  info->pPrinterName = taken;
  SetLastError(kPoison);
  EXPECT_FALSE(SetPrinterA(h, 2, block.data(), 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_ALREADY_EXISTS));
  info->pPrinterName = bad;
  SetLastError(kPoison);
  EXPECT_FALSE(SetPrinterA(h, 2, block.data(), 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
  info->pPrinterName = fresh;
  ASSERT_TRUE(SetPrinterA(h, 2, block.data(), 0));
  EXPECT_EQ(EnumNames(), (std::vector<std::string>{"New", "Taken"}));
  EXPECT_EQ(Device(), "New,winspool,COM2:");
  EXPECT_STREQ(reinterpret_cast<PRINTER_INFO_2A*>(Describe(h).data())->pPrinterName, "New");
  EXPECT_TRUE(ClosePrinter(h));
}

TEST_F(SpoolerPrintersTest, OnWindows9xTheDefaultAttributeIsTheDefaultPrinter) {
  root_.WriteSystemIni("[version]\nPlatformId=1\nMajorVersion=4\nMinorVersion=10\n");
  ASSERT_TRUE(AddClosedPrinter("A", "Drv"));
  HANDLE b = AddPrinter("B", "Drv", "FILE:", PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_DEFAULT);
  ASSERT_NE(b, nullptr);
  ASSERT_TRUE(ClosePrinter(b));
  EXPECT_EQ(Device(), "B,winspool,FILE:");

  char a[] = "A";
  HANDLE h = nullptr;
  ASSERT_TRUE(OpenPrinterA(a, &h, nullptr));
  std::vector<BYTE> block = Describe(h);
  reinterpret_cast<PRINTER_INFO_2A*>(block.data())->Attributes |= PRINTER_ATTRIBUTE_DEFAULT;
  ASSERT_TRUE(SetPrinterA(h, 2, block.data(), 0));
  EXPECT_TRUE(ClosePrinter(h));
  EXPECT_EQ(Device(), "A,winspool,LPT1:");

  DWORD needed = 0, count = 0;
  EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
  std::vector<BYTE> all(needed);
  ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, all.data(), needed, &needed, &count));
  auto* info = reinterpret_cast<PRINTER_INFO_2A*>(all.data());
  EXPECT_NE(info[0].Attributes & PRINTER_ATTRIBUTE_DEFAULT, 0u);
  EXPECT_EQ(info[1].Attributes & PRINTER_ATTRIBUTE_DEFAULT, 0u);
}

TEST_F(SpoolerPrintersTest, DeletingTheDefaultPrinterLeavesNoDefault) {
  ASSERT_TRUE(AddClosedPrinter("Keep", "Drv"));
  HANDLE h = AddPrinter("Gone", "Drv");
  ASSERT_NE(h, nullptr);
  ASSERT_TRUE(SetDefaultPrinterA("Keep"));
  ASSERT_TRUE(DeletePrinter(h));  // not the default: the default stays
  EXPECT_EQ(Device(), "Keep,winspool,LPT1:");
  DWORD needed = 0;
  SetLastError(kPoison);
  EXPECT_FALSE(GetPrinterA(h, 2, nullptr, 0, &needed));  // the handle outlives its printer
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
  EXPECT_TRUE(ClosePrinter(h));

  char keep[] = "KEEP";
  PRINTER_DEFAULTSA all{nullptr, nullptr, PRINTER_ALL_ACCESS};
  ASSERT_TRUE(OpenPrinterA(keep, &h, &all));
  ASSERT_TRUE(DeletePrinter(h));
  EXPECT_TRUE(ClosePrinter(h));
  EXPECT_EQ(Device(), "");
  EXPECT_TRUE(EnumNames().empty());
}

TEST_F(SpoolerPrintersTest, InjectedFaultsFailWithTheirCode) {
  ASSERT_TRUE(AddClosedPrinter("P", "Drv"));
  root_.WriteSystemIni("[faults]\nEnumPrintersA=5\nOpenPrinterA#2=1801\nAddPrinterA=8\n");
  DWORD needed = 0, count = 0;
  SetLastError(kPoison);
  EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  char name[] = "P";
  HANDLE h = nullptr;
  ASSERT_TRUE(OpenPrinterA(name, &h, nullptr));
  EXPECT_TRUE(ClosePrinter(h));
  SetLastError(kPoison);
  EXPECT_FALSE(OpenPrinterA(name, &h, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
  SetLastError(kPoison);
  EXPECT_EQ(AddPrinter("Q", "Drv"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
}

}  // namespace
