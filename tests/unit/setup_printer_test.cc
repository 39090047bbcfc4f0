#include "installer/front/setup_printer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/temp_root.h"
#include "unit/sequence_printers.h"

namespace {

using kit_test::AddPrinterRecord;
using kit_test::DefaultDevice;

TEST(SelectDefaultPrinterTest, TheGivenNameBecomesTheDefault) {
  kit_test::TempRoot root;
  AddPrinterRecord("Office", "Driver A");
  EXPECT_EQ(SelectDefaultPrinter(true, "Office"), 0);
  EXPECT_EQ(DefaultDevice(), "Office,winspool,LPT1:");
}

TEST(SelectDefaultPrinterTest, ANameThatDoesNotFitItsBufferNeverChangesTheDefault) {
  kit_test::TempRoot root;
  // A cut name would be this printer's name.
  std::string cut(259, 'p');
  AddPrinterRecord("Office", "Driver A");
  AddPrinterRecord(cut, "Driver A");
  ASSERT_EQ(SelectDefaultPrinter(true, "Office"), 0);
  EXPECT_EQ(SelectDefaultPrinter(true, cut + "-more"), 0);
  EXPECT_EQ(DefaultDevice(), "Office,winspool,LPT1:");
  EXPECT_EQ(SelectDefaultPrinter(true, cut), 0);
  EXPECT_EQ(DefaultDevice(), cut + ",winspool,LPT1:");
}

TEST(SelectDefaultPrinterTest, WithoutANameTheFirstListedPrinterIsChosen) {
  kit_test::TempRoot root;
  EXPECT_EQ(SelectDefaultPrinter(false, "ignored"), 1);  // no printer at all
  EXPECT_EQ(DefaultDevice(), "");

  AddPrinterRecord("zeta", "Driver A", "COM1:");
  AddPrinterRecord("Alpha", "Driver B", "USB001");
  EXPECT_EQ(SelectDefaultPrinter(false, "zeta"), 0);
  EXPECT_EQ(DefaultDevice(), "Alpha,winspool,USB001");
}

TEST(SelectDefaultPrinterTest, AFailedListingChangesNothing) {
  kit_test::TempRoot root;
  AddPrinterRecord("Office", "Driver A");
  root.WriteSystemIni("[faults]\nEnumPrintersA#2=5\n");
  EXPECT_EQ(SelectDefaultPrinter(false, ""), 0);
  EXPECT_EQ(DefaultDevice(), "");
}

TEST(GetFirstLocalPrinterTest, CountsAndNamesTheFirstPrinter) {
  kit_test::TempRoot root;
  char name[kMaxPath];
  std::memset(name, 'x', sizeof name);
  EXPECT_EQ(GetFirstLocalPrinter(name), 0);
  EXPECT_EQ(name[0], 'x');  // untouched without printers

  AddPrinterRecord("B printer", "Driver A");
  AddPrinterRecord("a printer", "Driver A");
  AddPrinterRecord("C printer", "Driver A");
  EXPECT_EQ(GetFirstLocalPrinter(name), 3);
  EXPECT_STREQ(name, "a printer");
}

TEST(GetFirstLocalPrinterTest, AFailedListingGivesMinusOne) {
  kit_test::TempRoot root;
  AddPrinterRecord("Office", "Driver A");
  root.WriteSystemIni("[faults]\nEnumPrintersA=5\n");
  char name[kMaxPath] = {};
  EXPECT_EQ(GetFirstLocalPrinter(name), -1);
  EXPECT_STREQ(name, "");
}

}  // namespace
