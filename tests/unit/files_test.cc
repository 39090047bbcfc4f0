// The simulated KERNEL32 file functions: copy, delete, attributes and
// directory searches, each checked for its result and its last error.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "support/temp_root.h"

namespace {

constexpr DWORD kPoison = 0xDEADBEEF;

class WinsimFilesTest : public ::testing::Test {
 protected:
  std::string Read(const std::string& relative) const {
    std::ifstream in(root_.DriveC(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::vector<std::string> HostEntries(const std::string& relative) const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(root_.DriveC(relative))) {
      names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  mode_t Mode(const std::string& relative) const {
    struct stat st;
    EXPECT_EQ(stat(root_.DriveC(relative).c_str(), &st), 0) << relative;
    return st.st_mode;
  }
  /// Every name a search for `pattern` delivers, in order.
  std::vector<std::string> Search(const char* pattern, DWORD* first_error = nullptr) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    SetLastError(kPoison);
    HANDLE h = FindFirstFileA(pattern, &data);
    if (h == INVALID_HANDLE_VALUE) {
      if (first_error) *first_error = GetLastError();
      return names;
    }
    do {
      names.push_back(data.cFileName);
      SetLastError(kPoison);
    } while (FindNextFileA(h, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES)) << pattern;
    EXPECT_TRUE(FindClose(h));
    return names;
  }

  kit_test::TempRoot root_;
};

TEST_F(WinsimFilesTest, CopyFailuresGiveTheWindowsErrors) {
  root_.WriteDriveC("src/a.txt", "alpha");
  root_.WriteDriveC("dst/existing.txt", "old");
  root_.WriteDriveC("dst/locked.txt", "locked");
  std::filesystem::create_directories(root_.DriveC("dst/folder"));
  ASSERT_TRUE(SetFileAttributesA("C:\\dst\\locked.txt", FILE_ATTRIBUTE_READONLY));
  struct Case {
    const char* from;
    const char* to;
    BOOL fail_if_exists;
    DWORD error;
  } cases[] = {
      {"C:\\src\\missing.txt", "C:\\dst\\x.txt", FALSE, ERROR_FILE_NOT_FOUND},
      {"C:\\nodir\\a.txt", "C:\\dst\\x.txt", FALSE, ERROR_PATH_NOT_FOUND},
      {"C:\\src\\a.txt", "C:\\nodir\\a.txt", FALSE, ERROR_PATH_NOT_FOUND},
      {"C:\\src", "C:\\dst\\x.txt", FALSE, ERROR_ACCESS_DENIED},
      {"C:\\src\\a.txt", "C:\\dst\\existing.txt", TRUE, ERROR_FILE_EXISTS},
      {"C:\\src\\a.txt", "C:\\dst\\locked.txt", FALSE, ERROR_ACCESS_DENIED},
      {"C:\\src\\a.txt", "C:\\dst\\folder", FALSE, ERROR_ACCESS_DENIED},
      {"C:\\src\\a.txt", "c:\\SRC\\A.TXT", FALSE, ERROR_SHARING_VIOLATION},
      {"Q:\\a.txt", "C:\\dst\\x.txt", FALSE, ERROR_PATH_NOT_FOUND},
  };
  for (const auto& c : cases) {
    SetLastError(kPoison);
    EXPECT_FALSE(CopyFileA(c.from, c.to, c.fail_if_exists)) << c.from << " -> " << c.to;
    EXPECT_EQ(GetLastError(), c.error) << c.from << " -> " << c.to;
  }
  EXPECT_EQ(Read("dst/existing.txt"), "old");
  EXPECT_EQ(Read("dst/locked.txt"), "locked");
  EXPECT_EQ(Read("src/a.txt"), "alpha");
  EXPECT_EQ(HostEntries("dst"), (std::vector<std::string>{"existing.txt", "folder", "locked.txt"}));
}

// A FIFO or device is refused before it is opened: opening a FIFO that no
// one writes would wait for ever. Windows answers ERROR_ACCESS_DENIED for a
// device opened as a file; a profile read treats it as a missing file.
TEST_F(WinsimFilesTest, NonRegularFilesAreRefusedWithoutBlocking) {
  std::filesystem::create_directories(root_.DriveC("src"));
  ASSERT_EQ(mkfifo(root_.DriveC("src/pipe.dll").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo(root_.DriveC("src/pipe.inf").c_str(), 0644), 0);
  SetLastError(kPoison);
  EXPECT_FALSE(CopyFileA("C:\\src\\pipe.dll", "C:\\src\\copy.dll", FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  char value[16] = "x";
  EXPECT_EQ(GetPrivateProfileStringA("Manufacturer", nullptr, "", value, sizeof value, "C:\\src\\pipe.inf"), 0u);
  EXPECT_EQ(HostEntries("src"), (std::vector<std::string>{"pipe.dll", "pipe.inf"}));
}

TEST_F(WinsimFilesTest, CopyReplacesThroughExistingComponentsInAnyCase) {
  root_.WriteDriveC("Kit/Driver.DLL", std::string(200000, 'x') + "end");
  root_.WriteDriveC("WINDOWS/INF/driver.dll", "old");
  ASSERT_TRUE(CopyFileA("c:\\kit\\driver.dll", "C:\\windows\\inf\\DRIVER.DLL", FALSE));
  EXPECT_EQ(Read("WINDOWS/INF/driver.dll"), std::string(200000, 'x') + "end");
  // One INF directory and no temporary file left beside the copy.
  EXPECT_EQ(HostEntries("WINDOWS/INF"), std::vector<std::string>{"driver.dll"});
  // A new name is created as spelled inside the existing directory.
  ASSERT_TRUE(CopyFileA("C:\\Kit\\Driver.DLL", "C:\\windows\\inf\\New.Dll", TRUE));
  EXPECT_EQ(HostEntries("WINDOWS/INF"), (std::vector<std::string>{"New.Dll", "driver.dll"}));
}

TEST_F(WinsimFilesTest, CopyCarriesAttributesAndWriteTime) {
  std::string host = root_.WriteDriveC("src/ro.txt", "read only");
  struct timespec times[2] = {{946684800, 0}, {946684800, 0}};  // 2000-01-01
  ASSERT_EQ(utimensat(AT_FDCWD, host.c_str(), times, 0), 0);
  ASSERT_TRUE(SetFileAttributesA("C:\\src\\ro.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(CopyFileA("C:\\src\\ro.txt", "C:\\copy.txt", FALSE));
  EXPECT_EQ(GetFileAttributesA("C:\\copy.txt"),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(Mode("copy.txt") & 0222, 0u);
  // The read-only copy cannot be replaced until its attribute is cleared.
  SetLastError(kPoison);
  EXPECT_FALSE(CopyFileA("C:\\src\\ro.txt", "C:\\copy.txt", FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  ASSERT_TRUE(SetFileAttributesA("C:\\copy.txt", FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(CopyFileA("C:\\src\\ro.txt", "C:\\copy.txt", FALSE));

  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA("C:\\copy.txt", &data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  // 2000-01-01 00:00 UTC in 100 ns ticks since 1601.
  uint64_t ticks = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                   data.ftLastWriteTime.dwLowDateTime;
  EXPECT_EQ(ticks, 125911584000000000ULL);
  EXPECT_EQ(data.nFileSizeLow, 9u);
  EXPECT_EQ(data.nFileSizeHigh, 0u);
  FindClose(h);
}

TEST_F(WinsimFilesTest, DeleteRefusesDirectoriesAndReadOnlyFiles) {
  root_.WriteDriveC("d/a.txt", "a");
  root_.WriteDriveC("d/ro.txt", "r");
  ASSERT_TRUE(SetFileAttributesA("C:\\d\\ro.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM));
  struct Case {
    const char* path;
    DWORD error;
  } cases[] = {
      {"C:\\d\\missing.txt", ERROR_FILE_NOT_FOUND},
      {"C:\\nodir\\a.txt", ERROR_PATH_NOT_FOUND},
      {"C:\\d", ERROR_ACCESS_DENIED},
      {"C:\\d\\RO.TXT", ERROR_ACCESS_DENIED},
  };
  for (const auto& c : cases) {
    SetLastError(kPoison);
    EXPECT_FALSE(DeleteFileA(c.path)) << c.path;
    EXPECT_EQ(GetLastError(), c.error) << c.path;
  }
  EXPECT_TRUE(DeleteFileA("C:\\D\\A.TXT"));
  ASSERT_TRUE(SetFileAttributesA("C:\\d\\ro.txt", FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_TRUE(DeleteFileA("C:\\d\\ro.txt"));
  EXPECT_TRUE(HostEntries("d").empty());
  // A new file of the same name starts without the old attributes.
  root_.WriteDriveC("d/ro.txt", "new");
  EXPECT_EQ(GetFileAttributesA("C:\\d\\ro.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
}

TEST_F(WinsimFilesTest, AttributesAreKeptAndReadOnlyFollowsTheWriteBits) {
  root_.WriteDriveC("f/a.txt", "a");
  std::filesystem::create_directories(root_.DriveC("f/sub"));
  EXPECT_EQ(GetFileAttributesA("C:\\f\\a.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(GetFileAttributesA("C:\\F"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  mode_t writable = Mode("f/a.txt") & 0222;
  ASSERT_NE(writable, 0u);

  ASSERT_TRUE(SetFileAttributesA("c:\\F\\A.TXT", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                    FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(GetFileAttributesA("C:\\f\\a.txt"),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(Mode("f/a.txt") & 0222, 0u);
  ASSERT_TRUE(SetFileAttributesA("C:\\f\\a.txt", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributesA("C:\\f\\a.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(Mode("f/a.txt") & 0222, writable);

  // A directory keeps its write bits: read-only is not enforced on folders.
  ASSERT_TRUE(SetFileAttributesA("C:\\f\\sub", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributesA("C:\\f\\sub"),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_NE(Mode("f/sub") & S_IWUSR, 0u);
  EXPECT_TRUE(CopyFileA("C:\\f\\a.txt", "C:\\f\\sub\\a.txt", FALSE));

  // A host file without write permission reports read-only; clearing it
  // gives the owner write permission.
  std::string host = root_.WriteDriveC("f/host_ro.txt", "x");
  chmod(host.c_str(), 0444);
  EXPECT_EQ(GetFileAttributesA("C:\\f\\host_ro.txt"),
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_TRUE(SetFileAttributesA("C:\\f\\host_ro.txt", FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_NE(Mode("f/host_ro.txt") & S_IWUSR, 0u);

  // A file replaced by other means does not inherit the old file's attributes.
  ASSERT_TRUE(SetFileAttributesA("C:\\f\\a.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
  std::filesystem::remove(root_.DriveC("f/a.txt"));
  root_.WriteDriveC("f/a.txt", "replaced");
  EXPECT_EQ(GetFileAttributesA("C:\\f\\a.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_TRUE(CopyFileA("C:\\f\\host_ro.txt", "C:\\f\\a.txt", FALSE));

  for (const char* missing : {"C:\\f\\none.txt", "C:\\none\\a.txt"}) {
    DWORD expected = std::string(missing).find("none\\") != std::string::npos ? ERROR_PATH_NOT_FOUND
                                                                                : ERROR_FILE_NOT_FOUND;
    SetLastError(kPoison);
    EXPECT_EQ(GetFileAttributesA(missing), INVALID_FILE_ATTRIBUTES) << missing;
    EXPECT_EQ(GetLastError(), expected) << missing;
    SetLastError(kPoison);
    EXPECT_FALSE(SetFileAttributesA(missing, FILE_ATTRIBUTE_HIDDEN)) << missing;
    EXPECT_EQ(GetLastError(), expected) << missing;
  }
}

TEST_F(WinsimFilesTest, ACopyRemovesTheTemporaryFilesOfEndedWriters) {
  // A writer killed in the middle of a copy or an extraction leaves its
  // temporary file; one of a process still running may be under way.
  pid_t ended = fork();
  if (ended == 0) _exit(0);
  ASSERT_GT(ended, 0);
  waitpid(ended, nullptr, 0);
  const std::string dead = std::to_string(ended), alive = std::to_string(getpid());
  const std::string names[] = {".~winsim-copy-" + dead + "-Ab12Cd", ".~winsim-cab-" + dead + "-x1",
                               ".~winsim-copy-" + alive + "-Ef34Gh", ".~winsim-copy-Ij56Kl",
                               ".~winsim-cab-" + dead};
  for (const std::string& name : names) root_.WriteDriveC("dir/" + name, "part of a copy");
  root_.WriteDriveC("src.txt", "source");

  ASSERT_TRUE(CopyFileA("C:\\src.txt", "C:\\dir\\dst.txt", FALSE));

  EXPECT_FALSE(std::filesystem::exists(root_.DriveC("dir/" + names[0])));
  EXPECT_FALSE(std::filesystem::exists(root_.DriveC("dir/" + names[1])));
  // The running writer's file and names of other forms stay.
  for (size_t i = 2; i < std::size(names); ++i) {
    EXPECT_TRUE(std::filesystem::exists(root_.DriveC("dir/" + names[i]))) << names[i];
  }
}

TEST_F(WinsimFilesTest, SearchListsDotsFirstThenNamesWithoutRegardToCase) {
  root_.WriteDriveC("dir/b.txt", "bb");
  root_.WriteDriveC("dir/A.txt", "a");
  root_.WriteDriveC("dir/c", "ccc");
  root_.WriteDriveC("dir/x.dll", "x");
  root_.WriteDriveC("dir/back\\slash", "unreachable from Windows");
  root_.WriteDriveC("dir/.~winsim-copy-Ab12Cd", "a copy under way");
  std::filesystem::create_directories(root_.DriveC("dir/Sub"));
  std::filesystem::create_directories(root_.DriveC("empty"));
  using Names = std::vector<std::string>;
  EXPECT_EQ(Search("C:\\dir\\*.*"), (Names{".", "..", "A.txt", "b.txt", "c", "Sub", "x.dll"}));
  EXPECT_EQ(Search("c:\\DIR\\*"), (Names{".", "..", "A.txt", "b.txt", "c", "Sub", "x.dll"}));
  EXPECT_EQ(Search("C:\\dir\\*.TXT"), (Names{"A.txt", "b.txt"}));
  EXPECT_EQ(Search("C:\\dir\\?.txt"), (Names{"A.txt", "b.txt"}));
  EXPECT_EQ(Search("C:\\dir\\s*"), (Names{"Sub"}));
  EXPECT_EQ(Search("C:\\dir\\c.*"), (Names{"c"}));
  EXPECT_EQ(Search("C:\\empty\\*.*"), (Names{".", ".."}));
  // A drive's root has no "." and "..".
  Names root_names = Search("C:\\*");
  ASSERT_FALSE(root_names.empty());
  EXPECT_NE(root_names[0], ".");

  struct Failure {
    const char* pattern;
    DWORD error;
  } failures[] = {
      {"C:\\dir\\*.exe", ERROR_FILE_NOT_FOUND},
      {"C:\\dir\\", ERROR_FILE_NOT_FOUND},
      {"C:\\nodir\\*.*", ERROR_PATH_NOT_FOUND},
      {"C:\\dir\\c\\*.*", ERROR_PATH_NOT_FOUND},
  };
  for (const auto& f : failures) {
    DWORD error = 0;
    EXPECT_TRUE(Search(f.pattern, &error).empty()) << f.pattern;
    EXPECT_EQ(error, f.error) << f.pattern;
  }
}

// Windows names hold text in the system code page; host names are UTF-8.
// A name names the host file whose UTF-8 name is the same text, both ways.
TEST_F(WinsimFilesTest, NamesInCodePage1252NameUtf8HostFiles) {
  root_.WriteDriveC("kit/\u00DCn\u00EF.DLL", "umlauts");  // Ünï.DLL on the host
  std::filesystem::create_directories(root_.DriveC("out"));
  SetLastError(kPoison);
  EXPECT_TRUE(CopyFileA("C:\\kit\\\xDCn\xEF.DLL", "C:\\out\\\xDCn\xEF.DLL", FALSE)) << GetLastError();
  EXPECT_EQ(Read("out/\u00DCn\u00EF.DLL"), "umlauts");
  // Letter case is ignored beyond ASCII too (ü is Ü).
  EXPECT_NE(GetFileAttributesA("C:\\KIT\\\xFCN\xCF.dll"), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(DeleteFileA("C:\\out\\\xFCn\xEF.dll"));
  EXPECT_EQ(HostEntries("out"), std::vector<std::string>{});

  // Names come back in the code page: best fit where it lacks a character
  // (Ω as O), '?' where there is none; a host name that is not UTF-8 has no
  // Windows form at all and is not listed. The order is that of the names
  // themselves (Ü, Ω, 日), not of their code-page forms.
  root_.WriteDriveC("kit/\u03A9mega.txt", "omega");
  root_.WriteDriveC("kit/\u65E5\u672C.txt", "nihon");
  root_.WriteDriveC("kit/\xFF\xFE.bin", "not UTF-8");
  using Names = std::vector<std::string>;
  EXPECT_EQ(Search("C:\\kit\\*"), (Names{".", "..", "\xDCn\xEF.DLL", "Omega.txt", "??.txt"}));
  // The pattern is matched against the name itself, not its best-fit form.
  EXPECT_EQ(Search("C:\\kit\\O*"), (Names{}));
  EXPECT_EQ(Search("C:\\kit\\\xFC*"), (Names{"\xDCn\xEF.DLL"}));
}

TEST_F(WinsimFilesTest, DoubleByteNamesWithABackslashTrailByteAreOneComponent) {
  root_.WriteSystemIni("[locale]\nCodePage=932\n");
  // U+8868 is 0x95 0x5C in code page 932: its trail byte is a backslash.
  root_.WriteDriveC("kit/\u8868.txt", "hyou");
  std::filesystem::create_directories(root_.DriveC("out/\u8868"));
  SetLastError(kPoison);
  EXPECT_TRUE(CopyFileA("C:\\kit\\\x95\x5C.txt", "C:\\out\\\x95\x5C\\\x95\x5C.txt", FALSE))
      << GetLastError();
  EXPECT_EQ(Read("out/\u8868/\u8868.txt"), "hyou");
  using Names = std::vector<std::string>;
  EXPECT_EQ(Search("C:\\out\\\x95\x5C\\*.txt"), (Names{"\x95\x5C.txt"}));
}

TEST_F(WinsimFilesTest, SearchRecordsCarryAttributesAndSizes) {
  root_.WriteDriveC("dir/big.bin", std::string(70000, 'b'));
  std::filesystem::create_directories(root_.DriveC("dir/Sub"));
  ASSERT_TRUE(SetFileAttributesA("C:\\dir\\big.bin", FILE_ATTRIBUTE_HIDDEN));
  WIN32_FIND_DATAA data;
  std::memset(&data, 0xCC, sizeof data);
  HANDLE h = FindFirstFileA("C:\\dir\\*", &data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(data.cFileName, ".");
  EXPECT_EQ(data.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_STREQ(data.cAlternateFileName, "");
  ASSERT_TRUE(FindNextFileA(h, &data));
  EXPECT_STREQ(data.cFileName, "..");
  ASSERT_TRUE(FindNextFileA(h, &data));
  EXPECT_STREQ(data.cFileName, "big.bin");
  EXPECT_EQ(data.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(data.nFileSizeLow, 70000u);
  EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
  ASSERT_TRUE(FindNextFileA(h, &data));
  EXPECT_STREQ(data.cFileName, "Sub");
  EXPECT_EQ(data.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(data.nFileSizeLow, 0u);
  SetLastError(kPoison);
  EXPECT_FALSE(FindNextFileA(h, &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  EXPECT_TRUE(FindClose(h));

  // A closed or forged handle is refused, never followed.
  for (HANDLE bad : {h, reinterpret_cast<HANDLE>(0x1234), INVALID_HANDLE_VALUE}) {
    SetLastError(kPoison);
    EXPECT_FALSE(FindNextFileA(bad, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(kPoison);
    EXPECT_FALSE(FindClose(bad));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  }
}

TEST_F(WinsimFilesTest, SearchSkipsEntriesThatVanishAfterItStarts) {
  root_.WriteDriveC("dir/a1.txt", "1");
  root_.WriteDriveC("dir/a2.txt", "2");
  root_.WriteDriveC("dir/a3.txt", "3");
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA("C:\\dir\\a*", &data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(data.cFileName, "a1.txt");
  ASSERT_TRUE(DeleteFileA("C:\\dir\\a2.txt"));
  ASSERT_TRUE(FindNextFileA(h, &data));
  EXPECT_STREQ(data.cFileName, "a3.txt");
  EXPECT_FALSE(FindNextFileA(h, &data));
  FindClose(h);
}

TEST_F(WinsimFilesTest, InjectedFaultsFailEachFunction) {
  root_.WriteSystemIni(
      "[faults]\nCopyFileA=112\nDeleteFileA=32\nFindFirstFileA#1=5\nSetFileAttributesA=5\n"
      "GetFileAttributesA=21\nFindNextFileA#2=30\n");
  root_.WriteDriveC("d/a.txt", "a");
  root_.WriteDriveC("d/b.txt", "b");
  root_.WriteDriveC("d/c.txt", "c");
  SetLastError(kPoison);
  EXPECT_FALSE(CopyFileA("C:\\d\\a.txt", "C:\\d\\z.txt", FALSE));
  EXPECT_EQ(GetLastError(), 112u);
  EXPECT_FALSE(DeleteFileA("C:\\d\\a.txt"));
  EXPECT_EQ(GetLastError(), 32u);
  EXPECT_FALSE(SetFileAttributesA("C:\\d\\a.txt", FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(GetLastError(), 5u);
  EXPECT_EQ(GetFileAttributesA("C:\\d\\a.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), 21u);
  EXPECT_TRUE(std::filesystem::exists(root_.DriveC("d/a.txt")));
  EXPECT_FALSE(std::filesystem::exists(root_.DriveC("d/z.txt")));

  WIN32_FIND_DATAA data;
  EXPECT_EQ(FindFirstFileA("C:\\d\\*.txt", &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), 5u);
  // A fault on one FindNextFileA call fails that call only.
  HANDLE h = FindFirstFileA("C:\\d\\*.txt", &data);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(FindNextFileA(h, &data));
  SetLastError(kPoison);
  EXPECT_FALSE(FindNextFileA(h, &data));
  EXPECT_EQ(GetLastError(), 30u);
  EXPECT_TRUE(FindNextFileA(h, &data));
  EXPECT_STREQ(data.cFileName, "c.txt");
  EXPECT_TRUE(FindClose(h));
}

}  // namespace
