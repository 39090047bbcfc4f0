// The simulated system's root, system.ini, paths, events and database.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "platform/win32.h"
#include "platform/winsim/store.h"
#include "platform/winsim/winsim.h"
#include "support/temp_root.h"

namespace {

TEST(SystemTest, MissingRootIsCreatedWithDefaults) {
  kit_test::TempRoot root;
  std::filesystem::remove_all(root.dir());
  winsim::ResetProcessState();
  winsim::SetRoot(root.dir());
  char dir[MAX_PATH];
  EXPECT_EQ(GetWindowsDirectoryA(dir, sizeof dir), 10u);
  EXPECT_STREQ(dir, "C:\\WINDOWS");
  EXPECT_TRUE(std::filesystem::exists(root.dir() + "/system.ini"));
  EXPECT_TRUE(std::filesystem::is_directory(root.DriveC("WINDOWS/system32/spool/drivers/w32x86")));
  EXPECT_EQ(GetSystemDirectoryA(dir, 5), 20u);  // too small: the size needed
  for (const char* program : {"rundll32.exe", "printui.dll"}) {
    EXPECT_TRUE(std::filesystem::is_regular_file(root.DriveC("WINDOWS/system32/" + std::string(program))))
        << program;
  }
}

TEST(SystemTest, InitGivesTheSystemDirectoryItsProgramsAgain) {
  kit_test::TempRoot root;
  std::string error;
  ASSERT_TRUE(winsim::InitRoot("xp", false, &error)) << error;
  const std::string rundll32 = root.DriveC("WINDOWS/system32/rundll32.exe");
  EXPECT_TRUE(std::filesystem::is_regular_file(rundll32));
  EXPECT_TRUE(std::filesystem::is_regular_file(root.DriveC("WINDOWS/system32/printui.dll")));

  // A test may take a program away; only an init brings it back.
  std::filesystem::remove(rundll32);
  winsim::ResetProcessState();
  winsim::SetRoot(root.dir());
  char dir[MAX_PATH];
  GetSystemDirectoryA(dir, sizeof dir);
  EXPECT_FALSE(std::filesystem::exists(rundll32));
  ASSERT_TRUE(winsim::InitRoot("xp", true, &error)) << error;
  EXPECT_TRUE(std::filesystem::is_regular_file(rundll32));
}

TEST(SystemTest, GarbageLinesInSystemIniAreIgnored) {
  kit_test::TempRoot root;
  root.WriteSystemIni(
      "\x01\x02 garbage\n[version\nMinorVersion=1\n=7\n[version]\nMajorVersion=banana\n"
      "MinorVersion=1\n[directories]\nWindows=not a path\n[faults]\nRegOpenKeyA#0=5\n"
      "GetWindowsDirectoryA=zz\n");
  EXPECT_EQ(winsim::Facts().version.major, 5u);  // default kept
  EXPECT_EQ(winsim::Facts().version.minor, 1u);
  EXPECT_EQ(winsim::Facts().windows_dir, "C:\\WINDOWS");
  char dir[MAX_PATH];
  EXPECT_EQ(GetWindowsDirectoryA(dir, sizeof dir), 10u);  // malformed fault rules ignored
}

TEST(SystemTest, ADatabaseThatIsNotOneIsLeftUntouched) {
  kit_test::TempRoot root;
  winsim::Root();
  const std::string garbage(4096, 'x');
  std::ofstream(root.dir() + "/system.db", std::ios::binary) << garbage;
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\X", &key), ERROR_BADDB);
  std::ifstream in(root.dir() + "/system.db", std::ios::binary);
  std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(after, garbage);
}

TEST(SystemTest, ARootThatCannotBeCreatedFailsCleanly) {
  kit_test::TempRoot root;
  std::string file = root.dir() + "/plain-file";
  std::ofstream(file) << "x";
  winsim::ResetProcessState();
  winsim::SetRoot(file + "/root");  // below a file: nothing can be created
  HKEY key = nullptr;
  EXPECT_NE(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\X", &key), ERROR_SUCCESS);
  EXPECT_EQ(MessageBoxA(nullptr, "text", "caption", MB_OK), IDOK);
}

TEST(SystemTest, PathsMapDrivesAndIgnoreLetterCase) {
  kit_test::TempRoot root;
  std::filesystem::create_directories(root.DriveC("WINDOWS/Inf"));
  std::string host;
  ASSERT_EQ(winsim::ToHostPath("c:\\windows\\INF\\new.inf", &host), 0u);
  EXPECT_EQ(host, root.DriveC("WINDOWS/Inf/new.inf"));  // existing parts found, new part as spelled
  ASSERT_EQ(winsim::ToHostPath("Z:\\tmp", &host), 0u);
  EXPECT_EQ(host, "/tmp");
  ASSERT_EQ(winsim::ToHostPath("C:\\..\\..\\etc\\passwd", &host), 0u);
  EXPECT_EQ(host, root.DriveC("etc/passwd"));  // never above the drive
  EXPECT_EQ(winsim::ToHostPath("D:\\x", &host), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(winsim::ToHostPath("C:\\a|b", &host), static_cast<DWORD>(ERROR_INVALID_NAME));
  EXPECT_EQ(winsim::ToWindowsPath(root.DriveC("WINDOWS/inf")), "C:\\WINDOWS\\inf");
  EXPECT_EQ(winsim::ToWindowsPath("/home/me/kit"), "Z:\\home\\me\\kit");
}

TEST(SystemTest, EventsAreByteExactJson) {
  kit_test::TempRoot root;
  MessageBoxA(nullptr, "a\"b\\c\n\xE9", "Cap", MB_OK | MB_ICONWARNING);
  EXPECT_EQ(root.ReadEvents(),
            "{\"event\":\"MessageBox\",\"caption\":\"Cap\",\"text\":\"a\\\"b\\\\c\\n\xC3\xA9\",\"style\":48}\n");
}

TEST(SystemTest, TransactionsRollBackUnlessCommitted) {
  kit_test::TempRoot root;
  {
    winsim::Transaction tx(winsim::Transaction::kWrite);
    ASSERT_EQ(tx.status(), 0u);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\Inner", &key), ERROR_SUCCESS);
    RegCloseKey(key);
  }  // the outer transaction was not committed
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Inner", &key), ERROR_FILE_NOT_FOUND);
}

TEST(SystemTest, CommitsReachTheDiskBeforeTheCallReturns) {
  // The registry's log is synced at every commit (synchronous=FULL, 2): with
  // NORMAL a power loss could take back calls that had reported success.
  kit_test::TempRoot root;
  DWORD error = 0;
  sqlite3* db = winsim::Database(&error);
  ASSERT_NE(db, nullptr);
  winsim::Statement journal(db, "PRAGMA journal_mode");
  ASSERT_EQ(journal.Step(), SQLITE_ROW);
  EXPECT_EQ(journal.Text(0), "wal");
  winsim::Statement sync(db, "PRAGMA synchronous");
  ASSERT_EQ(sync.Step(), SQLITE_ROW);
  EXPECT_EQ(sync.Int(0), 2);
}

}  // namespace
