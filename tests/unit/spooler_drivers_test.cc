// Printer drivers of the simulated spooler: registration with its file
// checks and copies, deletion with and without the files, and the driver
// directory.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "spooler_test_support.h"

namespace {

using kit_test::kPoison;
using namespace std::string_literals;

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class SpoolerDriversTest : public kit_test::SpoolerTest {
 protected:
  winsim::spooler::DriverRecord Read(const std::string& name, bool* found) {
    winsim::spooler::DriverRecord r;
    winsim::Transaction tx(winsim::Transaction::kRead);
    *found = tx.status() == 0 && winsim::spooler::ReadDriver(tx.db(), name, &r) == 0;
    return r;
  }
  bool Installed(const std::string& name) {
    bool found = false;
    Read(name, &found);
    return found;
  }
};

TEST_F(SpoolerDriversTest, RegistersEveryFieldAndCopiesTheFilesIntoTheVersionDirectory) {
  std::vector<std::string> deps;
  std::string list;
  for (int i = 0; i < 40; ++i) {  // far more than 260 bytes of names
    deps.push_back("BRVMODEL" + std::to_string(i) + ".GPD");
    list += deps.back() + '\0';
    PlaceDriverFile(deps.back(), "gpd " + std::to_string(i));
  }
  for (const char* f : {"DRV.DLL", "MODEL.PPD", "UI.DLL", "DRV.HLP"}) PlaceDriverFile(f, f);
  DriverInfo d;
  d.name = "Brevant TR-2210";
  d.help = "DRV.HLP";
  d.dependents = list;
  DRIVER_INFO_6A* info = d.Fill();
  char mfg[] = "Brevant", hwid[] = "BrevantTR1", raw[] = "RAW", empty[] = "";
  info->pszMfgName = mfg;
  info->pszProvider = mfg;
  info->pszHardwareID = hwid;
  info->pDefaultDataType = raw;
  info->pMonitorName = empty;
  ASSERT_TRUE(AddPrinterDriverExA(nullptr, 6, reinterpret_cast<LPBYTE>(info), APD_COPY_ALL_FILES));

  bool found = false;
  winsim::spooler::DriverRecord r = Read("brevant tr-2210", &found);
  ASSERT_TRUE(found);
  EXPECT_EQ(r.name, "Brevant TR-2210");
  EXPECT_EQ(r.version, 3u);
  EXPECT_EQ(r.driver_file, "DRV.DLL");
  EXPECT_EQ(r.data_file, "MODEL.PPD");
  EXPECT_EQ(r.config_file, "UI.DLL");
  EXPECT_EQ(r.help_file, "DRV.HLP");
  EXPECT_EQ(r.dependent_files, deps);
  EXPECT_EQ(r.manufacturer, "Brevant");
  EXPECT_EQ(r.provider, "Brevant");
  EXPECT_EQ(r.hardware_id, "BrevantTR1");
  EXPECT_EQ(r.datatype, "RAW");
  for (const char* f : {"DRV.DLL", "MODEL.PPD", "UI.DLL", "DRV.HLP", "BRVMODEL39.GPD"}) {
    EXPECT_TRUE(InVersionDir(f)) << f;
    EXPECT_TRUE(InDriverDir(f)) << f;
  }
}

TEST_F(SpoolerDriversTest, RegistrationRefusalsLeaveNothingRegistered) {
  ASSERT_TRUE(AddDriver("Existing"));
  struct Case {
    const char* what;
    std::string name, environment, data, dependents;
    DWORD level, error;
  } cases[] = {
      {"level 3", "New", "", "MODEL.PPD", "", 3, ERROR_INVALID_LEVEL},
      {"other environment", "New", "Windows 4.0", "MODEL.PPD", "", 6, ERROR_INVALID_ENVIRONMENT},
      {"already installed", "EXISTING", "", "MODEL.PPD", "", 6, ERROR_PRINTER_DRIVER_ALREADY_INSTALLED},
      {"missing dependent", "New", "Windows NT x86", "MODEL.PPD", "GONE.DLL\0"s, 6, ERROR_FILE_NOT_FOUND},
      {"outside the directory", "New", "", "C:\\kit\\MODEL.PPD", "", 6, ERROR_FILE_NOT_FOUND},
      {"escaping the directory", "New", "", "..\\..\\MODEL.PPD", "", 6, ERROR_FILE_NOT_FOUND},
      {"no data file", "New", "", "", "", 6, ERROR_INVALID_PARAMETER},
      {"no name", "", "", "MODEL.PPD", "", 6, ERROR_INVALID_PARAMETER},
  };
  root_.WriteDriveC("kit/MODEL.PPD", "elsewhere");
  for (const char* f : {"DRV.DLL", "MODEL.PPD", "UI.DLL"}) PlaceDriverFile(f);
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    DriverInfo d;
    d.name = c.name;
    d.data = c.data;
    d.dependents = c.dependents;
    DRIVER_INFO_6A* info = d.Fill();
    info->pEnvironment = c.environment.data();
    SetLastError(kPoison);
    EXPECT_FALSE(AddPrinterDriverExA(nullptr, c.level, reinterpret_cast<LPBYTE>(info), APD_COPY_ALL_FILES));
    EXPECT_EQ(GetLastError(), c.error);
    if (!c.name.empty() && c.error != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) {
      EXPECT_FALSE(Installed(c.name));
    }
  }
  // A refused registration leaves the files where they were.
  EXPECT_TRUE(InDriverDir("DRV.DLL"));
}

TEST_F(SpoolerDriversTest, APathIntoTheDriverDirectoryIsRecordedAsABareName) {
  PlaceDriverFile("DRV.DLL");
  PlaceDriverFile("MODEL.PPD");
  PlaceDriverFile("UI.DLL");
  DriverInfo d;
  d.name = "D";
  d.driver = "c:\\windows\\SYSTEM32\\spool\\drivers\\w32x86\\DRV.DLL";
  ASSERT_TRUE(AddPrinterDriverExA(nullptr, 6, reinterpret_cast<LPBYTE>(d.Fill()), 0));
  bool found = false;
  EXPECT_EQ(Read("D", &found).driver_file, "DRV.DLL");
  EXPECT_TRUE(InVersionDir("DRV.DLL"));
}

TEST_F(SpoolerDriversTest, OnlyCopyAllFilesReplacesANewerInstalledFile) {
  ASSERT_TRUE(AddDriver("First"));
  auto installed = [this] {
    return FileText(root_.DriveC(std::string(kDriverDir) + "/3/DRV.DLL"));
  };
  ASSERT_EQ(installed(), "stand-in");
  auto offer = [this](const char* name, DWORD flags) {
    for (const char* f : {"DRV.DLL", "MODEL.PPD", "UI.DLL"}) PlaceDriverFile(f, "older");
    std::string path = root_.DriveC(std::string(kDriverDir) + "/DRV.DLL");
    std::filesystem::last_write_time(
        path, std::filesystem::last_write_time(path) - std::chrono::hours(1));
    DriverInfo d;
    d.name = name;
    return AddPrinterDriverExA(nullptr, 6, reinterpret_cast<LPBYTE>(d.Fill()), flags);
  };
  ASSERT_TRUE(offer("Second", 0));
  EXPECT_EQ(installed(), "stand-in");
  ASSERT_TRUE(offer("Third", APD_COPY_ALL_FILES));
  EXPECT_EQ(installed(), "older");
}

TEST_F(SpoolerDriversTest, DeletionRefusesUnknownAndUsedDrivers) {
  ASSERT_TRUE(AddDriver("Used"));
  HANDLE printer = AddPrinter("P", "Used");
  ASSERT_NE(printer, nullptr);
  char used[] = "used", unknown[] = "Unknown", other_env[] = "Windows IA64";
  SetLastError(kPoison);
  EXPECT_FALSE(DeletePrinterDriverExA(nullptr, nullptr, unknown, DPD_DELETE_ALL_FILES, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PRINTER_DRIVER));
  SetLastError(kPoison);
  EXPECT_FALSE(DeletePrinterDriverA(nullptr, nullptr, unknown));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PRINTER_DRIVER));
  SetLastError(kPoison);
  EXPECT_FALSE(DeletePrinterDriverExA(nullptr, nullptr, used, DPD_DELETE_ALL_FILES, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_DRIVER_IN_USE));
  SetLastError(kPoison);
  EXPECT_FALSE(DeletePrinterDriverA(nullptr, nullptr, used));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_DRIVER_IN_USE));
  SetLastError(kPoison);
  EXPECT_FALSE(DeletePrinterDriverExA(nullptr, other_env, used, 0, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ENVIRONMENT));
  SetLastError(kPoison);
  EXPECT_FALSE(DeletePrinterDriverExA(nullptr, nullptr, used, DPD_DELETE_SPECIFIC_VERSION, 2));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNKNOWN_PRINTER_DRIVER));
  EXPECT_TRUE(Installed("Used"));

  ASSERT_TRUE(DeletePrinter(printer));
  ASSERT_TRUE(ClosePrinter(printer));
  EXPECT_TRUE(DeletePrinterDriverExA(nullptr, nullptr, used, DPD_DELETE_SPECIFIC_VERSION, 3));
  EXPECT_FALSE(Installed("Used"));
}

TEST_F(SpoolerDriversTest, DeletingAllFilesKeepsThoseAnotherDriverNames) {
  auto add = [this](const char* name, const char* own) {
    PlaceDriverFile("SHARED.DLL");
    PlaceDriverFile(own);
    return AddDriver(name, "SHARED.DLL\0"s + own + '\0');
  };
  ASSERT_TRUE(add("First", "OWN1.DLL"));
  ASSERT_TRUE(add("Twin", "OWN1.DLL"));
  ASSERT_TRUE(add("Second", "OWN2.DLL"));

  char first[] = "First", twin[] = "Twin", second[] = "second";
  ASSERT_TRUE(DeletePrinterDriverA(nullptr, nullptr, twin));  // keeps every file
  EXPECT_TRUE(InVersionDir("OWN1.DLL"));

  ASSERT_TRUE(DeletePrinterDriverExA(nullptr, nullptr, second, DPD_DELETE_ALL_FILES, 0));
  EXPECT_FALSE(Installed("Second"));
  EXPECT_FALSE(InVersionDir("OWN2.DLL"));
  EXPECT_FALSE(InDriverDir("OWN2.DLL"));  // nor its staged copy
  // Still named by "First": the shared file and the three main files stay.
  const char* kept[] = {"SHARED.DLL", "DRV.DLL", "MODEL.PPD", "UI.DLL", "OWN1.DLL"};
  for (const char* f : kept) {
    EXPECT_TRUE(InVersionDir(f)) << f;
    EXPECT_TRUE(InDriverDir(f)) << f;
  }

  ASSERT_TRUE(DeletePrinterDriverExA(nullptr, nullptr, first, DPD_DELETE_UNUSED_FILES, 0));
  for (const char* f : kept) {
    EXPECT_FALSE(InVersionDir(f)) << f;
    EXPECT_FALSE(InDriverDir(f)) << f;
  }
}

TEST_F(SpoolerDriversTest, TheDriverDirectoryIsSizedLikeEveryBufferAndCreated) {
  const std::string expected = "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86";
  std::filesystem::remove_all(root_.DriveC(kDriverDir));
  DWORD needed = 0;
  char small[8] = "xxxxxxx";
  SetLastError(kPoison);
  EXPECT_FALSE(GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(small),
                                          sizeof small, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(needed, expected.size() + 1);
  EXPECT_STREQ(small, "xxxxxxx");

  std::vector<char> exact(needed, 'x');
  ASSERT_TRUE(GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(exact.data()),
                                         needed, &needed));
  EXPECT_EQ(std::string(exact.data()), expected);
  EXPECT_TRUE(std::filesystem::is_directory(root_.DriveC(kDriverDir)));

  char env[] = "Windows 4.0";
  SetLastError(kPoison);
  EXPECT_FALSE(GetPrinterDriverDirectoryA(nullptr, env, 1, reinterpret_cast<LPBYTE>(exact.data()),
                                          needed, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ENVIRONMENT));
  SetLastError(kPoison);
  EXPECT_FALSE(GetPrinterDriverDirectoryA(nullptr, nullptr, 2, reinterpret_cast<LPBYTE>(exact.data()),
                                          needed, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
}

}  // namespace
