// The simulated printer UI run in-process: rundll32's module and entry
// checks, PrintUIEntry's boxes for refused requests, and /if installing a
// driver and a printer from an INF through the simulated spooler.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/win32.h"
#include "support/cab_builder.h"
#include "support/temp_root.h"
#include "tools/winsim-printui/install.h"
#include "tools/winsim-printui/rundll.h"

namespace {

namespace fs = std::filesystem;

constexpr char kDriversKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-3\\";
constexpr char kVersionDir[] = "WINDOWS/system32/spool/drivers/w32x86/3/";

constexpr char kInf[] =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\nProvider=%ACME%\r\n"
    "[Manufacturer]\r\n%ACME%=Acme,NTx86\r\n"
    "[Acme.NTx86]\r\n\"Acme 100 PS\" = ACME100, USBPRINT\\Acme100\r\n"
    "\"Acme 200 PS\" = ACME200, USBPRINT\\Acme200\r\n"
    "[ACME100]\r\nCopyFiles=@A100.PPD,ACME_FILES,CORE_FILES\r\nDataSection=CORE_DATA\r\n"
    "DataFile=A100.PPD\r\n"
    "[ACME200]\r\nCopyFiles=@A200.PPD,@LOST.DLL\r\nDataSection=CORE_DATA\r\n"
    "[ACME_FILES]\r\nACMEUI.DLL\r\n"
    "[CORE_FILES]\r\nCORE.DLL\r\nCOREUI.DLL\r\n"
    "[CORE_DATA]\r\nDriverFile=CORE.DLL\r\nConfigFile=COREUI.DLL\r\n"
    "[DestinationDirs]\r\nDefaultDestDir=66000\r\n"
    "[SourceDisksNames]\r\n1=%DISK%,,,\\drivers\r\n"
    "[SourceDisksFiles]\r\nACMEUI.DLL=1\r\n"
    "[Strings]\r\nACME=\"Acme\"\r\nDISK=\"Acme disk\"\r\n";

class PrintUiInstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_.WriteSystemIni("[version]\nPlatformId=2\nMajorVersion=5\nMinorVersion=1\n");
    root_.WriteDriveC("WINDOWS/system32/printui.dll", "MZ");
    root_.WriteDriveC("kit/acme.inf", kInf);
    root_.WriteDriveC("kit/A100.PPD", "ppd");
    root_.WriteDriveC("kit/A200.PPD", "ppd");
    root_.WriteDriveC("kit/drivers/ACMEUI.DLL", "ui");
    root_.WriteDriveC("WINDOWS/Driver Cache/i386/driver.cab",
                      kit_test::CabBuilder().Add("OTHER.DLL", "x").Add("CORE.DLL", "core")
                          .Add("COREUI.DLL", "coreui").Build());
  }

  int Entry(const std::string& arguments) { return printui::PrintUiEntry(arguments); }

  std::string Install(const std::string& model, const std::string& port = "LPT1:",
                      const std::string& inf = "C:\\kit\\acme.inf") {
    return "/if /b \"Office\" /f " + inf + " /r \"" + port + "\" /m \"" + model + "\"";
  }

  std::string DriverValue(const std::string& driver, const char* value) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kDriversKey + driver).c_str(), 0, KEY_READ, &key) != 0) {
      return "<no driver>";
    }
    char data[2048] = {};
    DWORD size = sizeof data, type = 0;
    LONG rc = RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<LPBYTE>(data), &size);
    RegCloseKey(key);
    if (rc != 0) return "<no value>";
    std::string text(data, size);
    for (char& c : text) c = c == '\0' ? '|' : c;
    return text;
  }

  std::string DefaultPrinter() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
                      0, KEY_READ, &key) != 0) {
      return "";
    }
    char data[512] = {};
    DWORD size = sizeof data - 1, type = 0;
    RegQueryValueExA(key, "Device", nullptr, &type, reinterpret_cast<LPBYTE>(data), &size);
    RegCloseKey(key);
    return data;
  }

  /// The printer's port and driver, or "" when there is no such printer.
  std::string Printer(const char* name) {
    HANDLE printer = nullptr;
    if (!OpenPrinterA(const_cast<char*>(name), &printer, nullptr)) return "";
    alignas(8) BYTE buffer[4096];
    DWORD needed = 0;
    std::string out;
    if (GetPrinterA(printer, 2, buffer, sizeof buffer, &needed)) {
      auto* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer);
      out = std::string(info->pPortName) + " " + info->pDriverName;
    }
    ClosePrinter(printer);
    return out;
  }

  kit_test::TempRoot root_;
};

TEST_F(PrintUiInstallTest, InstallsTheModelFromTheInfFolderAndTheDriverCache) {
  EXPECT_EQ(Entry(Install("acme 100 ps")), 0);
  EXPECT_EQ(root_.ReadEvents(), "");
  EXPECT_EQ(Printer("Office"), "LPT1: Acme 100 PS");
  EXPECT_EQ(DriverValue("Acme 100 PS", "Driver"), "CORE.DLL|");
  EXPECT_EQ(DriverValue("Acme 100 PS", "Configuration File"), "COREUI.DLL|");
  EXPECT_EQ(DriverValue("Acme 100 PS", "Data File"), "A100.PPD|");
  EXPECT_EQ(DriverValue("Acme 100 PS", "Dependent Files"), "ACMEUI.DLL||");
  EXPECT_EQ(DriverValue("Acme 100 PS", "Manufacturer"), "Acme|");
  EXPECT_EQ(DriverValue("Acme 100 PS", "HardwareID"), "USBPRINT\\Acme100|");
  for (const char* file : {"CORE.DLL", "COREUI.DLL", "A100.PPD", "ACMEUI.DLL"}) {
    EXPECT_TRUE(fs::exists(root_.DriveC(std::string(kVersionDir) + file))) << file;
  }
  EXPECT_FALSE(fs::exists(root_.DriveC(std::string(kVersionDir) + "OTHER.DLL")));
}

TEST_F(PrintUiInstallTest, FailuresShowTheBoxWithWindowsErrorCode) {
  struct Case {
    const char* name;
    std::string arguments;
    const char* text;  // a part of the box's text
    bool driver_registered;
  } cases[] = {
      {"unknown model", Install("Acme 300 PS"),
       "The printer driver is unknown. (error 0x00000705)\nAcme 300 PS", false},
      {"file in neither place", Install("Acme 200 PS"),
       "The system cannot find the file specified. (error 0x00000002)\nLOST.DLL", false},
      {"missing INF", Install("Acme 100 PS", "LPT1:", "C:\\kit\\none.inf"),
       "(error 0x00000002)\nC:\\kit\\none.inf", false},
      {"unknown port", Install("Acme 100 PS", "USB099"),
       "The specified port is unknown. (error 0x00000704)", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(root_.dir() + "/events.jsonl");
    EXPECT_EQ(Entry(c.arguments), 1);
    std::string events = root_.ReadEvents();
    EXPECT_NE(events.find("\"caption\":\"Printer User Interface\""), std::string::npos) << events;
    std::string json_text;
    for (char ch : std::string(c.text)) json_text += ch == '\n' ? std::string("\\n")
                                                  : ch == '\\' ? std::string("\\\\")
                                                               : std::string(1, ch);
    EXPECT_NE(events.find(json_text), std::string::npos) << events;
    EXPECT_EQ(Printer("Office"), "");
    EXPECT_EQ(DriverValue("Acme 100 PS", "Driver") != "<no driver>", c.driver_registered);
  }
}

TEST_F(PrintUiInstallTest, QuietModeShowsNothingAndAnExistingPrinterIsRefused) {
  EXPECT_EQ(Entry(Install("Acme 300 PS") + " /q"), 1);
  EXPECT_EQ(root_.ReadEvents(), "");
  EXPECT_EQ(Entry(Install("Acme 100 PS")), 0);
  EXPECT_EQ(Entry(Install("Acme 100 PS")), 1);  // a second "Office"
  EXPECT_NE(root_.ReadEvents().find("The printer already exists. (error 0x0000070A)"),
            std::string::npos)
      << root_.ReadEvents();
}

TEST_F(PrintUiInstallTest, UseExistingDriverNeedsNoInfAndOnlyTheFirstPrinterBecomesDefault) {
  EXPECT_EQ(Entry(Install("Acme 100 PS")), 0);
  EXPECT_EQ(DefaultPrinter().rfind("Office,", 0), 0u) << DefaultPrinter();
  std::string second = "/if /u /b Second /f C:\\kit\\none.inf /r LPT2: /m \"Acme 100 PS\"";
  EXPECT_EQ(Entry(second), 0);
  EXPECT_EQ(Printer("Second"), "LPT2: Acme 100 PS");
  EXPECT_EQ(DefaultPrinter().rfind("Office,", 0), 0u) << DefaultPrinter();
  // Without /u the INF is read again, and it is not there.
  EXPECT_EQ(Entry("/if /b Third /f C:\\kit\\none.inf /r LPT2: /m \"Acme 100 PS\""), 1);
  EXPECT_EQ(Printer("Third"), "");
}

TEST_F(PrintUiInstallTest, RefusedRequestsShowTheirBox) {
  struct Case {
    const char* command;
    const char* text;
  } cases[] = {
      {"printui.dll,PrintUIEntry /if /zap", "The arguments are invalid."},
      {"printui.dll,PrintUIEntry /if /b P /f C:\\kit\\acme.inf /m \"Acme 100 PS\"",
       "The arguments are invalid."},  // no port
      {"printui.dll,PrintUIEntry /dl /n P", "winsim does not simulate PrintUIEntry /dl /n."},
      {"printui.dll,printuientry /if", "Error in printui.dll\\nMissing entry:printuientry"},
      {"PRINTUI.DLL,PrintUIEntryW /zap", "The arguments are invalid."},
      {"shell32.dll,Control_RunDLL", "Error loading shell32.dll\\nThe specified module could not be found."},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(root_.dir() + "/events.jsonl");
    EXPECT_EQ(printui::RunDll32(c.command), 1) << c.command;
    EXPECT_NE(root_.ReadEvents().find(c.text), std::string::npos)
        << c.command << "\n" << root_.ReadEvents();
  }
  std::filesystem::remove(root_.DriveC("WINDOWS/system32/printui.dll"));
  EXPECT_EQ(printui::RunDll32("printui.dll,PrintUIEntry /if"), 1);
  EXPECT_NE(root_.ReadEvents().find("Error loading printui.dll"), std::string::npos);
}

TEST_F(PrintUiInstallTest, TheInfPathIsFullOrLookedForInTheInfDirectory) {
  EXPECT_EQ(printui::InfPath("C:\\kit\\a.inf"), "C:\\kit\\a.inf");
  EXPECT_EQ(printui::InfPath("ntprint.inf"), "C:\\WINDOWS\\inf\\ntprint.inf");
  root_.WriteDriveC("WINDOWS/inf/acme.inf", kInf);
  root_.WriteDriveC("WINDOWS/inf/A100.PPD", "ppd");
  root_.WriteDriveC("WINDOWS/inf/drivers/ACMEUI.DLL", "ui");
  EXPECT_EQ(Entry("/if /b Office /f acme.inf /r LPT1: /m \"Acme 100 PS\""), 0);
  EXPECT_EQ(Printer("Office"), "LPT1: Acme 100 PS");
}

}  // namespace
