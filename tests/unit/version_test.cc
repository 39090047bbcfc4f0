#include "common/version.h"

#include <gtest/gtest.h>

#include "support/temp_root.h"

namespace {

struct Case {
  unsigned platform, major, minor;
  const char* csd;
  int code;
};

TEST(VersionTest, ClassifiesEveryRow) {
  const Case cases[] = {
      {0, 3, 11, "", kVersionWin32s},
      {1, 4, 0, "", kVersionWin95},
      {1, 4, 0, " B", kVersionWin95Service},
      {1, 4, 10, "", kVersionWin98},
      {1, 4, 10, " A ", kVersionWin98},  // the whole text must be "A"
      {1, 4, 10, "a", kVersionWin98},    // byte comparison, case-sensitive
      {1, 4, 10, "A", kVersionWin98A},
      {1, 4, 90, " ", kVersionWinMe},
      {1, 4, 3, "", kVersionUnknownWindows9x},
      {2, 3, 51, "", kVersionNt4},
      {2, 4, 0, "Service Pack 6", kVersionNt4},
      {2, 5, 0, "", kVersionWin2000},
      {2, 5, 1, "", kVersionWinXp},
      {2, 5, 2, "", kVersionWinXp},
      {2, 6, 0, "", kVersionWin2000},
      {2, 6, 1, "", kVersionWinXp},
      {3, 5, 1, "", kVersionUnknown},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClassifyWindowsVersion(c.platform, c.major, c.minor, c.csd), c.code)
        << c.platform << " " << c.major << "." << c.minor << " '" << c.csd << "'";
  }
}

std::string Ini(const char* version_lines) {
  return std::string("[version]\n") + version_lines + "\n";
}

TEST(VersionTest, ReadsTheSystemRecord) {
  kit_test::TempRoot root;
  EXPECT_EQ(GetWindowsVersion(), kVersionWin2000);  // the default system
  root.WriteSystemIni(Ini("PlatformId=2\nMajorVersion=5\nMinorVersion=1"));
  EXPECT_EQ(GetWindowsVersion(), kVersionWinXp);
  root.WriteSystemIni(Ini("PlatformId=1\nMajorVersion=4\nMinorVersion=10\nCSDVersion=A"));
  EXPECT_EQ(GetWindowsVersion(), kVersionWin98A);
}

TEST(VersionTest, FallsBackToThePlainRecord) {
  kit_test::TempRoot root;
  root.WriteSystemIni(Ini("PlatformId=1\nMajorVersion=4\nMinorVersion=10\nCSDVersion=A\nExtendedRecord=0"));
  OSVERSIONINFOEXA ex = {};
  ex.dwOSVersionInfoSize = sizeof ex;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&ex)));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(GetWindowsVersion(), kVersionWin98A);
}

TEST(VersionTest, BothRecordsRefusedGivesZero) {
  kit_test::TempRoot root;
  root.WriteSystemIni(Ini("PlatformId=2\nMajorVersion=5\nMinorVersion=1\nFail=1"));
  EXPECT_EQ(GetWindowsVersion(), kVersionUnknown);
  root.WriteSystemIni("[faults]\nGetVersionExA=5\n");
  EXPECT_EQ(GetWindowsVersion(), kVersionUnknown);
}

TEST(VersionTest, OnlyTheFirstCallFailing) {
  kit_test::TempRoot root;
  root.WriteSystemIni(Ini("PlatformId=2\nMajorVersion=6\nMinorVersion=1") + "[faults]\nGetVersionExA#1=87\n");
  EXPECT_EQ(GetWindowsVersion(), kVersionWinXp);  // the 148-byte retry succeeds
}

}  // namespace
