#include "installer/front/uninstall.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "support/temp_root.h"
#include "unit/sequence_printers.h"
#include "unit/spooler_test_support.h"

namespace {

using kit_test::AddPrinterRecord;
using kit_test::PrinterExists;

size_t CountOf(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(DeletePrintersOfDriverTest, DeletesEveryPrinterOfExactlyThatDriver) {
  kit_test::TempRoot root;
  AddPrinterRecord("First", "Brevant TR-2210");
  AddPrinterRecord("Second", "Brevant TR-2210");
  AddPrinterRecord("Other case", "BREVANT TR-2210");
  AddPrinterRecord("Longer name", "Brevant TR-2210 Series");
  EXPECT_EQ(DeletePrintersOfDriver("Brevant TR-2210"), 1);
  EXPECT_FALSE(PrinterExists("First"));
  EXPECT_FALSE(PrinterExists("Second"));
  EXPECT_TRUE(PrinterExists("Other case"));
  EXPECT_TRUE(PrinterExists("Longer name"));
  EXPECT_EQ(DeletePrintersOfDriver("nobody's driver"), 1);
}

TEST(DeletePrintersOfDriverTest, AFailedListingDeletesNothing) {
  for (const char* fault : {"EnumPrintersA=5", "EnumPrintersA#2=5"}) {
    SCOPED_TRACE(fault);
    kit_test::TempRoot root;
    AddPrinterRecord("First", "Brevant TR-2210");
    root.WriteSystemIni(std::string("[faults]\n") + fault + "\n");
    EXPECT_EQ(DeletePrintersOfDriver("Brevant TR-2210"), 0);
    EXPECT_TRUE(PrinterExists("First"));
  }
}

TEST(DeletePrintersOfDriverTest, ANameTooLongForItsBufferIsRefusedWithABox) {
  kit_test::TempRoot root;
  std::string cut(259, 'd');
  AddPrinterRecord("Victim", cut);
  EXPECT_EQ(DeletePrintersOfDriver(cut + "x"), 0);
  EXPECT_TRUE(PrinterExists("Victim"));
  EXPECT_EQ(CountOf(root.ReadEvents(), "\"MessageBox\""), 1u) << root.ReadEvents();
  EXPECT_EQ(DeletePrintersOfDriver(cut), 1);
  EXPECT_FALSE(PrinterExists("Victim"));
}

TEST(DeleteOnePrinterTest, APrinterThatCannotBeOpenedIsShownUnderItsName) {
  kit_test::TempRoot root;
  EXPECT_EQ(DeleteOnePrinter("Ghost"), 0);
  std::string events = root.ReadEvents();
  EXPECT_NE(events.find("\"caption\":\"Ghost\""), std::string::npos) << events;
  EXPECT_NE(events.find("\"style\":48"), std::string::npos) << events;
}

TEST(DeleteOnePrinterTest, OneFailureDoesNotStopTheOthers) {
  kit_test::TempRoot root;
  AddPrinterRecord("First", "Brevant TR-2210");
  AddPrinterRecord("Second", "Brevant TR-2210");
  root.WriteSystemIni("[faults]\nOpenPrinterA#1=5\n");
  EXPECT_EQ(DeletePrintersOfDriver("Brevant TR-2210"), 1);
  EXPECT_TRUE(PrinterExists("First"));
  EXPECT_FALSE(PrinterExists("Second"));
  EXPECT_EQ(CountOf(root.ReadEvents(), "\"caption\":\"First\""), 1u);
}

TEST(RemovePrinterDriverTest, AnyFailureIsOnlyTraced) {
  kit_test::TempRoot root;
  std::string trace = root.dir() + "/trace.log";
  setenv("QUILLSET_TRACE", trace.c_str(), 1);
  EXPECT_EQ(RemovePrinterDriver("Not installed"), 1);
  unsetenv("QUILLSET_TRACE");
  EXPECT_EQ(root.ReadEvents().find("MessageBox"), std::string::npos);
  std::ifstream in(trace);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "[Quillset] Delete Printer Driver Faile (Not installed)");
}

/// Two drivers built on the same three files, each with one file of its own.
class RemoveSharedDriverTest : public kit_test::SpoolerTest {
 protected:
  void SetUp() override {
    using namespace std::string_literals;
    PlaceDriverFile("FIRST.INI");
    PlaceDriverFile("SECOND.INI");
    ASSERT_TRUE(AddDriver("First", "FIRST.INI\0"s));
    ASSERT_TRUE(AddDriver("Second", "SECOND.INI\0"s));
    trace_ = root_.dir() + "/trace.log";
    setenv("QUILLSET_TRACE", trace_.c_str(), 1);
  }
  void TearDown() override { unsetenv("QUILLSET_TRACE"); }
  bool Installed(const std::string& name) {
    winsim::spooler::DriverRecord r;
    winsim::Transaction tx(winsim::Transaction::kRead);
    return tx.status() == 0 && winsim::spooler::ReadDriver(tx.db(), name, &r) == 0;
  }
  std::string Trace() const {
    std::ifstream in(trace_);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::string trace_;
};

TEST_F(RemoveSharedDriverTest, ADriverThatSharesFilesGoesWithOnlyItsOwnFiles) {
  EXPECT_EQ(RemovePrinterDriver("First"), 1);
  EXPECT_FALSE(Installed("First"));
  EXPECT_FALSE(InVersionDir("FIRST.INI"));
  EXPECT_TRUE(Installed("Second"));
  for (const char* f : {"DRV.DLL", "MODEL.PPD", "UI.DLL", "SECOND.INI"}) {
    EXPECT_TRUE(InVersionDir(f)) << f;
  }
  EXPECT_EQ(Trace(),
            "[Quillset] Delete Printer Driver Faile (First)\n"
            "[Quillset] Delete Printer Driver OK, shared files kept (First)\n");
  EXPECT_EQ(root_.ReadEvents().find("MessageBox"), std::string::npos);
}

TEST_F(RemoveSharedDriverTest, OnlyTheSharedFilesRefusalIsTriedAgain) {
  struct Case {
    const char* fault;
    bool first_gone;
    const char* trace;
  } cases[] = {
      // 3001 from the first call alone: the second, unfaulted, removes it.
      {"DeletePrinterDriverExA#1=3001", true,
       "[Quillset] Delete Printer Driver Faile (Second)\n"
       "[Quillset] Delete Printer Driver OK, shared files kept (Second)\n"},
      // Any other refusal is only traced, as before.
      {"DeletePrinterDriverExA#1=5", false, "[Quillset] Delete Printer Driver Faile (Second)\n"},
      {"DeletePrinterDriverExA=3001", false,
       "[Quillset] Delete Printer Driver Faile (Second)\n"
       "[Quillset] Delete Printer Driver Faile again (Second)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    std::remove(trace_.c_str());
    root_.WriteSystemIni(std::string("[faults]\n") + c.fault + "\n");
    EXPECT_EQ(RemovePrinterDriver("Second"), 1);
    EXPECT_EQ(Installed("Second"), !c.first_gone);
    EXPECT_EQ(Trace(), c.trace);
    EXPECT_TRUE(Installed("First"));
    if (c.first_gone) {
      PlaceDriverFile("SECOND.INI");
      ASSERT_TRUE(AddDriver("Second", std::string("SECOND.INI\0", 11)));
    }
  }
}

TEST_F(RemoveSharedDriverTest, ADriverAPrinterStillUsesStaysAfterBothTries) {
  ASSERT_TRUE(AddClosedPrinter("P", "First"));
  EXPECT_EQ(RemovePrinterDriver("First"), 1);
  EXPECT_TRUE(Installed("First"));
  EXPECT_TRUE(InVersionDir("FIRST.INI"));
  EXPECT_EQ(Trace(),
            "[Quillset] Delete Printer Driver Faile (First)\n"
            "[Quillset] Delete Printer Driver Faile again (First)\n");
}

}  // namespace
