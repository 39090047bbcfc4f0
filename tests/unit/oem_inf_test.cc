#include "installer/records/oem_inf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/unique_handle.h"
#include "installer/records/driver_record.h"
#include "support/temp_root.h"

namespace {

namespace fs = std::filesystem;

constexpr char kRecord[] = "Software\\Brevant\\QXPrinter\\Drivers\\TR-2210";
constexpr char kXpIni[] = "[version]\nMajorVersion=5\nMinorVersion=1\n";
constexpr char kInf[] = "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n";

std::string ReadSz(const std::string& path, const char* name) {
  kit::UniqueRegKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) {
    return "<no key>";
  }
  char data[1024] = {};
  DWORD size = sizeof data - 1;
  if (RegQueryValueExA(key.Get(), name, nullptr, nullptr, reinterpret_cast<LPBYTE>(data),
                       &size) != ERROR_SUCCESS) {
    return "<no value>";
  }
  return std::string(data, size);
}

void SetSz(const std::string& path, const char* name, const std::string& text) {
  kit::UniqueRegKey key;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), key.Put()), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key.Get(), name, 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>(text.size())),
            ERROR_SUCCESS);
}

/// The installation sources, NULs shown as '|'.
std::string Sources() {
  std::string raw = ReadSz("Software\\Microsoft\\Windows\\CurrentVersion\\Setup",
                           "Installation Sources");
  for (char& c : raw) {
    if (c == '\0') c = '|';
  }
  return raw;
}

TEST(PnfPathTest, ReplacesTheLastExtensionOfTheFileName) {
  struct Case {
    const char* copy;
    PnfPath state;
    const char* pnf;
  };
  const Case cases[] = {
      {"C:\\WINDOWS\\inf\\oem3.inf", PnfPath::kFormed, "C:\\WINDOWS\\inf\\oem3.pnf"},
      {"C:\\WINDOWS\\inf\\setup.v2.inf", PnfPath::kFormed, "C:\\WINDOWS\\inf\\setup.v2.pnf"},
      {"C:\\WINDOWS\\inf\\setup", PnfPath::kFormed, "C:\\WINDOWS\\inf\\setup.pnf"},
      {"C:\\WIN.NT\\inf\\oem3.inf", PnfPath::kFormed, "C:\\WIN.NT\\inf\\oem3.pnf"},
      {"C:\\WIN.NT\\inf\\setup", PnfPath::kFormed, "C:\\WIN.NT\\inf\\setup.pnf"},
      {"..\\oem3.inf", PnfPath::kFormed, "..\\oem3.pnf"},
      {"oem3.inf", PnfPath::kFormed, "oem3.pnf"},
      {"C:\\WINDOWS\\inf\\.inf", PnfPath::kFormed, "C:\\WINDOWS\\inf\\.pnf"},
      {"C:\\WINDOWS\\inf\\..inf", PnfPath::kFormed, "C:\\WINDOWS\\inf\\..pnf"},
      {"C:\\WINDOWS\\inf\\", PnfPath::kNone, ""},
      {"", PnfPath::kNone, ""},
      {"...", PnfPath::kNone, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.copy);
    char pnf[kMaxPath] = "stale";
    EXPECT_EQ(PnfPathOf(c.copy, pnf), c.state);
    EXPECT_STREQ(pnf, c.pnf);
  }
}

TEST(PnfPathTest, RefusesAPathThatWouldNotFit) {
  char pnf[kMaxPath] = {};
  std::string fits = "C:\\" + std::string(255 - 3, 'x');  // 255 + ".pnf" = 259
  EXPECT_EQ(PnfPathOf(fits.c_str(), pnf), PnfPath::kFormed);
  EXPECT_EQ(std::string(pnf).size(), 259u);
  std::string too_long = fits + "x.inf";
  EXPECT_EQ(PnfPathOf(too_long.c_str(), pnf), PnfPath::kTooLong);
  EXPECT_STREQ(pnf, "");
}

class OemInfTest : public ::testing::Test {
 protected:
  void InstallLeftovers() {
    root_.WriteDriveC("kit/setup.inf", kInf);  // the kit's INF, as given to the uninstall
    copy_ = root_.WriteDriveC("WINDOWS/inf/setup.inf", kInf);
    pnf_ = root_.WriteDriveC("WINDOWS/inf/setup.pnf", "pnf");
    other_ = root_.WriteDriveC("WINDOWS/inf/oem1.inf", kInf);
    ASSERT_TRUE(CreateDriverRecord("TR-2210", "Brevant"));
    ASSERT_TRUE(SetupAddToSourceListA(SRCLIST_SYSIFADMIN, "C:\\kit"));
  }
  kit_test::TempRoot root_;
  std::string copy_, pnf_, other_;
};

TEST_F(OemInfTest, RemovesTheCopyNamedAfterTheInfAndEverythingElse) {
  InstallLeftovers();
  EXPECT_TRUE(RemoveOemInf("C:\\kit\\setup.inf", "TR-2210", "Brevant"));
  EXPECT_FALSE(fs::exists(copy_));
  EXPECT_FALSE(fs::exists(pnf_));
  EXPECT_TRUE(fs::exists(other_));
  EXPECT_EQ(Sources().find("C:\\kit"), std::string::npos) << Sources();
  EXPECT_FALSE(RegistryKeyExists("Software\\Brevant\\QXPrinter"));
  EXPECT_TRUE(RegistryKeyExists("Software\\Brevant"));
}

TEST_F(OemInfTest, ADottedInfNameRemovesOnlyItsOwnPnf) {
  InstallLeftovers();  // setup.inf and setup.pnf belong to another INF
  root_.WriteDriveC("kit/setup.v2.inf", kInf);
  std::string dotted = root_.WriteDriveC("WINDOWS/inf/setup.v2.inf", kInf);
  std::string dotted_pnf = root_.WriteDriveC("WINDOWS/inf/setup.v2.pnf", "pnf");
  EXPECT_TRUE(RemoveOemInf("C:\\kit\\setup.v2.inf", "TR-2210", "Brevant"));
  EXPECT_FALSE(fs::exists(dotted));
  EXPECT_FALSE(fs::exists(dotted_pnf));
  EXPECT_TRUE(fs::exists(copy_));
  EXPECT_TRUE(fs::exists(pnf_));
}

TEST_F(OemInfTest, AnInfPathWithoutFolderLeavesSourcesAndRecord) {
  InstallLeftovers();
  // The bare name is the INF in the current directory, as CreateFile reads it.
  fs::path before = fs::current_path();
  fs::current_path(root_.DriveC("kit"));
  EXPECT_TRUE(RemoveOemInf("setup.inf", "TR-2210", "Brevant"));
  fs::current_path(before);
  EXPECT_FALSE(fs::exists(copy_));
  EXPECT_FALSE(fs::exists(pnf_));
  EXPECT_NE(Sources().find("C:\\kit"), std::string::npos);
  EXPECT_TRUE(RegistryKeyExists(kRecord));
}

TEST_F(OemInfTest, AFailedSourceListRemovalIsShownAndKeepsTheRecord) {
  InstallLeftovers();
  root_.WriteSystemIni("[faults]\nSetupRemoveFromSourceListA=5\n");
  EXPECT_FALSE(RemoveOemInf("C:\\kit\\setup.inf", "TR-2210", "Brevant"));
  EXPECT_TRUE(RegistryKeyExists(kRecord));
  EXPECT_NE(root_.ReadEvents().find("\"caption\":\"Remove Path from Source List\""),
            std::string::npos)
      << root_.ReadEvents();
}

TEST_F(OemInfTest, ACopyPathThatWouldNotFitIsRefusedBeforeAnyRemoval) {
  InstallLeftovers();
  // "C:\WINDOWS\INF\" is 15 characters: a 245-byte file name overflows.
  std::string name(241, 'n');
  EXPECT_FALSE(RemoveOemInf("C:\\kit\\" + name + ".inf", "TR-2210", "Brevant"));
  EXPECT_NE(Sources().find("C:\\kit"), std::string::npos);
  EXPECT_TRUE(RegistryKeyExists(kRecord));
}

TEST_F(OemInfTest, ADotInTheWindowsDirectoryNeverDeletesAFileOutsideInf) {
  root_.WriteSystemIni("[directories]\nWindows=C:\\WIN.NT\n");
  root_.WriteDriveC("kit/setup.inf", kInf);
  std::string copy = root_.WriteDriveC("WIN.NT/inf/setup.inf", kInf);
  std::string decoy = root_.WriteDriveC("WIN.pnf", "someone else's file");
  EXPECT_TRUE(RemoveOemInf("C:\\kit\\setup.inf", "TR-2210", "Brevant"));
  EXPECT_FALSE(fs::exists(copy));
  EXPECT_TRUE(fs::exists(decoy));
}

TEST_F(OemInfTest, XpFindsTheCopyByTheRecordedValue) {
  InstallLeftovers();
  root_.WriteSystemIni(kXpIni);
  std::string oem = root_.WriteDriveC("WINDOWS/inf/oem7.inf", kInf);
  std::string oem_pnf = root_.WriteDriveC("WINDOWS/inf/oem7.pnf", "pnf");
  SetSz(kRecord, "OEMINF", "C:\\WINDOWS\\inf\\oem7.inf");
  EXPECT_TRUE(RemoveOemInf("C:\\kit\\setup.inf", "TR-2210", "Brevant"));
  EXPECT_FALSE(fs::exists(oem));
  EXPECT_FALSE(fs::exists(oem_pnf));
  EXPECT_TRUE(fs::exists(copy_));  // not the copy named after the INF
  EXPECT_FALSE(RegistryKeyExists(kRecord));
}

TEST_F(OemInfTest, ACopyThatIsNotTheKitsInfIsAnotherOneAndStays) {
  // "setup.inf" in the INF folder holds another vendor's INF (or the
  // system's): its name is all it shares with the kit's.
  InstallLeftovers();
  root_.WriteDriveC("WINDOWS/inf/setup.inf", "[Version]\r\nProvider=Another vendor\r\n");
  EXPECT_TRUE(RemoveOemInf("C:\\kit\\setup.inf", "TR-2210", "Brevant"));
  EXPECT_TRUE(fs::exists(copy_));
  EXPECT_TRUE(fs::exists(pnf_));
  // What the install itself made still goes.
  EXPECT_EQ(Sources().find("C:\\kit"), std::string::npos) << Sources();
  EXPECT_FALSE(RegistryKeyExists(kRecord));

  // On XP the recorded copy too: a number Windows gave out again after the
  // copy was removed by other means names another INF.
  InstallLeftovers();
  root_.WriteSystemIni(kXpIni);
  std::string oem = root_.WriteDriveC("WINDOWS/inf/oem7.inf", "[Version]\r\nProvider=Another\r\n");
  SetSz(kRecord, "OEMINF", "C:\\WINDOWS\\inf\\oem7.inf");
  EXPECT_TRUE(RemoveOemInf("C:\\kit\\setup.inf", "TR-2210", "Brevant"));
  EXPECT_TRUE(fs::exists(oem));
}

TEST_F(OemInfTest, XpWithoutARecordedCopyRemovesNothing) {
  InstallLeftovers();
  root_.WriteSystemIni(kXpIni);
  EXPECT_FALSE(RemoveOemInf("C:\\kit\\setup.inf", "TR-2210", "Brevant"));   // no value
  EXPECT_FALSE(RemoveOemInf("C:\\kit\\setup.inf", "TR-3300", "Brevant"));   // no record
  EXPECT_TRUE(fs::exists(copy_));
  EXPECT_NE(Sources().find("C:\\kit"), std::string::npos);
  EXPECT_TRUE(RegistryKeyExists(kRecord));
  EXPECT_EQ(root_.ReadEvents().find("MessageBox"), std::string::npos);
}

TEST(OemInfGuardTest, XpNeverDeletesARecordedFileOutsideTheInfDirectory) {
  const char* recorded[] = {
      "C:\\kit\\oem1.inf",
      "C:\\WINDOWS\\inf\\..\\..\\kit\\oem1.inf",
      "C:\\WINDOWS\\inf\\x/../../../kit/oem1.inf",
      "oem1.inf",
  };
  for (const char* value : recorded) {
    SCOPED_TRACE(value);
    kit_test::TempRoot root;
    root.WriteSystemIni(kXpIni);
    std::string elsewhere = root.WriteDriveC("kit/oem1.inf", kInf);
    ASSERT_TRUE(CreateDriverRecord("TR-2210", "Brevant"));
    SetSz(kRecord, "OEMINF", value);
    EXPECT_TRUE(RemoveOemInf("C:\\kit\\setup.inf", "TR-2210", "Brevant"));
    EXPECT_TRUE(fs::exists(elsewhere));
    EXPECT_FALSE(RegistryKeyExists(kRecord));
  }
}

TEST_F(OemInfTest, CopyRecordsTheRegisteredCopyInTheQuotedNamesRecord) {
  std::string inf = root_.WriteDriveC("kit/setup.inf", kInf);
  ASSERT_TRUE(CreateDriverRecord("TR-2210", "Brevant"));
  EXPECT_TRUE(CopyOemInf("C:\\kit\\setup.inf", "\"TR-2210\"", "Brevant"));
  std::string recorded = ReadSz(kRecord, "OEMINF");
  EXPECT_EQ(recorded.rfind("C:\\WINDOWS\\inf\\oem", 0), 0u) << recorded;
  EXPECT_EQ(recorded.find('\0'), std::string::npos);  // stored without a NUL

  // Registering the same INF again answers 80 with the same copy: no box.
  ASSERT_TRUE(CreateDriverRecord("TR-2210", "Brevant"));
  EXPECT_TRUE(CopyOemInf("C:\\kit\\setup.inf", "TR-2210", "Brevant"));
  EXPECT_EQ(ReadSz(kRecord, "OEMINF"), recorded);
  EXPECT_EQ(root_.ReadEvents().find("MessageBox"), std::string::npos);
}

TEST_F(OemInfTest, CopyWithoutARecordWritesNothing) {
  root_.WriteDriveC("kit/setup.inf", kInf);
  EXPECT_TRUE(CopyOemInf("C:\\kit\\setup.inf", "TR-2210", "Brevant"));
  EXPECT_FALSE(RegistryKeyExists("Software\\Brevant"));
}

TEST_F(OemInfTest, AFailedRegistrationIsShownAndRecordsNothing) {
  root_.WriteDriveC("kit/setup.inf", kInf);
  ASSERT_TRUE(CreateDriverRecord("TR-2210", "Brevant"));
  root_.WriteSystemIni("[faults]\nSetupCopyOEMInfA=5\n");
  EXPECT_FALSE(CopyOemInf("C:\\kit\\setup.inf", "TR-2210", "Brevant"));
  EXPECT_EQ(ReadSz(kRecord, "OEMINF"), "<no value>");
  EXPECT_NE(root_.ReadEvents().find("\"caption\":\"Copy Oem Inf\""), std::string::npos);
}

}  // namespace
