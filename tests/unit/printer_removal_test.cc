// UninstallPrinter, its removal steps, and IsPrinterInstalled.
#include "utility/printer_removal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ombrel_test_support.h"
#include "unit/sequence_printers.h"
#include "utility/exports.h"

namespace {

using ombrel_test::OmbrelSystem;
using Captions = std::vector<std::string>;

// The spooler keeps its drivers where Windows does, one registry key each.
bool DriverInstalled(const std::string& name) {
  std::string path =
      "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\"
      "Version-3\\" +
      name;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

TEST(OmbrelPrinterRemoval, RemovesEveryPrinterOfTheDriverAndTheDriver) {
  OmbrelSystem sys("2000");
  sys.AddDriver("Brevant PS");
  sys.AddDriver("Other PS");
  sys.AddPrinter("Zeta", "Brevant PS", "LPT1:");
  sys.AddPrinter("Alpha", "Brevant PS", "LPT2:");
  sys.AddPrinter("Middle", "Other PS", "LPT3:");
  ASSERT_NE(MySetDefaultPrinter(0, 1, "Zeta"), 0);

  EXPECT_EQ(UninstallPrinter(0, 0, "Brevant PS"), 0);

  EXPECT_FALSE(OmbrelSystem::PrinterExists("Zeta"));
  EXPECT_FALSE(OmbrelSystem::PrinterExists("Alpha"));
  EXPECT_TRUE(OmbrelSystem::PrinterExists("Middle"));
  EXPECT_FALSE(DriverInstalled("Brevant PS"));
  EXPECT_EQ(OmbrelSystem::DeviceEntry(), "Middle,winspool,LPT3:");
  auto broadcasts = sys.EventsOf("Broadcast");
  ASSERT_EQ(broadcasts.size(), 1u);
  EXPECT_EQ(broadcasts[0].Num("message"), WM_WININICHANGE);
  EXPECT_EQ(broadcasts[0].Num("timeout"), 1000);
  EXPECT_TRUE(sys.BoxCaptions().empty());
}

TEST(OmbrelPrinterRemoval, ASpoolerThatCannotBeLoadedFailsEachExportAsASpoolerError) {
  // The Windows build delay-loads the spooler: one that cannot be loaded
  // must fail the export (126 and its box), not end the calling program.
  OmbrelSystem sys("2000");
  sys.AddDriver("Brevant PS");
  sys.AddPrinter("Zeta", "Brevant PS", "LPT1:");
  sys.root().WriteSystemIni(ombrel_test::VersionIni("2000") + "[faults]\nLoadLibraryA=2\n");

  SetLastError(0);
  EXPECT_EQ(IsPrinterInstalled(0, 0, "Zeta"), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_TRUE(sys.BoxCaptions().empty());  // this export never shows one

  EXPECT_EQ(UninstallPrinter(0, 0, "Brevant PS"), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(sys.BoxCaptions(), Captions{"Ombrel.Dll"});
  EXPECT_TRUE(DriverInstalled("Brevant PS"));

  EXPECT_EQ(MySetDefaultPrinter(0, 1, "Zeta"), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(sys.BoxCaptions(), (Captions{"Ombrel.Dll", "Ombrel.Dll"}));
}

TEST(OmbrelPrinterRemoval, PrintersAreDeletedInEnumerationOrder) {
  // The first deletion fails: in enumeration order that is "Alpha", which
  // stays, keeps its driver in use, and so stops the default change.
  OmbrelSystem sys("2000", "[faults]\nDeletePrinter#1=5\n");
  sys.AddDriver("Brevant PS");
  sys.AddPrinter("Zeta", "Brevant PS");
  sys.AddPrinter("Alpha", "Brevant PS");

  EXPECT_EQ(UninstallPrinter(0, 0, "Brevant PS"), 0);

  EXPECT_TRUE(OmbrelSystem::PrinterExists("Alpha"));
  EXPECT_FALSE(OmbrelSystem::PrinterExists("Zeta"));
  // DeletePrinter's failure is silent; the driver still in use is not.
  EXPECT_EQ(sys.BoxCaptions(), Captions{"Ombrel.Dll"});
  EXPECT_TRUE(sys.EventsOf("Broadcast").empty());
  EXPECT_EQ(OmbrelSystem::DeviceEntry(), "");
}

TEST(OmbrelPrinterRemoval, DriverNotInstalledCountsAsRemoved) {
  OmbrelSystem sys("2000");
  sys.AddDriver("Other PS");
  sys.AddPrinter("Kept", "Other PS", "COM1:");

  EXPECT_EQ(ombrel::RemoveDriverByName("Never Installed"), 1);
  EXPECT_EQ(UninstallPrinter(0, 0, "Never Installed"), 0);

  EXPECT_TRUE(OmbrelSystem::PrinterExists("Kept"));
  EXPECT_EQ(OmbrelSystem::DeviceEntry(), "Kept,winspool,COM1:");
  EXPECT_EQ(sys.EventsOf("Broadcast").size(), 1u);
  EXPECT_TRUE(sys.BoxCaptions().empty());
}

TEST(OmbrelPrinterRemoval, DriverNameMatchesPrintersByExactCase) {
  OmbrelSystem sys("2000");
  sys.AddDriver("Brevant PS");
  sys.AddPrinter("Office", "Brevant PS");

  EXPECT_EQ(ombrel::RemovePrintersUsingDriver("brevant ps"), 1);
  EXPECT_TRUE(OmbrelSystem::PrinterExists("Office"));

  // The driver deletion is still attempted, and refused while in use.
  EXPECT_EQ(UninstallPrinter(0, 0, "BREVANT PS"), 0);
  EXPECT_TRUE(OmbrelSystem::PrinterExists("Office"));
  EXPECT_EQ(sys.BoxCaptions(), Captions{"Ombrel.Dll"});
  EXPECT_TRUE(sys.EventsOf("Broadcast").empty());
}

TEST(OmbrelPrinterRemoval, NoPrinterLeftKeepsNoDefaultButStillBroadcasts) {
  OmbrelSystem sys("2000");
  sys.AddDriver("Brevant PS");
  sys.AddPrinter("Only", "Brevant PS");
  ASSERT_NE(MySetDefaultPrinter(0, 1, "Only"), 0);

  EXPECT_EQ(UninstallPrinter(0, 0, "Brevant PS"), 0);

  EXPECT_FALSE(OmbrelSystem::PrinterExists("Only"));
  EXPECT_EQ(OmbrelSystem::DeviceEntry(), "");
  EXPECT_EQ(sys.EventsOf("Broadcast").size(), 1u);
}

TEST(OmbrelPrinterRemoval, FirstRemainingPrinterBecomesDefaultOverAnUntouchedOne) {
  OmbrelSystem sys("2000");
  sys.AddDriver("Brevant PS");
  sys.AddDriver("Other PS");
  sys.AddPrinter("Removed", "Brevant PS");
  sys.AddPrinter("Another", "Other PS", "LPT2:");
  sys.AddPrinter("Previous", "Other PS", "LPT3:");
  ASSERT_NE(MySetDefaultPrinter(0, 1, "Previous"), 0);

  EXPECT_EQ(UninstallPrinter(0, 0, "Brevant PS"), 0);
  EXPECT_EQ(OmbrelSystem::DeviceEntry(), "Another,winspool,LPT2:");
}

TEST(OmbrelPrinterRemoval, FailedEnumerationDeletesNothing) {
  OmbrelSystem sys("2000", "[faults]\nEnumPrintersA#2=1722\n");
  sys.AddDriver("Brevant PS");
  sys.AddPrinter("Office", "Brevant PS");

  EXPECT_EQ(UninstallPrinter(0, 0, "Brevant PS"), 0);

  EXPECT_TRUE(OmbrelSystem::PrinterExists("Office"));
  EXPECT_EQ(sys.BoxCaptions(), Captions{"Ombrel.Dll"});
  EXPECT_TRUE(sys.EventsOf("Broadcast").empty());
}

TEST(OmbrelPrinterRemoval, PrinterThatCannotBeOpenedIsReportedAndTheWalkGoesOn) {
  OmbrelSystem sys("2000", "[faults]\nOpenPrinterA#1=5\n");
  sys.AddDriver("Brevant PS");
  sys.AddPrinter("Alpha", "Brevant PS");
  sys.AddPrinter("Beta", "Brevant PS");

  EXPECT_EQ(UninstallPrinter(0, 0, "Brevant PS"), 0);

  EXPECT_TRUE(OmbrelSystem::PrinterExists("Alpha"));
  EXPECT_FALSE(OmbrelSystem::PrinterExists("Beta"));
  // One box for the printer, one for the driver that is still in use.
  EXPECT_EQ(sys.BoxCaptions(), (Captions{"Ombrel.Dll", "Ombrel.Dll"}));
  EXPECT_TRUE(sys.EventsOf("Broadcast").empty());
}

TEST(OmbrelPrinterRemoval, APrinterNameTooLongToOpenIsReportedAndTheWalkGoesOn) {
  OmbrelSystem sys("2000");
  sys.AddDriver("Brevant PS");
  // Written straight into the spooler's keys: no 260-character name can be
  // opened, so it sorts first and the printer after it must still go.
  std::string too_long = "A" + ombrel_test::NameOfLength(259, 'a');
  kit_test::AddPrinterRecord(too_long, "Brevant PS");
  sys.AddPrinter("Beta", "Brevant PS");

  EXPECT_EQ(UninstallPrinter(0, 0, "Brevant PS"), 0);

  EXPECT_FALSE(OmbrelSystem::PrinterExists("Beta"));
  EXPECT_TRUE(DriverInstalled("Brevant PS"));  // still used by the long one
  auto boxes = sys.EventsOf("MessageBox");
  ASSERT_EQ(boxes.size(), 2u);  // the printer, then the driver in use
  EXPECT_EQ(boxes[0].Str("caption"), "Ombrel.Dll");
  EXPECT_EQ(boxes[0].Str("text"), "The printer name is invalid.\r\n");  // error 1801
  EXPECT_TRUE(sys.EventsOf("Broadcast").empty());
}

TEST(OmbrelPrinterRemoval, RefusedDriverNamesChangeNothing) {
  OmbrelSystem sys("2000");
  sys.AddDriver("Brevant PS");
  std::string too_long = ombrel_test::NameOfLength(260);
  EXPECT_EQ(UninstallPrinter(0, 0, too_long.c_str()), 0);
  EXPECT_EQ(UninstallPrinter(0, 0, nullptr), 0);
  EXPECT_TRUE(sys.Events().empty());
  EXPECT_TRUE(DriverInstalled("Brevant PS"));
}

TEST(OmbrelPrinterPresence, AnswersWhetherThePrinterOpens) {
  OmbrelSystem sys("2000");
  sys.AddDriver("Brevant PS");
  sys.AddPrinter("Office", "Brevant PS", "LPT1:", PRINTER_ATTRIBUTE_SHARED);

  EXPECT_EQ(IsPrinterInstalled(0, 0, "Office"), 1);
  EXPECT_EQ(OmbrelSystem::PrinterAttributes("Office"),
            static_cast<DWORD>(PRINTER_ATTRIBUTE_SHARED));
  EXPECT_EQ(IsPrinterInstalled(0, 0, "Elsewhere"), 0);
  std::string longest = ombrel_test::NameOfLength(259);
  EXPECT_EQ(IsPrinterInstalled(0, 0, longest.c_str()), 0);
  std::string too_long = ombrel_test::NameOfLength(260);
  EXPECT_EQ(IsPrinterInstalled(0, 0, too_long.c_str()), 0);
  EXPECT_EQ(IsPrinterInstalled(0, 0, nullptr), 0);
  EXPECT_TRUE(sys.Events().empty());
}

}  // namespace
