#include "installer/inf/inf_access.h"

#include <gtest/gtest.h>

#include <string>

#include "support/inf_fixture.h"

namespace {

using kit_test::InfFixture;

class InfAccessTest : public InfFixture {};

TEST_F(InfAccessTest, ManufacturerIsTheFirstEntryWithoutQuotes) {
  struct Case {
    const char* section;
    const char* expected;
  } cases[] = {
      {"[Manufacturer]\r\n\"Brevant\"\r\n", "Brevant"},
      {"[Manufacturer]\r\nBrevant\r\n", "Brevant"},
      {"[Manufacturer]\r\n\"Brevant\"\r\n\"Other\"\r\n", "Brevant"},
      // Every quote goes, not only an enclosing pair.
      {"[Manufacturer]\r\n\"Bre\"vant\"\r\n", "Brevant"},
      // A key line yields the whole line (without its quotes).
      {"[Manufacturer]\r\n\"Brevant\"=Brevant,NTx86\r\n", "Brevant=Brevant,NTx86"},
      {"[Manufacturer]\r\n", ""},
      {"[Version]\r\nClass=Printer\r\n", ""},
  };
  for (const Case& c : cases) {
    std::string inf = WriteKitFile("m.inf", c.section);
    EXPECT_EQ(GetManufacturerName(inf), c.expected) << c.section;
  }
  EXPECT_EQ(GetManufacturerName("C:\\kit\\missing.inf"), "");
}

TEST_F(InfAccessTest, ManufacturerIgnoresQuotesAroundThePath) {
  std::string inf = WriteKitFile("m.inf", "[Manufacturer]\r\n\"Brevant\"\r\n");
  EXPECT_EQ(GetManufacturerName("\"" + inf + "\""), "Brevant");
}

TEST_F(InfAccessTest, ManufacturerFirstEntrySurvivesAnOverlongSection) {
  // The entries together exceed the 260-byte read; the first is still whole.
  std::string text = "[Manufacturer]\r\n\"Brevant\"\r\n";
  for (int i = 0; i < 20; ++i) text += "\"Other manufacturer number " + std::to_string(i) + "\"\r\n";
  std::string inf = WriteKitFile("m.inf", text);
  EXPECT_EQ(GetManufacturerName(inf), "Brevant");
}

TEST_F(InfAccessTest, ProfileStringAddsNothingToTheRead) {
  std::string inf = WriteKitFile(
      "s.inf",
      "[Brevant]\r\n\"Brevant TR-2210 Series PS\" = TR2210PS, ID\r\nquoted=\"a value\"\r\n"
      "remark = value ; remark\r\nlong=" + std::string(300, 'x') + "\r\n");
  EXPECT_EQ(MyGetProfileString(inf, "Brevant", "\"Brevant TR-2210 Series PS\""), "TR2210PS, ID");
  EXPECT_EQ(MyGetProfileString(inf, "brevant", "\"BREVANT TR-2210 SERIES PS\""), "TR2210PS, ID");
  EXPECT_EQ(MyGetProfileString(inf, "Brevant", "Brevant TR-2210 Series PS"), "");
  EXPECT_EQ(MyGetProfileString(inf, "Brevant", "quoted"), "a value");
  EXPECT_EQ(MyGetProfileString(inf, "Brevant", "remark"), "value ; remark");
  EXPECT_EQ(MyGetProfileString(inf, "Brevant", "long"), std::string(259, 'x'));
  EXPECT_EQ(MyGetProfileString(inf, "", "quoted"), "");
  EXPECT_EQ(MyGetProfileString("C:\\kit\\missing.inf", "Brevant", "quoted"), "");
}

TEST_F(InfAccessTest, IncludePathIsUnderTheWindowsInfDirectory) {
  std::string inf = WriteKitFile(
      "i.inf", "[WITH]\r\nInclude = drv.inf\r\n[LIST]\r\ninclude=a.inf,b.inf\r\n[WITHOUT]\r\nx=1\r\n"
               "[EMPTY]\r\ninclude=\r\n");
  EXPECT_EQ(GetIncludeInfPath(inf, "WITH"), "C:\\WINDOWS\\Inf\\drv.inf");
  EXPECT_EQ(GetIncludeInfPath(inf, "LIST"), "C:\\WINDOWS\\Inf\\a.inf,b.inf");
  EXPECT_EQ(GetIncludeInfPath(inf, "WITHOUT"), "");
  EXPECT_EQ(GetIncludeInfPath(inf, "EMPTY"), "");
}

TEST_F(InfAccessTest, DriverDirectoryComesFromTheSpooler) {
  EXPECT_EQ(GetDriverDirectory(), kit_test::kDriverDirWin);
}

TEST_F(InfAccessTest, DriverDirectoryFallsBackUnderTheSystemDirectory) {
  root_.WriteSystemIni(
      "[directories]\nSystem=C:\\WINDOWS\\System32\n"
      "[faults]\nGetPrinterDriverDirectoryA=1722\n");
  EXPECT_EQ(GetDriverDirectory(), "C:\\WINDOWS\\System32\\spool\\drivers\\w32x86");
}

}  // namespace
