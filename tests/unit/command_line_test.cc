#include "installer/front/command_line.h"

#include <gtest/gtest.h>

#include "support/temp_root.h"

namespace {

struct Case {
  const char* line;
  unsigned short mode;
  const char* inf;
  const char* printer;
  const char* models;
};

TEST(CommandLineTest, ParsesSwitchesAndValues) {
  kit_test::TempRoot root;  // the parser asks the code page
  const Case cases[] = {
      {"", ModeHelp, "", "", ""},
      {"   ", ModeInvalid, "", "", ""},
      {"no slash at all", ModeInvalid, "", "", ""},
      {"/INF \"C:\\k\\setup.inf\" /PRINTER \"Brevant TR-2210 Series PS\" /MDL \"TR-2210\"",
       ModeInstall, "\"C:\\k\\setup.inf\"", "\"Brevant TR-2210 Series PS\"", "\"TR-2210\""},
      {"/INF \"a.inf\" /PRINTER \"P\"", ModeInstall, "\"a.inf\"", "\"P\"", ""},
      {"/UNINSTALL \"P\"", ModeInvalid, "", "\"P\"", ""},  // needs /INF too
      {"/INF \"a.inf\" /UNINSTALL \"P\"", ModeUninstall, "\"a.inf\"", "\"P\"", ""},
      {"/inf \"a.inf\" /printer \"P\"", ModeInvalid, "", "", ""},  // lower case is ignored
      {"/INFO\"a.inf\" /PRINTERS\"P\"", ModeInstall, "\"a.inf\"", "\"P\"", ""},
      {"/INF \"a\" /INF \"b\" /PRINTER \"P\"", ModeInstall, "\"b\"", "\"P\"", ""},
      {"/INF \"a\" /PRINTER \"P\" /UNINSTALL \"Q\"", ModeUninstall, "\"a\"", "\"Q\"", ""},
      {"/INF \"a\" /UNINSTALL \"Q\" /PRINTER \"P\"", ModeInstall, "\"a\"", "\"P\"", ""},
      // A slash inside a value splits the token: the value is the lone quote.
      {"/INF \"C:/k/setup.inf\" /PRINTER \"P\"", ModeInstall, "\"", "\"P\"", ""},
      {"/INF \"\" /PRINTER \"P\"", ModeInstall, "\"\"", "\"P\"", ""},
      {"/INF C:\\k.inf /PRINTER \"P\"", ModeInstall, " ", "\"P\"", ""},  // first character only
      {"/INF", ModeInvalid, "", "", ""},
      {"/INF\"x\"y\"z\" /PRINTER \"P\"", ModeInstall, "\"x\"y\"z\"", "\"P\"", ""},
      {"junk /MDL \"M1,M2\" /INF \"a\" /PRINTER \"P\"", ModeInstall, "\"a\"", "\"P\"", "\"M1,M2\""},
  };
  for (const Case& c : cases) {
    std::string inf, printer, models;
    EXPECT_EQ(ParseCommandLine(c.line, inf, printer, models), c.mode) << c.line;
    EXPECT_EQ(inf, c.inf) << c.line;
    EXPECT_EQ(printer, c.printer) << c.line;
    EXPECT_EQ(models, c.models) << c.line;
  }
}

TEST(CommandLineTest, SlotsOnlyWrittenWhenTheirSwitchIsPresent) {
  kit_test::TempRoot root;
  std::string inf = "keep", printer = "keep", models = "keep";
  ParseCommandLine("/PRINTER \"P\"", inf, printer, models);
  EXPECT_EQ(inf, "keep");
  EXPECT_EQ(models, "keep");
  EXPECT_EQ(printer, "\"P\"");
}

TEST(CommandLineTest, DoubleByteTrailSlashIsNoSwitch) {
  kit_test::TempRoot root;
  root.WriteSystemIni("[locale]\nCodePage=932\n");
  // 0x83 0x2F: a lead byte followed by a trail byte that equals '/'.
  std::string line = "/INF \"a\x83/INF\" /PRINTER \"P\"";
  std::string inf, printer, models;
  EXPECT_EQ(ParseCommandLine(line.c_str(), inf, printer, models), ModeInstall);
  EXPECT_EQ(inf, "\"a\x83/INF\"");
}

TEST(CommandLineTest, HugeAndHighByteLinesAreSafe) {
  kit_test::TempRoot root;
  std::string value(100000, '\xE9');
  std::string line = "/INF \"" + value + "\" /PRINTER \"\xC4\xD6\"";
  std::string inf, printer, models;
  EXPECT_EQ(ParseCommandLine(line.c_str(), inf, printer, models), ModeInstall);
  EXPECT_EQ(inf.size(), value.size() + 2);
  EXPECT_EQ(printer, "\"\xC4\xD6\"");
}

}  // namespace
