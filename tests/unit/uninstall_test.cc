#include "installer/front/uninstall.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/temp_root.h"
#include "unit/sequence_printers.h"

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

}  // namespace
