#include "installer/inf/printer_install.h"

#include <gtest/gtest.h>

#include <string>

#include "common/strbuf.h"
#include "platform/winsim/spooler_store.h"
#include "platform/winsim/store.h"
#include "support/inf_fixture.h"

namespace {

using kit_test::InfFixture;

class PrinterInstallTest : public InfFixture {
 protected:
  void RegisterDriver(const std::string& name) {
    winsim::Transaction tx(winsim::Transaction::kWrite);
    ASSERT_EQ(tx.status(), 0u);
    winsim::spooler::EnsureDefaults(tx.db());
    winsim::spooler::DriverRecord record;
    record.name = name;
    ASSERT_EQ(winsim::spooler::WriteDriver(tx.db(), record), 0u);
    ASSERT_EQ(tx.Commit(), 0u);
  }
  bool ReadPrinter(const std::string& name, winsim::spooler::PrinterRecord* record) {
    winsim::Transaction tx(winsim::Transaction::kRead);
    return tx.status() == 0 && winsim::spooler::ReadPrinter(tx.db(), name, record) == 0;
  }
};

TEST(FillPrinterInfoTest, NamesPrinterAndDriverWithoutQuotes) {
  PrinterInfoStrings fields;
  kit::CopyStr(fields.port_name, "USB002");
  ASSERT_TRUE(FillPrinterInfo(fields, "\"Brevant TR-2210 \"Series PS\""));
  EXPECT_STREQ(fields.printer_name, "Brevant TR-2210 Series PS");
  EXPECT_STREQ(fields.driver_name, "Brevant TR-2210 Series PS");
  EXPECT_STREQ(fields.port_name, "USB002");
  EXPECT_STREQ(fields.print_processor, "WinPrint");
  EXPECT_STREQ(fields.data_type, "RAW");
}

TEST_F(PrinterInstallTest, CreatesALocalPrinterAndTakesAnExistingOneAsSuccess) {
  RegisterDriver("Brevant TR-2210 Series PS");
  ASSERT_TRUE(InstallPrinter("C:\\kit\\setup.inf", "Brevant TR-2210 Series PS", "DDI", "USB002"));
  winsim::spooler::PrinterRecord printer;
  ASSERT_TRUE(ReadPrinter("Brevant TR-2210 Series PS", &printer));
  EXPECT_EQ(printer.port, "USB002");
  EXPECT_EQ(printer.driver, "Brevant TR-2210 Series PS");
  EXPECT_EQ(printer.print_processor, "WinPrint");
  EXPECT_EQ(printer.datatype, "RAW");
  EXPECT_EQ(printer.share_name, "");
  EXPECT_NE(printer.attributes & PRINTER_ATTRIBUTE_LOCAL, 0u);

  // 1802: success, no box, and the existing printer stays as it was.
  ASSERT_TRUE(InstallPrinter("C:\\kit\\setup.inf", "brevant tr-2210 series ps", "DDI", "LPT1:"));
  ASSERT_TRUE(ReadPrinter("Brevant TR-2210 Series PS", &printer));
  EXPECT_EQ(printer.port, "USB002");
  EXPECT_EQ(BoxCount(), 0);
  std::string trace = Trace();
  EXPECT_NE(trace.find("[Quillset] Install Printer OK!!\n"), std::string::npos);
  EXPECT_EQ(trace.find("Fail"), std::string::npos);
}

TEST_F(PrinterInstallTest, ARefusedCreationShowsTheBoxAndFails) {
  RegisterDriver("TR-2210");
  EXPECT_FALSE(InstallPrinter("", "TR-2210", "", "NOPORT:"));  // unknown port
  EXPECT_FALSE(InstallPrinter("", "TR-1100", "", "LPT1:"));    // unknown driver
  EXPECT_TRUE(BoxShown("TR-2210"));
  EXPECT_TRUE(BoxShown("TR-1100"));
  EXPECT_EQ(BoxCount(), 2);
  EXPECT_NE(Trace().find("[Quillset] Install Printer Fail!!\n"), std::string::npos);
  winsim::spooler::PrinterRecord printer;
  EXPECT_FALSE(ReadPrinter("TR-2210", &printer));
}

TEST_F(PrinterInstallTest, RefusesNamesThatDoNotFitTheirFields) {
  std::string long_name(260, 'P');
  EXPECT_FALSE(InstallPrinter("", long_name, "", "LPT1:"));
  EXPECT_TRUE(BoxShown(long_name));
  EXPECT_NE(root_.ReadEvents().find("The printer name is invalid."), std::string::npos);

  RegisterDriver("TR-2210");
  EXPECT_FALSE(InstallPrinter("", "TR-2210", "", std::string(260, 'L')));
  EXPECT_NE(root_.ReadEvents().find("The filename or extension is too long."), std::string::npos);
  EXPECT_EQ(BoxCount(), 2);
  winsim::spooler::PrinterRecord printer;
  EXPECT_FALSE(ReadPrinter("TR-2210", &printer));
}

}  // namespace
