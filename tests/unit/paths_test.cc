// How winsim maps Windows paths to host files: the full-path rules of
// GetFullPathName (cases from Wine's conformance tests of
// RtlGetFullPathName_U, dlls/ntdll/tests/path.c, which pass on Windows), the
// current directory, and the same rules seen through the file functions.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/win32.h"
#include "platform/winsim/winsim.h"
#include "support/temp_root.h"

namespace {

namespace fs = std::filesystem;

/// Runs the test from a host directory and goes back afterwards.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::string& dir) : old_(fs::current_path()) {
    fs::create_directories(dir);
    fs::current_path(dir);
  }
  ~CurrentDirectory() { fs::current_path(old_); }

 private:
  fs::path old_;
};

class PathsTest : public ::testing::Test {
 protected:
  /// The host path a Windows path maps to, as text relative to drive C:
  /// ("" for C:'s root), or "error N".
  std::string Mapped(const std::string& windows_path) {
    std::string host;
    if (DWORD e = winsim::ToHostPath(windows_path, &host)) return "error " + std::to_string(e);
    std::string drive_c = root_.DriveC("");
    drive_c.pop_back();  // without its trailing slash
    if (host == drive_c) return "";
    if (host.compare(0, drive_c.size() + 1, drive_c + "/") == 0) return host.substr(drive_c.size() + 1);
    return "Z:" + host;
  }

  std::string Read(const std::string& relative) const {
    std::ifstream in(root_.DriveC(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  kit_test::TempRoot root_;
};

TEST_F(PathsTest, FullPathsFollowTheWin32Rules) {
  struct Case {
    const char* path;
    const char* mapped;
  } cases[] = {
      // Trailing dots and blanks of the last component are dropped.
      {"C:\\test     ", "test"},
      {"C:\\test.", "test"},
      {"C:\\test  ....   ..   ", "test"},
      {"C:\\test\\  ....   ..   ", "test"},
      {"C:\\kit\\A.DLL ", "kit/A.DLL"},
      {"C:\\kit\\A.DLL.", "kit/A.DLL"},
      {"C:\\kit\\A.DLL . .", "kit/A.DLL"},
      // ".." is the parent; ".. " is not, and vanishes.
      {"C:\\test\\..", ""},
      {"C:\\test\\.. ", "test"},
      // A component before a separator loses one dot and keeps its blanks.
      {"C:\\test.\\file", "test/file"},
      {"C:\\test..\\file", "test./file"},
      {"C:\\test.. \\file", "test.. /file"},
      // "." and ".." fold, separators of either kind, runs of them count once.
      {"C:/test/././file", "test/file"},
      {"C:\\test\\\\.\\.\\file", "test/file"},
      {"C:\\test\\test1\\..\\.\\file", "test/file"},
      {"C:///test\\..\\file\\..\\//", ""},
      {"C:\\..\\..\\etc\\passwd", "etc/passwd"},  // never above the drive's root
      {"C:\\a\\..\\..\\..\\b", "b"},
      // Neither a dot-only name nor a character Windows refuses names a file.
      {"C:\\...\\x", "error 123"},
      {"C:\\a|b", "error 123"},
      {"C:\\a\\b?", "error 123"},
      {"D:\\x", "error 3"},
      {"\\\\server\\share\\x", "error 161"},
      {"", "error 3"},
  };
  for (const Case& c : cases) EXPECT_EQ(Mapped(c.path), c.mapped) << c.path;
}

TEST_F(PathsTest, RelativePathsStartAtTheCurrentDirectory) {
  CurrentDirectory cwd(root_.DriveC("work/kit"));
  struct Case {
    const char* path;
    const char* mapped;
  } cases[] = {
      {"setup.inf", "work/kit/setup.inf"},
      {".\\setup.inf.", "work/kit/setup.inf"},
      {"sub\\A.DLL ", "work/kit/sub/A.DLL"},
      {"..\\x", "work/x"},                // climbs above the current directory
      {"..\\..\\..\\..\\x", "x"},         // but not above the drive's root
      {"\\x", "x"},                       // the current directory's drive
      {"C:x", "work/kit/x"},              // drive-relative on the current drive
      {"C:", "work/kit"},
      {"Z:x", "Z:/x"},                    // another drive: its root
  };
  for (const Case& c : cases) EXPECT_EQ(Mapped(c.path), c.mapped) << c.path;
}

// GetCurrentDirectoryA names the same directory that relative paths start
// at; a buffer too small gets the size needed with the NUL, as
// GetWindowsDirectoryA's does.
TEST_F(PathsTest, CurrentDirectoryIsTheWindowsFormOfTheHostOne) {
  char dir[MAX_PATH] = {};
  {
    CurrentDirectory cwd(root_.DriveC("work/my kit"));
    EXPECT_EQ(GetCurrentDirectoryA(sizeof dir, dir), 14u);
    EXPECT_STREQ(dir, "C:\\work\\my kit");
    EXPECT_EQ(GetCurrentDirectoryA(14, dir), 15u);
    EXPECT_EQ(Mapped(std::string(dir) + "\\setup.inf"), "work/my kit/setup.inf");
  }
  CurrentDirectory cwd("/tmp");
  EXPECT_EQ(GetCurrentDirectoryA(sizeof dir, dir), 6u);
  EXPECT_STREQ(dir, "Z:\\tmp");
}

TEST_F(PathsTest, FileFunctionsNameTheFileWithoutTrailingDotsAndBlanks) {
  root_.WriteDriveC("kit/A.DLL", "driver");
  fs::create_directories(root_.DriveC("out"));
  SetLastError(0xDEADBEEF);
  EXPECT_TRUE(CopyFileA("C:\\kit\\A.DLL ", "C:\\out\\B.DLL.", FALSE)) << GetLastError();
  EXPECT_EQ(Read("out/B.DLL"), "driver");
  EXPECT_FALSE(fs::exists(root_.DriveC("out/B.DLL.")));
  EXPECT_NE(GetFileAttributesA("C:\\kit.\\sub\\..\\a.dll. "), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(DeleteFileA("C:\\out\\.\\b.dll . "));
  EXPECT_FALSE(fs::exists(root_.DriveC("out/B.DLL")));

  root_.WriteDriveC("kit/setup.inf", "[Manufacturer]\r\n\"Brevant\"\r\n");
  char buffer[64] = {};
  EXPECT_GT(GetPrivateProfileSectionA("Manufacturer", buffer, sizeof buffer, "C:\\kit\\x\\..\\setup.inf. "), 0u);
  EXPECT_STREQ(buffer, "\"Brevant\"");
}

TEST_F(PathsTest, DosDeviceNamesAreNoFiles) {
  // Windows opens the device whatever the folder and the extension
  // (RtlIsDosDeviceName_U in Wine's ntdll path tests); here no host file may
  // bear such a name.
  for (const char* device : {"C:\\out\\CON", "C:\\out\\nul.dll", "C:\\out\\Aux .txt",
                             "C:\\out\\com9", "C:\\out\\LPT1.", "C:\\out\\CONOUT$.log",
                             "C:\\out\\PRN:x"}) {
    EXPECT_EQ(Mapped(device), "error 123") << device;
  }
  for (const char* file : {"CONSOLE.DLL", "COM0", "COM10", "LPT", "NUL_.DLL", "xCON"}) {
    EXPECT_EQ(Mapped(std::string("C:\\out\\") + file), std::string("out/") + file);
  }
  EXPECT_EQ(Mapped("C:\\CON\\x"), "CON/x");  // only the last component is a device

  root_.WriteDriveC("kit/A.DLL", "driver");
  fs::create_directories(root_.DriveC("out"));
  SetLastError(0xDEADBEEF);
  EXPECT_FALSE(CopyFileA("C:\\kit\\A.DLL", "C:\\out\\CON.DLL", FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
  EXPECT_TRUE(fs::is_empty(root_.DriveC("out")));
}

}  // namespace
