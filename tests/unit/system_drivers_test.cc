// What `winsim init` lays down for printer kits, by the version record:
// NTPRINT.INF and the core driver files in driver.cab (2000, XP, Server
// 2003) or in the driver store (Vista and later), nothing on NT 4 and 9x,
// nothing with --bare.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "platform/winsim/core_driver_files.h"
#include "support/temp_root.h"

namespace {

namespace fs = std::filesystem;

constexpr char kCabinet[] = "WINDOWS/Driver Cache/i386/driver.cab";
constexpr char kNtprint[] = "WINDOWS/inf/NTPRINT.INF";
constexpr char kStore[] = "WINDOWS/system32/DriverStore/FileRepository/ntprint.inf_x86_neutral/I386/";

UINT CALLBACK ListMembers(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR) {
  if (notification == SPFILENOTIFY_FILEINCABINET) {
    auto* info = reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1);
    static_cast<std::vector<std::string>*>(context)->push_back(info->NameInCabinet);
    return FILEOP_SKIP;
  }
  return NO_ERROR;
}

std::string ReadText(const std::string& host_path) {
  std::ifstream in(host_path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string NtprintValue(const char* section, const char* key) {
  char value[MAX_PATH] = {};
  GetPrivateProfileStringA(section, key, "", value, sizeof value, "C:\\WINDOWS\\inf\\NTPRINT.INF");
  return value;
}

TEST(SystemDriversTest, Windows2000ToServer2003HoldNtprintAndTheDriverCabinet) {
  for (const char* version : {"2000", "xp"}) {
    kit_test::TempRoot root;
    std::string error;
    ASSERT_TRUE(winsim::InitRoot(version, true, &error)) << error;
    EXPECT_TRUE(fs::is_regular_file(root.DriveC(kNtprint))) << version;
    EXPECT_FALSE(fs::exists(root.DriveC(kStore))) << version;
    std::vector<std::string> members;
    ASSERT_TRUE(SetupIterateCabinetA("C:\\WINDOWS\\Driver Cache\\i386\\driver.cab", 0,
                                     &ListMembers, &members))
        << version << " " << GetLastError();
    EXPECT_EQ(members, winsim::CoreDriverFileNames()) << version;
    EXPECT_EQ(NtprintValue("PSCRIPT_DATA", "DriverFile"), "PSCRIPT5.DLL");
    EXPECT_EQ(NtprintValue("UNIDRV_DATA", "ConfigFile"), "UNIDRVUI.DLL");
    EXPECT_EQ(NtprintValue("PSCRIPT.OEM", "CopyFiles"), "PSCRIPT");
  }
  // The [Version] is the system's own.
  EXPECT_NE(winsim::NtprintInfText(5, 1, 2600).find("DriverVer=07/01/2001,5.1.2600.0"),
            std::string::npos);
  EXPECT_EQ(winsim::NtprintInfText(5, 0, 2195).find("DriverVer"), std::string::npos);
}

TEST(SystemDriversTest, VistaAndLaterKeepTheCoreFilesInTheDriverStoreAndHaveNoCabinet) {
  kit_test::TempRoot root;
  std::string error;
  ASSERT_TRUE(winsim::InitRoot("7", true, &error)) << error;
  EXPECT_TRUE(fs::is_regular_file(root.DriveC(kNtprint)));
  EXPECT_FALSE(fs::exists(root.DriveC(kCabinet)));
  for (const std::string& name : winsim::CoreDriverFileNames()) {
    EXPECT_EQ(ReadText(root.DriveC(kStore + name)), winsim::CoreDriverStandIn(name));
  }
  EXPECT_NE(winsim::CoreDriverStandIn("PSCRIPT5.DLL").find("PostScript"), std::string::npos);
  // The home follows the version record, whatever the preset is called.
  EXPECT_EQ(winsim::CoreDriverHomeOf(2, 5, 2), winsim::CoreDriverHome::kDriverCab);
  EXPECT_EQ(winsim::CoreDriverHomeOf(2, 10, 0), winsim::CoreDriverHome::kDriverStore);
  EXPECT_EQ(winsim::CoreDriverHomeOf(2, 6, 3), winsim::CoreDriverHome::kDriverStore);
}

TEST(SystemDriversTest, Nt4Windows9xAndBareSystemsHoldNeither) {
  for (const char* version : {"nt4", "98", "xp"}) {
    kit_test::TempRoot root;
    std::string error;
    bool bare = std::string(version) == "xp";
    ASSERT_TRUE(winsim::InitRoot(version, true, &error, bare)) << error;
    EXPECT_FALSE(fs::exists(root.DriveC(kNtprint))) << version;
    EXPECT_FALSE(fs::exists(root.DriveC(kCabinet))) << version;
    EXPECT_FALSE(fs::exists(root.DriveC("WINDOWS/system32/DriverStore"))) << version;
  }
}

}  // namespace
