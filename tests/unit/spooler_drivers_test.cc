// Printer drivers of the simulated spooler: registration with its file
// checks and copies, deletion with and without the files, and the driver
// directory.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
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
    DWORD flags = APD_COPY_ALL_FILES;
  } cases[] = {
      {"level 5", "New", "", "MODEL.PPD", "", 5, ERROR_INVALID_LEVEL},
      {"level 7", "New", "", "MODEL.PPD", "", 7, ERROR_INVALID_LEVEL},
      {"other environment", "New", "Windows 4.0", "MODEL.PPD", "", 6, ERROR_INVALID_ENVIRONMENT},
      // Without a copy flag an installed driver is not replaced.
      {"already installed", "EXISTING", "", "MODEL.PPD", "", 6, ERROR_PRINTER_DRIVER_ALREADY_INSTALLED, 0},
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
    EXPECT_FALSE(AddPrinterDriverExA(nullptr, c.level, reinterpret_cast<LPBYTE>(info), c.flags));
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

TEST_F(SpoolerDriversTest, DeletingUnusedFilesKeepsThoseAnotherDriverNames) {
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

  ASSERT_TRUE(DeletePrinterDriverExA(nullptr, nullptr, second, DPD_DELETE_UNUSED_FILES, 0));
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

TEST_F(SpoolerDriversTest, DeletingAllFilesFailsWhileAnotherDriverNamesOneOfThem) {
  // Two PostScript drivers: each has its own PPD, both use the same core.
  auto add = [this](const char* name, const char* ppd) {
    for (const char* f : {"PSCRIPT5.DLL", "PS5UI.DLL", ppd}) PlaceDriverFile(f);
    DriverInfo d;
    d.name = name;
    d.driver = "PSCRIPT5.DLL";
    d.config = "PS5UI.DLL";
    d.data = ppd;
    return AddPrinterDriverExA(nullptr, 6, reinterpret_cast<LPBYTE>(d.Fill()), APD_COPY_ALL_FILES);
  };
  ASSERT_TRUE(add("First PS", "FIRST.PPD"));
  ASSERT_TRUE(add("Second PS", "SECOND.PPD"));
  char first[] = "First PS", second[] = "Second PS";

  SetLastError(kPoison);
  EXPECT_FALSE(DeletePrinterDriverExA(nullptr, nullptr, first, DPD_DELETE_ALL_FILES, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_DRIVER_IN_USE));
  EXPECT_TRUE(Installed("First PS"));
  for (const char* f : {"PSCRIPT5.DLL", "PS5UI.DLL", "FIRST.PPD"}) EXPECT_TRUE(InVersionDir(f)) << f;
  // Both flags together: the stricter one rules.
  EXPECT_FALSE(DeletePrinterDriverExA(nullptr, nullptr, first,
                                      DPD_DELETE_ALL_FILES | DPD_DELETE_UNUSED_FILES, 0));
  EXPECT_TRUE(Installed("First PS"));

  ASSERT_TRUE(DeletePrinterDriverExA(nullptr, nullptr, first, DPD_DELETE_UNUSED_FILES, 0));
  EXPECT_FALSE(Installed("First PS"));
  EXPECT_FALSE(InVersionDir("FIRST.PPD"));
  for (const char* f : {"PSCRIPT5.DLL", "PS5UI.DLL", "SECOND.PPD"}) EXPECT_TRUE(InVersionDir(f)) << f;

  // The last driver of the core shares nothing any more: it goes with all of it.
  ASSERT_TRUE(DeletePrinterDriverExA(nullptr, nullptr, second, DPD_DELETE_ALL_FILES, 0));
  for (const char* f : {"PSCRIPT5.DLL", "PS5UI.DLL", "SECOND.PPD"}) EXPECT_FALSE(InVersionDir(f)) << f;
}

TEST_F(SpoolerDriversTest, AnotherSpellingOfAFileIsTheSameFileWhenDeleting) {
  // "pscript5.dll." opens PSCRIPT5.DLL: a driver so spelled shares the core
  // with the first one and must not take it away.
  auto add = [this](const char* name, const char* driver, const char* config, const char* ppd) {
    for (const char* f : {"PSCRIPT5.DLL", "PS5UI.DLL", ppd}) PlaceDriverFile(f);
    DriverInfo d;
    d.name = name;
    d.driver = driver;
    d.config = config;
    d.data = ppd;
    return AddPrinterDriverExA(nullptr, 6, reinterpret_cast<LPBYTE>(d.Fill()), APD_COPY_ALL_FILES);
  };
  ASSERT_TRUE(add("First PS", "PSCRIPT5.DLL", "PS5UI.DLL", "FIRST.PPD"));
  ASSERT_TRUE(add("Aliased PS", "pscript5.dll.", "PS5UI.DLL .", "ALIAS.PPD"));
  char aliased[] = "Aliased PS";

  SetLastError(kPoison);
  EXPECT_FALSE(DeletePrinterDriverExA(nullptr, nullptr, aliased, DPD_DELETE_ALL_FILES, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_DRIVER_IN_USE));
  EXPECT_TRUE(Installed("Aliased PS"));

  ASSERT_TRUE(DeletePrinterDriverExA(nullptr, nullptr, aliased, DPD_DELETE_UNUSED_FILES, 0));
  EXPECT_FALSE(InVersionDir("ALIAS.PPD"));
  for (const char* f : {"PSCRIPT5.DLL", "PS5UI.DLL", "FIRST.PPD"}) {
    EXPECT_TRUE(InVersionDir(f)) << f;
    EXPECT_TRUE(InDriverDir(f)) << f;
  }
}

TEST_F(SpoolerDriversTest, DeletingAllFilesChangesNothingWhenOneFileCannotGo) {
  // The configuration file is listed after the driver and data files, so a
  // deletion that took files one by one would have removed those first.
  const std::string version_dir = root_.DriveC(std::string(kDriverDir) + "/3/");
  char name[] = "Stubborn";
  auto files_whole = [this] {
    for (const char* f : {"DRV.DLL", "MODEL.PPD", "UI.DLL"}) {
      if (!InVersionDir(f) || !InDriverDir(f)) return false;
    }
    return true;
  };

  // A folder where the file should be.
  ASSERT_TRUE(AddDriver(name));
  std::filesystem::remove(version_dir + "UI.DLL");
  root_.WriteDriveC(std::string(kDriverDir) + "/3/UI.DLL/inside", "x");
  SetLastError(kPoison);
  EXPECT_FALSE(DeletePrinterDriverExA(nullptr, nullptr, name, DPD_DELETE_ALL_FILES, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(Installed(name));
  EXPECT_TRUE(files_whole());

  // Without the flag the driver goes and the file that cannot go stays.
  ASSERT_TRUE(DeletePrinterDriverExA(nullptr, nullptr, name, DPD_DELETE_UNUSED_FILES, 0));
  EXPECT_FALSE(Installed(name));
  EXPECT_FALSE(InVersionDir("DRV.DLL"));
  EXPECT_TRUE(InVersionDir("UI.DLL"));
  std::filesystem::remove_all(version_dir + "UI.DLL");

  // Copies of read-only kit files are the spooler's own: they go.
  ASSERT_TRUE(AddDriver(name));
  std::filesystem::permissions(version_dir + "UI.DLL", std::filesystem::perms::owner_read);
  EXPECT_TRUE(DeletePrinterDriverExA(nullptr, nullptr, name, DPD_DELETE_ALL_FILES, 0));
  EXPECT_FALSE(InVersionDir("UI.DLL"));
}

// Sets a file's modification time `hours` from now.
void ShiftTime(const std::string& path, int hours) {
  std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() +
                                             std::chrono::hours(hours));
}

class SpoolerUpgradeTest : public SpoolerDriversTest {
 protected:
  /// Installs version 1 of "Kit": its files an hour old, help file V1.HLP.
  void SetUp() override {
    for (const char* f : {"DRV.DLL", "MODEL.PPD", "UI.DLL", "V1.HLP"}) {
      PlaceDriverFile(f, "v1");
      ShiftTime(DriverDirFile(f), -1);
    }
    DriverInfo d;
    d.name = "Kit";
    d.help = "V1.HLP";
    ASSERT_TRUE(AddPrinterDriverExA(nullptr, 6, reinterpret_cast<LPBYTE>(d.Fill()), APD_COPY_ALL_FILES));
  }
  std::string DriverDirFile(const std::string& name) const {
    return root_.DriveC(std::string(kDriverDir) + "/" + name);
  }
  std::string Installed(const std::string& name) const {
    return FileText(root_.DriveC(std::string(kDriverDir) + "/3/" + name));
  }
  /// Offers version 2: DRV.DLL `drv_hours` from now, its other files
  /// `other_hours`; no help file, one dependent file.
  BOOL OfferVersion2(DWORD flags, int drv_hours, int other_hours) {
    for (const char* f : {"DRV.DLL", "MODEL.PPD", "UI.DLL", "V2.INI"}) PlaceDriverFile(f, "v2");
    ShiftTime(DriverDirFile("DRV.DLL"), drv_hours);
    for (const char* f : {"MODEL.PPD", "UI.DLL", "V2.INI"}) ShiftTime(DriverDirFile(f), other_hours);
    DriverInfo d;
    d.name = "KIT";
    d.dependents = "V2.INI";
    DRIVER_INFO_6A* info = d.Fill();
    info->pHelpFile = nullptr;
    return AddPrinterDriverExA(nullptr, 6, reinterpret_cast<LPBYTE>(info), flags);
  }
  winsim::spooler::DriverRecord Record() {
    bool found = false;
    winsim::spooler::DriverRecord r = Read("Kit", &found);
    EXPECT_TRUE(found);
    return r;
  }
};

TEST_F(SpoolerUpgradeTest, CopyAllFilesReplacesFilesAndDescriptionWhateverTheirTimes) {
  ASSERT_TRUE(OfferVersion2(APD_COPY_ALL_FILES, -5, -5));  // older than version 1's
  EXPECT_EQ(Installed("DRV.DLL"), "v2");
  EXPECT_EQ(Installed("MODEL.PPD"), "v2");
  EXPECT_EQ(Installed("V2.INI"), "v2");
  winsim::spooler::DriverRecord r = Record();
  EXPECT_EQ(r.name, "KIT");
  EXPECT_TRUE(r.IsNull(winsim::spooler::kHelpFileField));
  EXPECT_EQ(r.help_file, "");
  EXPECT_EQ(r.dependent_files, std::vector<std::string>{"V2.INI"});
  EXPECT_EQ(r.copy_flags, static_cast<DWORD>(APD_COPY_ALL_FILES));
}

TEST_F(SpoolerUpgradeTest, CopyNewFilesCopiesOnlyNewerFilesAndReplacesTheDescription) {
  ASSERT_TRUE(OfferVersion2(APD_COPY_NEW_FILES, -5, +1));
  EXPECT_EQ(Installed("DRV.DLL"), "v1");    // the offer is older
  EXPECT_EQ(Installed("MODEL.PPD"), "v2");  // the offer is newer
  EXPECT_EQ(Installed("V2.INI"), "v2");     // nothing installed yet
  EXPECT_EQ(Record().dependent_files, std::vector<std::string>{"V2.INI"});
}

TEST_F(SpoolerUpgradeTest, StrictFlagsRefuseAnOfferThatGoesTheOtherWay) {
  struct Case {
    const char* what;
    DWORD flags;
    int drv_hours, other_hours;
    bool accepted;
    const char* drv_after;  // DRV.DLL in the version directory afterwards
  } cases[] = {
      {"upgrade, all newer", APD_STRICT_UPGRADE, +1, +1, true, "v2"},
      {"upgrade, one older", APD_STRICT_UPGRADE, +1, -5, false, "v1"},
      {"downgrade, all older", APD_STRICT_DOWNGRADE, -5, -5, true, "v2"},
      {"downgrade, one newer", APD_STRICT_DOWNGRADE, -5, +1, false, "v1"},
      {"no flag", 0, +1, +1, false, "v1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();  // version 1 again
    SetLastError(kPoison);
    EXPECT_EQ(OfferVersion2(c.flags, c.drv_hours, c.other_hours), c.accepted ? TRUE : FALSE);
    if (!c.accepted) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_DRIVER_ALREADY_INSTALLED));
    }
    EXPECT_EQ(Installed("DRV.DLL"), c.drv_after);
    // A refused offer leaves version 1's description.
    EXPECT_EQ(Record().help_file, c.accepted ? "" : "V1.HLP");
  }
}

TEST_F(SpoolerDriversTest, KeepsTheDescriptionAsTheCallerGaveIt) {
  for (const char* f : {"DRV.DLL", "MODEL.PPD", "UI.DLL"}) PlaceDriverFile(f);
  DriverInfo d;
  d.name = "Old style";
  DRIVER_INFO_6A* info = d.Fill();
  char empty[] = "";
  info->cVersion = 2;
  info->pHelpFile = nullptr;
  info->pDependentFiles = nullptr;
  info->pMonitorName = empty;
  info->pszProvider = empty;
  info->ftDriverDate = {0x89ABCDEFu, 0x01234567u};
  info->dwlDriverVersion = 0x0001000200030004ull;
  ASSERT_TRUE(AddPrinterDriverExA(nullptr, 6, reinterpret_cast<LPBYTE>(info), APD_COPY_NEW_FILES));
  bool found = false;
  winsim::spooler::DriverRecord r = Read("Old style", &found);
  ASSERT_TRUE(found);
  namespace sp = winsim::spooler;
  EXPECT_EQ(r.version, 2u);
  EXPECT_EQ(r.copy_flags, static_cast<DWORD>(APD_COPY_NEW_FILES));
  EXPECT_EQ(r.driver_date, 0x0123456789ABCDEFull);
  EXPECT_EQ(r.driver_version, 0x0001000200030004ull);
  EXPECT_TRUE(r.IsNull(sp::kHelpFileField));
  EXPECT_TRUE(r.IsNull(sp::kDependentFilesField));
  EXPECT_TRUE(r.IsNull(sp::kManufacturerField));  // Fill leaves it NULL
  EXPECT_FALSE(r.IsNull(sp::kMonitorField));
  EXPECT_FALSE(r.IsNull(sp::kProviderField));
  EXPECT_EQ(r.provider, "");

  // The version picks what DPD_DELETE_SPECIFIC_VERSION deletes.
  char name[] = "Old style";
  EXPECT_FALSE(DeletePrinterDriverExA(nullptr, nullptr, name, DPD_DELETE_SPECIFIC_VERSION, 3));
  EXPECT_TRUE(DeletePrinterDriverExA(nullptr, nullptr, name, DPD_DELETE_SPECIFIC_VERSION, 2));
  EXPECT_FALSE(Installed("Old style"));

  // Versions above 3 (the drivers of later systems) are blocked.
  d.name = "Too new";
  info = d.Fill();
  info->cVersion = 4;
  SetLastError(kPoison);
  EXPECT_FALSE(AddPrinterDriverExA(nullptr, 6, reinterpret_cast<LPBYTE>(info), APD_COPY_ALL_FILES));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRINTER_DRIVER_BLOCKED));
  EXPECT_FALSE(Installed("Too new"));
}

TEST_F(SpoolerDriversTest, EveryDocumentedLevelIsReadUpToItsLastMember) {
  for (const char* f : {"DRV.DLL", "MODEL.PPD", "UI.DLL", "DRV.HLP", "DEP.DLL"}) PlaceDriverFile(f);
  char name[] = "L", env[] = "Windows NT x86", drv[] = "DRV.DLL", data[] = "MODEL.PPD",
       ui[] = "UI.DLL", help[] = "DRV.HLP", deps[] = "DEP.DLL\0", mon[] = "", raw[] = "RAW",
       prev[] = "Older L\0", mfg[] = "Brevant";
  namespace sp = winsim::spooler;
  DRIVER_INFO_8A info{};  // the largest structure, cut to each level's size
  info.cVersion = 3;
  info.pName = name;
  info.pEnvironment = env;
  info.pDriverPath = drv;
  info.pDataFile = data;
  info.pConfigFile = ui;
  info.pHelpFile = help;
  info.pDependentFiles = deps;
  info.pMonitorName = mon;
  info.pDefaultDataType = raw;
  info.pszzPreviousNames = prev;
  info.pszMfgName = mfg;
  struct Case {
    DWORD level;
    bool has_help, has_previous, has_manufacturer;
  } cases[] = {{2, false, false, false}, {3, true, false, false}, {4, true, true, false},
               {6, true, true, true},    {8, true, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.level);
    // What lies past the level's structure must not be read.
    std::vector<BYTE> block(sizeof info, 0xEE);
    size_t size = c.level == 2 ? sizeof(DRIVER_INFO_2A)
                  : c.level == 3 ? sizeof(DRIVER_INFO_3A)
                  : c.level == 4 ? sizeof(DRIVER_INFO_4A)
                  : c.level == 6 ? sizeof(DRIVER_INFO_6A) : sizeof(DRIVER_INFO_8A);
    std::memcpy(block.data(), &info, size);
    ASSERT_TRUE(AddPrinterDriverExA(nullptr, c.level, block.data(), APD_COPY_ALL_FILES));
    bool found = false;
    sp::DriverRecord r = Read("L", &found);
    ASSERT_TRUE(found);
    EXPECT_EQ(r.driver_file, "DRV.DLL");
    EXPECT_EQ(r.help_file, c.has_help ? "DRV.HLP" : "");
    EXPECT_EQ(r.IsNull(sp::kHelpFileField), !c.has_help);
    EXPECT_EQ(r.IsNull(sp::kDependentFilesField), !c.has_help);
    EXPECT_EQ(r.previous_names, c.has_previous ? std::vector<std::string>{"Older L"}
                                               : std::vector<std::string>{});
    EXPECT_EQ(r.manufacturer, c.has_manufacturer ? "Brevant" : "");
    EXPECT_EQ(r.IsNull(sp::kManufacturerField), !c.has_manufacturer);
    ASSERT_TRUE(DeletePrinterDriverA(nullptr, nullptr, name));
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

// Windows converts ANSI names to Unicode before it splits them, so the
// trail byte 0x5C of a double-byte character is no backslash: a driver
// whose name and files hold one registers like any other.
TEST_F(SpoolerDriversTest, DoubleByteNamesWithABackslashTrailByteStayWhole) {
  root_.WriteSystemIni("[locale]\nCodePage=932\n");
  // U+8868 is 0x95 0x5C in code page 932; the host file is named in UTF-8.
  PlaceDriverFile("\xE8\xA1\xA8.DLL");
  DriverInfo d;
  d.name = "Kit \x95\x5C";
  d.driver = "\x95\x5C.DLL";
  PlaceDriverFile(d.data);
  PlaceDriverFile(d.config);
  ASSERT_TRUE(AddPrinterDriverExA(nullptr, 6, reinterpret_cast<LPBYTE>(d.Fill()), APD_COPY_ALL_FILES))
      << GetLastError();
  EXPECT_TRUE(InVersionDir("\xE8\xA1\xA8.DLL"));
  bool found = false;
  EXPECT_EQ(Read("Kit \x95\x5C", &found).driver_file, "\x95\x5C.DLL");
  EXPECT_TRUE(found);
  // One key, not a key "Kit \x95" with an empty child.
  HKEY key = nullptr;
  EXPECT_NE(RegOpenKeyA(HKEY_LOCAL_MACHINE,
                        "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\"
                        "Windows NT x86\\Drivers\\Version-3\\Kit \x95",
                        &key),
            ERROR_SUCCESS);
}

}  // namespace
