// Every length limit of the kit, each just under, at and over its limit:
// the result is the documented refusal or cut, and (under the sanitizer
// build) nothing is ever written past a buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "installer/front/uninstall.h"
#include "installer/inf/cabinet_copy.h"
#include "installer/inf/driver_install.h"
#include "installer/inf/inf_access.h"
#include "installer/inf/printer_install.h"
#include "installer/records/driver_record.h"
#include "support/temp_root.h"
#include "utility/exports.h"

namespace {

struct Bound {
  const char* what;
  size_t limit;                                // the longest length that is accepted
  std::function<bool(size_t length)> accepted;  // runs the operation at that length
};

bool EventsMention(const kit_test::TempRoot& root, const char* text) {
  return root.ReadEvents().find(text) != std::string::npos;
}

std::string Name(size_t n) { return std::string(n, 'n'); }

/// A path on drive C: of exactly `n` characters: one folder of 100, then a
/// file name (host file systems cap a name at 255 bytes).
std::string LongWindowsPath(size_t n) {
  return "C:\\" + std::string(100, 'd') + "\\" + Name(n - 104);
}

/// The part of a C: path below the drive, with forward slashes.
std::string HostRelative(const std::string& windows_path) {
  std::string relative = windows_path.substr(3);
  for (char& c : relative) {
    if (c == '\\') c = '/';
  }
  return relative;
}

/// MyCopyFile's answer; a refusal must be the 206 box under the source.
bool CopyAccepted(const kit_test::TempRoot& root, const std::string& source,
                  const std::string& target) {
  bool copied = MyCopyFile(source, target);
  if (copied) {
    EXPECT_NE(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES);
  } else {
    EXPECT_TRUE(EventsMention(root, "The filename or extension is too long.")) << root.ReadEvents();
  }
  return copied;
}

TEST(BoundsTest, EveryLimitHoldsJustUnderAtAndOver) {
  const Bound bounds[] = {
      {"printer name in the printer description", 259,
       [](size_t n) {
         kit_test::TempRoot root;
         InstallPrinter("", Name(n), "", "LPT1:");
         // Our refusal is 1801; a name that fits reaches the spooler, which
         // knows no such driver (1797).
         return !EventsMention(root, "The printer name is invalid.");
       }},
      {"driver name of the uninstall", 259,
       [](size_t n) {
         kit_test::TempRoot root;
         return DeletePrintersOfDriver(Name(n)) == 1;
       }},
      {"driver record path", 259,
       [](size_t n) {
         kit_test::TempRoot root;
         const size_t fixed = std::strlen("Software\\M\\QXPrinter\\Drivers\\");
         bool created = CreateDriverRecord("\"" + Name(n - fixed) + "\"", "M");
         EXPECT_EQ(created, RegistryKeyExists("Software\\M\\QXPrinter\\Drivers\\" + Name(n - fixed)));
         return created;
       }},
      {"port record key path (manufacturer name)", 259,
       [](size_t n) {
         kit_test::TempRoot root;
         const size_t fixed = std::strlen("Software\\\\QXPrinter\\Port\\PARALLEL");
         std::string maker = Name(n - fixed);
         HKEY key = nullptr;
         std::string path = "Software\\" + maker + "\\QXPrinter\\Port\\PARALLEL";
         EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &key), ERROR_SUCCESS);
         const BYTE data[] = "device";
         RegSetValueExA(key, "LPT2:", 0, REG_SZ, data, sizeof data);
         RegCloseKey(key);
         std::string port;
         GetActivePort(port, maker, "TR-2210");
         return port == "LPT2:";  // else the key was never opened: "LPT1:"
       }},
      {"cabinet target path", 259,
       [](size_t n) {
         kit_test::TempRoot root;
         CabinetContext context{"DRV.DLL ", "C:\\" + Name(n - std::strlen("C:\\\\DRV.DLL"))};
         FILE_IN_CABINET_INFO_A info = {};
         info.NameInCabinet = "drv.dll";
         std::memset(info.FullTargetName, 0x5A, sizeof info.FullTargetName);
         UINT answer = CabinetFileCallback(&context, SPFILENOTIFY_FILEINCABINET,
                                           reinterpret_cast<UINT_PTR>(&info), 0);
         if (answer == FILEOP_DOIT) {
           EXPECT_EQ(std::strlen(info.FullTargetName), n);
         }
         return answer == FILEOP_DOIT;
       }},
      {"source path of a copy", 259,
       [](size_t n) {
         kit_test::TempRoot root;
         std::string source = LongWindowsPath(n);
         root.WriteDriveC(HostRelative(source), "data");
         return CopyAccepted(root, source, "C:\\t.dll");
       }},
      {"target path of a copy", 259,
       [](size_t n) {
         kit_test::TempRoot root;
         root.WriteDriveC("s.dll", "data");
         std::filesystem::create_directories(root.DriveC(std::string(100, 'd')));
         return CopyAccepted(root, "C:\\s.dll", LongWindowsPath(n));
       }},
      {"export string (folder of MySetFilesAttibute)", 259,
       [](size_t n) {
         kit_test::TempRoot root;
         const DWORD attributes = FILE_ATTRIBUTE_READONLY;
         SetLastError(0);
         MySetFilesAttibute(0, &attributes, ("C:\\" + Name(n - 3)).c_str());
         return GetLastError() != ERROR_INVALID_PARAMETER;
       }},
      {"export string (printer of IsPrinterInstalled)", 259,
       [](size_t n) {
         kit_test::TempRoot root;
         SetLastError(0);
         IsPrinterInstalled(0, 0, Name(n).c_str());
         return GetLastError() != ERROR_INVALID_PARAMETER;
       }},
      // The list starts with the comma that follows the skipped "." entry,
      // so names and their separators may take 1,022 of its 1,023 characters.
      {"folder entry list", 1022,
       [](size_t n) {
         kit_test::TempRoot root;
         // Entries of 9 characters joined by commas, the last one 3 to 12.
         std::string dir = root.DriveC("list");
         std::filesystem::create_directories(dir);
         size_t used = 0;
         for (int i = 0;; ++i) {
           size_t sep = i == 0 ? 0 : 1;
           size_t left = n - used - sep;
           size_t len = left <= 12 ? left : 9;
           char name[32];
           std::snprintf(name, sizeof name, "%0*d", static_cast<int>(len), i);
           std::ofstream(dir + "/" + name) << "x";
           used += sep + len;
           if (len == left) break;
         }
         const DWORD attributes = FILE_ATTRIBUTE_HIDDEN;
         int result = MySetFilesAttibute(0, &attributes, "C:\\list");
         if (result == 0) {
           EXPECT_EQ(GetFileAttributesA("C:\\list\\000000000") & FILE_ATTRIBUTE_HIDDEN, 0u);
         }
         return used == n && result == 1;
       }},
  };
  for (const Bound& b : bounds) {
    EXPECT_TRUE(b.accepted(b.limit - 1)) << b.what << " just under " << b.limit;
    EXPECT_TRUE(b.accepted(b.limit)) << b.what << " at " << b.limit;
    EXPECT_FALSE(b.accepted(b.limit + 1)) << b.what << " over " << b.limit;
  }
}

TEST(BoundsTest, ValuesAreCutAndListsGrow) {
  kit_test::TempRoot root;
  std::string inf = root.WriteDriveC("k/long.inf", "[Manufacturer]\r\n\"" + std::string(300, 'M') +
                                                       "\"\r\n[S]\r\nk=" + std::string(300, 'v') + "\r\n");
  EXPECT_EQ(MyGetProfileString("C:\\k\\long.inf", "S", "k"), std::string(259, 'v'));
  EXPECT_LE(GetManufacturerName("C:\\k\\long.inf").size(), 258u);  // cut by the 260-byte section read
  EXPECT_EQ(GetManufacturerName("C:\\" + std::string(400, 'p') + "\\x.inf"), "");
  // Thirty copied files of twelve characters: a list far past 260 bytes.
  std::string copied;
  for (int i = 0; i < 30; ++i) copied += "FILE" + std::to_string(10000000 + i) + " ";
  std::string list = DependentFileList(copied);
  for (int i = 0; i < 30; ++i)
    EXPECT_NE(list.find("FILE" + std::to_string(10000000 + i) + '\0'), std::string::npos) << i;
  // The list as the spooler reads it ends after the last name.
  EXPECT_EQ(list.find(std::string("\0\0", 2)), list.find("FILE10000029") + 12);
  // A model list of ten thousand characters is only read.
  std::string port;
  EXPECT_EQ(GetActivePort(port, "Brevant", std::string(10000, ',') + "TR"), 1);
  EXPECT_EQ(port, "LPT1:");
}

}  // namespace
