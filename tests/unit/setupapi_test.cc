// The simulated installation source list and OEM INF registration.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "support/temp_root.h"

namespace {

constexpr DWORD kPoison = 0xDEADBEEF;
constexpr char kSetupKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Setup";

class WinsimSetupApiTest : public ::testing::Test {
 protected:
  /// The source list as stored; `present` false when the value is absent.
  std::vector<std::string> Sources(HKEY root = HKEY_LOCAL_MACHINE, bool* present = nullptr) {
    std::vector<std::string> items;
    if (present) *present = false;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, kSetupKey, 0, KEY_READ, &key) != 0) return items;
    char data[4096] = {};
    DWORD type = 0, size = sizeof data;
    LONG rc = RegQueryValueExA(key, "Installation Sources", nullptr, &type,
                               reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (rc != 0) return items;
    if (present) *present = true;
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    for (const char* p = data; *p != '\0' && p < data + size; p += strlen(p) + 1) items.push_back(p);
    return items;
  }
  std::string Read(const std::string& relative) const {
    std::ifstream in(root_.DriveC(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::vector<std::string> InfDirectory() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(root_.DriveC("WINDOWS/inf"))) {
      names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  /// SetupCopyOEMInfA as the installer calls it, with a 260-byte buffer.
  BOOL CopyOem(const char* inf, DWORD style, std::string* path, DWORD* error = nullptr) {
    char buffer[MAX_PATH];
    memset(buffer, 0, sizeof buffer);
    DWORD required = 0;
    SetLastError(kPoison);
    BOOL ok = SetupCopyOEMInfA(inf, "C:\\kit", SPOST_PATH, style, buffer, sizeof buffer, &required, nullptr);
    if (error) *error = GetLastError();
    *path = buffer;
    if (ok || GetLastError() == ERROR_FILE_EXISTS) {
      EXPECT_EQ(required, path->size() + 1);
    }
    return ok;
  }

  kit_test::TempRoot root_;
};

TEST_F(WinsimSetupApiTest, SourceListKeepsOneEntryPerPathWithoutRegardToCase) {
  EXPECT_TRUE(SetupAddToSourceListA(SRCLIST_SYSIFADMIN, "Z:\\media\\kit"));
  EXPECT_TRUE(SetupAddToSourceListA(SRCLIST_SYSIFADMIN, "z:\\MEDIA\\Kit"));
  EXPECT_TRUE(SetupAddToSourceListA(SRCLIST_SYSIFADMIN, "C:\\drivers"));
  EXPECT_EQ(Sources(), (std::vector<std::string>{"Z:\\media\\kit", "C:\\drivers"}));

  // Removing one that is absent succeeds and changes nothing.
  SetLastError(kPoison);
  EXPECT_TRUE(SetupRemoveFromSourceListA(SRCLIST_SYSIFADMIN, "C:\\elsewhere"));
  EXPECT_EQ(Sources(), (std::vector<std::string>{"Z:\\media\\kit", "C:\\drivers"}));
  EXPECT_TRUE(SetupRemoveFromSourceListA(SRCLIST_SYSIFADMIN, "Z:\\Media\\KIT"));
  EXPECT_EQ(Sources(), std::vector<std::string>{"C:\\drivers"});

  // The last removal takes the value away, so add + remove leaves no trace.
  EXPECT_TRUE(SetupRemoveFromSourceListA(SRCLIST_SYSIFADMIN, "C:\\drivers"));
  bool present = true;
  EXPECT_TRUE(Sources(HKEY_LOCAL_MACHINE, &present).empty());
  EXPECT_FALSE(present);
  EXPECT_TRUE(SetupRemoveFromSourceListA(SRCLIST_SYSIFADMIN, "C:\\drivers"));
}

TEST_F(WinsimSetupApiTest, SourceListRefusesEntriesThatWouldCutTheList) {
  ASSERT_TRUE(SetupAddToSourceListA(SRCLIST_SYSIFADMIN, "C:\\one"));
  for (PCSTR bad : {"", static_cast<const char*>(nullptr)}) {
    SetLastError(kPoison);
    EXPECT_FALSE(SetupAddToSourceListA(SRCLIST_SYSIFADMIN, bad));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(kPoison);
    EXPECT_FALSE(SetupRemoveFromSourceListA(SRCLIST_SYSIFADMIN, bad));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  ASSERT_TRUE(SetupAddToSourceListA(SRCLIST_SYSIFADMIN, "C:\\two"));
  EXPECT_EQ(Sources(), (std::vector<std::string>{"C:\\one", "C:\\two"}));
}

TEST_F(WinsimSetupApiTest, UserSourceListIsSeparateAndFaultsChangeNothing) {
  EXPECT_TRUE(SetupAddToSourceListA(SRCLIST_USER, "C:\\mine"));
  EXPECT_EQ(Sources(HKEY_CURRENT_USER), std::vector<std::string>{"C:\\mine"});
  EXPECT_TRUE(Sources(HKEY_LOCAL_MACHINE).empty());

  root_.WriteSystemIni("[faults]\nSetupAddToSourceListA=5\nSetupRemoveFromSourceListA#1=1235\n");
  SetLastError(kPoison);
  EXPECT_FALSE(SetupAddToSourceListA(SRCLIST_SYSIFADMIN, "C:\\x"));
  EXPECT_EQ(GetLastError(), 5u);
  SetLastError(kPoison);
  EXPECT_FALSE(SetupRemoveFromSourceListA(SRCLIST_USER, "C:\\mine"));
  EXPECT_EQ(GetLastError(), 1235u);
  EXPECT_EQ(Sources(HKEY_CURRENT_USER), std::vector<std::string>{"C:\\mine"});
  EXPECT_TRUE(SetupRemoveFromSourceListA(SRCLIST_USER, "C:\\mine"));
  EXPECT_TRUE(Sources(HKEY_CURRENT_USER).empty());
}

TEST_F(WinsimSetupApiTest, OemCopiesTakeTheLowestFreeNumber) {
  root_.WriteDriveC("kit/a.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n; a\r\n");
  root_.WriteDriveC("kit/b.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n; b\r\n");
  root_.WriteDriveC("kit/c.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n; c\r\n");
  std::string path;
  ASSERT_TRUE(CopyOem("C:\\kit\\a.inf", SP_COPY_NOOVERWRITE, &path));
  EXPECT_EQ(path, "C:\\WINDOWS\\inf\\oem0.inf");
  ASSERT_TRUE(CopyOem("C:\\KIT\\B.INF", SP_COPY_NOOVERWRITE, &path));
  EXPECT_EQ(path, "C:\\WINDOWS\\inf\\oem1.inf");
  EXPECT_EQ(Read("WINDOWS/inf/oem0.inf"), Read("kit/a.inf"));
  EXPECT_EQ(Read("WINDOWS/inf/oem1.inf"), Read("kit/b.inf"));
  EXPECT_EQ(InfDirectory(), (std::vector<std::string>{"oem0.inf", "oem0.pnf", "oem1.inf", "oem1.pnf"}));

  // A number whose INF was deleted is free again, even if its PNF is left.
  ASSERT_TRUE(DeleteFileA("C:\\WINDOWS\\inf\\oem0.inf"));
  ASSERT_TRUE(CopyOem("C:\\kit\\c.inf", SP_COPY_NOOVERWRITE, &path));
  EXPECT_EQ(path, "C:\\WINDOWS\\inf\\oem0.inf");
  EXPECT_EQ(Read("WINDOWS/inf/oem0.inf"), Read("kit/c.inf"));
}

TEST_F(WinsimSetupApiTest, IdenticalInfIsFoundAgainInAnyLetterCase) {
  // An INF directory spelled "INF" with a registered copy spelled in capitals.
  std::filesystem::remove_all(root_.DriveC("WINDOWS/inf"));
  std::string inf = "[Version]\r\nClass=Printer\r\n";
  root_.WriteDriveC("WINDOWS/INF/OEM3.INF", inf);
  root_.WriteDriveC("WINDOWS/INF/oem0.inf", "something else");
  root_.WriteDriveC("kit/setup.inf", inf);
  std::string path;
  DWORD error = 0;
  EXPECT_FALSE(CopyOem("C:\\kit\\setup.inf", SP_COPY_NOOVERWRITE, &path, &error));
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_EQ(path, "C:\\WINDOWS\\inf\\oem3.inf");
  // Without SP_COPY_NOOVERWRITE the existing copy is the registration.
  EXPECT_TRUE(CopyOem("C:\\kit\\setup.inf", 0, &path));
  EXPECT_EQ(path, "C:\\WINDOWS\\inf\\oem3.inf");
  EXPECT_FALSE(std::filesystem::exists(root_.DriveC("WINDOWS/inf")));

  // A changed INF is a new registration, in the same directory.
  root_.WriteDriveC("kit/setup.inf", inf + "; changed\r\n");
  EXPECT_TRUE(CopyOem("C:\\kit\\setup.inf", SP_COPY_NOOVERWRITE, &path));
  EXPECT_EQ(path, "C:\\WINDOWS\\inf\\oem1.inf");
  EXPECT_TRUE(std::filesystem::exists(root_.DriveC("WINDOWS/INF/oem1.inf")));
}

TEST_F(WinsimSetupApiTest, OemCopyReportsSizesAndFailuresWithoutCopying) {
  root_.WriteDriveC("kit/setup.inf", "[Version]\r\n");
  const char kExpected[] = "C:\\WINDOWS\\inf\\oem0.inf";
  // A buffer one byte short: 122, the size needed, and nothing copied.
  char small[sizeof kExpected - 1];
  DWORD required = 0;
  SetLastError(kPoison);
  EXPECT_FALSE(SetupCopyOEMInfA("C:\\kit\\setup.inf", "C:\\kit", SPOST_PATH, SP_COPY_NOOVERWRITE, small,
                                sizeof small, &required, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(required, sizeof kExpected);
  EXPECT_TRUE(InfDirectory().empty());

  // No buffer: the copy is made and its size reported.
  required = 0;
  EXPECT_TRUE(SetupCopyOEMInfA("C:\\kit\\setup.inf", "C:\\kit", SPOST_PATH, SP_COPY_NOOVERWRITE, nullptr, 0,
                               &required, nullptr));
  EXPECT_EQ(required, sizeof kExpected);
  EXPECT_EQ(Read("WINDOWS/inf/oem0.inf"), "[Version]\r\n");

  // The component pointer points at the file name inside the buffer, also
  // when the call fails with ERROR_FILE_EXISTS.
  char buffer[MAX_PATH];
  PSTR component = nullptr;
  SetLastError(kPoison);
  EXPECT_FALSE(SetupCopyOEMInfA("C:\\kit\\setup.inf", "C:\\kit", SPOST_PATH, SP_COPY_NOOVERWRITE, buffer,
                                sizeof buffer, nullptr, &component));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_STREQ(buffer, kExpected);
  ASSERT_NE(component, nullptr);
  EXPECT_STREQ(component, "oem0.inf");
  EXPECT_EQ(component, buffer + strlen(buffer) - strlen("oem0.inf"));

  struct Case {
    const char* inf;
    DWORD error;
  } cases[] = {
      {"C:\\kit\\missing.inf", ERROR_FILE_NOT_FOUND},
      {"C:\\nokit\\setup.inf", ERROR_PATH_NOT_FOUND},
      {"", ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : cases) {
    std::string path;
    DWORD error = 0;
    EXPECT_FALSE(CopyOem(c.inf, SP_COPY_NOOVERWRITE, &path, &error)) << c.inf;
    EXPECT_EQ(error, c.error) << c.inf;
    EXPECT_EQ(path, "") << c.inf;
  }
  EXPECT_EQ(InfDirectory(), (std::vector<std::string>{"oem0.inf", "oem0.pnf"}));
}

TEST_F(WinsimSetupApiTest, OemCopyFaultLeavesTheInfDirectoryAlone) {
  root_.WriteSystemIni("[faults]\nSetupCopyOEMInfA#1=1450\n");
  root_.WriteDriveC("kit/setup.inf", "[Version]\r\n");
  std::string path;
  DWORD error = 0;
  EXPECT_FALSE(CopyOem("C:\\kit\\setup.inf", SP_COPY_NOOVERWRITE, &path, &error));
  EXPECT_EQ(error, 1450u);
  EXPECT_TRUE(InfDirectory().empty());
  EXPECT_TRUE(CopyOem("C:\\kit\\setup.inf", SP_COPY_NOOVERWRITE, &path));
}

}  // namespace
