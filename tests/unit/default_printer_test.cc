// MySetDefaultPrinter and its three routes, chosen by the Windows version.
#include "utility/default_printer.h"

#include <gtest/gtest.h>

#include <string>

#include "ombrel_test_support.h"
#include "utility/exports.h"
#include "utility/spooler_access.h"

namespace {

using ombrel_test::OmbrelSystem;

// Each version code leads to one route. SetPrinterA is made to fail, so the
// attribute route (the only one that calls it) shows its box and changes
// nothing; the printer sits on COM1:, so the spooler's own entry
// ("...,winspool,COM1:") tells the spooler route from the profile route,
// which always writes LPT1:.
enum class Route { kAttribute, kProfile, kSpooler };

struct RouteCase {
  const char* version;
  Route route;
};

class OmbrelDefaultPrinterRoute : public testing::TestWithParam<RouteCase> {};

TEST_P(OmbrelDefaultPrinterRoute, VersionCodeChoosesTheRoute) {
  const RouteCase& c = GetParam();
  OmbrelSystem sys(c.version, "[faults]\nSetPrinterA=5\n");
  sys.AddDriver("Brevant PS");
  sys.AddPrinter("Office", "Brevant PS", "COM1:");

  int result = MySetDefaultPrinter(0, 1, "Office");

  switch (c.route) {
    case Route::kAttribute:
      EXPECT_EQ(result, 1);
      EXPECT_EQ(sys.BoxCaptions(), std::vector<std::string>{"Ombrel.Dll"});
      EXPECT_EQ(OmbrelSystem::DeviceEntry(), "");
      break;
    case Route::kProfile:
      EXPECT_EQ(result, 1);
      EXPECT_TRUE(sys.BoxCaptions().empty());
      EXPECT_EQ(OmbrelSystem::DeviceEntry(), "Office,WINSPOOL,LPT1:");
      break;
    case Route::kSpooler:
      EXPECT_NE(result, 0);
      EXPECT_TRUE(sys.BoxCaptions().empty());
      EXPECT_EQ(OmbrelSystem::DeviceEntry(), "Office,winspool,COM1:");
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Versions, OmbrelDefaultPrinterRoute,
    testing::Values(RouteCase{"95", Route::kAttribute}, RouteCase{"98", Route::kAttribute},
                    RouteCase{"98a", Route::kAttribute}, RouteCase{"me", Route::kAttribute},
                    RouteCase{"nt4", Route::kProfile}, RouteCase{"2000", Route::kSpooler},
                    RouteCase{"xp", Route::kSpooler}, RouteCase{"win32s", Route::kSpooler},
                    RouteCase{"unknown", Route::kSpooler}),
    [](const testing::TestParamInfo<RouteCase>& info) { return std::string(info.param.version); });

TEST(OmbrelDefaultPrinter, AttributeRouteAddsTheDefaultBitAndKeepsTheOthers) {
  OmbrelSystem sys("98");
  sys.AddDriver("Brevant PS");
  const DWORD others = PRINTER_ATTRIBUTE_SHARED | PRINTER_ATTRIBUTE_QUEUED;
  sys.AddPrinter("Office", "Brevant PS", "COM1:", others);

  EXPECT_EQ(MySetDefaultPrinter(0, 1, "Office"), 1);
  EXPECT_EQ(OmbrelSystem::PrinterAttributes("Office") & (others | PRINTER_ATTRIBUTE_DEFAULT),
            others | PRINTER_ATTRIBUTE_DEFAULT);
  EXPECT_TRUE(sys.BoxCaptions().empty());
}

// When the spooler's function cannot be reached or refuses, the profile
// route runs: its entry ends in LPT1: whatever the printer's port. (A
// spooler that cannot be loaded at all fails the export: see
// printer_removal_test.cc.)
class OmbrelDefaultPrinterFallback : public testing::TestWithParam<const char*> {};

TEST_P(OmbrelDefaultPrinterFallback, SpoolerFailureFallsBackToTheProfile) {
  OmbrelSystem sys("xp", std::string("[faults]\n") + GetParam() + "\n");
  sys.AddDriver("Brevant PS");
  sys.AddPrinter("Office", "Brevant PS", "COM1:");

  EXPECT_EQ(MySetDefaultPrinter(0, 1, "Office"), 1);
  EXPECT_EQ(OmbrelSystem::DeviceEntry(), "Office,WINSPOOL,LPT1:");
  EXPECT_TRUE(sys.BoxCaptions().empty());
}

INSTANTIATE_TEST_SUITE_P(Faults, OmbrelDefaultPrinterFallback,
                         testing::Values("GetProcAddress=127", "SetDefaultPrinterA=5"));

TEST(OmbrelDefaultPrinter, UnknownNameFailsOnEveryRouteButTheAttributeOne) {
  for (const char* version : {"xp", "nt4"}) {
    OmbrelSystem sys(version);
    EXPECT_EQ(MySetDefaultPrinter(0, 1, "No Such Printer"), 0) << version;
    EXPECT_EQ(OmbrelSystem::DeviceEntry(), "") << version;
    EXPECT_TRUE(sys.BoxCaptions().empty()) << version;
  }
  OmbrelSystem sys("98");
  EXPECT_EQ(MySetDefaultPrinter(0, 1, "No Such Printer"), 1);
  EXPECT_TRUE(sys.BoxCaptions().empty());
}

TEST(OmbrelDefaultPrinter, NtFourEntryNamesLptOneForAnyPort) {
  OmbrelSystem sys("nt4");
  sys.AddDriver("Brevant PS");
  sys.AddPrinter("Upstairs", "Brevant PS", "USB001");
  EXPECT_EQ(MySetDefaultPrinter(0, 1, "Upstairs"), 1);
  EXPECT_EQ(OmbrelSystem::DeviceEntry(), "Upstairs,WINSPOOL,LPT1:");
}

TEST(OmbrelDefaultPrinter, SelectorZeroTakesTheFirstEnumeratedPrinter) {
  OmbrelSystem sys("2000");
  sys.AddDriver("Brevant PS");
  sys.AddPrinter("zeta", "Brevant PS", "LPT2:");
  sys.AddPrinter("Alpha", "Brevant PS", "LPT3:");
  // The name argument is not read with selector 0.
  EXPECT_NE(MySetDefaultPrinter(0, 0, "zeta"), 0);
  EXPECT_EQ(OmbrelSystem::DeviceEntry(), "Alpha,winspool,LPT3:");
}

TEST(OmbrelDefaultPrinter, SelectorZeroWithoutPrintersChangesNothing) {
  OmbrelSystem sys("98");
  EXPECT_EQ(MySetDefaultPrinter(0, 0, nullptr), 1);
  EXPECT_EQ(OmbrelSystem::DeviceEntry(), "");
  EXPECT_TRUE(sys.Events().empty());
}

TEST(OmbrelDefaultPrinter, SelectorZeroReportsAFailedEnumeration) {
  OmbrelSystem sys("2000", "[faults]\nEnumPrintersA#2=1722\n");
  sys.AddDriver("Brevant PS");
  sys.AddPrinter("Office", "Brevant PS");
  EXPECT_EQ(MySetDefaultPrinter(0, 0, nullptr), 0);
  EXPECT_EQ(sys.BoxCaptions(), std::vector<std::string>{"Ombrel.Dll"});
  EXPECT_EQ(OmbrelSystem::DeviceEntry(), "");
}

TEST(OmbrelDefaultPrinter, AnyNonZeroSelectorUsesTheName) {
  OmbrelSystem sys("2000");
  sys.AddDriver("Brevant PS");
  sys.AddPrinter("Alpha", "Brevant PS", "LPT1:");
  sys.AddPrinter("Beta", "Brevant PS", "LPT2:");
  int variable = 0;
  for (LONG_PTR selector : {LONG_PTR{-1}, LONG_PTR{7}, reinterpret_cast<LONG_PTR>(&variable)}) {
    EXPECT_NE(MySetDefaultPrinter(0, selector, "Beta"), 0);
    EXPECT_EQ(OmbrelSystem::DeviceEntry(), "Beta,winspool,LPT2:");
  }
}

TEST(OmbrelDefaultPrinter, AttributeRouteReportsFailedPrinterCalls) {
  for (const char* fault : {"GetPrinterA#2=5", "SetPrinterA=5"}) {
    OmbrelSystem sys("98", std::string("[faults]\n") + fault + "\n");
    sys.AddDriver("Brevant PS");
    sys.AddPrinter("Office", "Brevant PS");
    EXPECT_EQ(MySetDefaultPrinter(0, 1, "Office"), 1) << fault;
    EXPECT_EQ(sys.BoxCaptions(), std::vector<std::string>{"Ombrel.Dll"}) << fault;
    EXPECT_EQ(OmbrelSystem::PrinterAttributes("Office") & PRINTER_ATTRIBUTE_DEFAULT, 0u) << fault;
  }
}

TEST(OmbrelDefaultPrinter, NamesThatDoNotFitAreRefusedUnchanged) {
  OmbrelSystem sys("98");
  sys.AddDriver("Brevant PS");
  sys.AddPrinter("Office", "Brevant PS");
  std::string too_long = ombrel_test::NameOfLength(260);
  EXPECT_EQ(MySetDefaultPrinter(0, 1, too_long.c_str()), 0);
  EXPECT_EQ(MySetDefaultPrinter(0, 1, nullptr), 0);
  EXPECT_EQ(OmbrelSystem::PrinterAttributes("Office") & PRINTER_ATTRIBUTE_DEFAULT, 0u);
  EXPECT_TRUE(sys.BoxCaptions().empty());
  // 259 characters still fit: the name is looked up (and found missing).
  std::string longest = ombrel_test::NameOfLength(259);
  EXPECT_EQ(MySetDefaultPrinter(0, 1, longest.c_str()), 1);
}

TEST(OmbrelDefaultPrinter, SpoolerLibraryComesFromTheSystemDirectory) {
  OmbrelSystem sys("xp", "[directories]\nSystem=C:\\WINNT\\System32\n");
  char path[kMaxPath] = {};
  ASSERT_TRUE(ombrel::SpoolerLibraryPath(path));
  EXPECT_STREQ(path, "C:\\WINNT\\System32\\WinSpool.drv");

  // With that system directory the spooler is still found by its full path.
  sys.AddDriver("Brevant PS");
  sys.AddPrinter("Office", "Brevant PS", "COM2:");
  EXPECT_NE(MySetDefaultPrinter(0, 1, "Office"), 0);
  EXPECT_EQ(OmbrelSystem::DeviceEntry(), "Office,winspool,COM2:");
}

TEST(OmbrelDefaultPrinter, ProfileEntryThatWouldBeCutIsNotWritten) {
  OmbrelSystem sys("nt4");
  sys.AddDriver("Brevant PS");
  std::string name = ombrel_test::NameOfLength(250);
  sys.AddPrinter(name, "Brevant PS");
  EXPECT_EQ(ombrel::SetDefaultPrinterByProfile(name.c_str()), 0);
  EXPECT_EQ(OmbrelSystem::DeviceEntry(), "");
}

}  // namespace
