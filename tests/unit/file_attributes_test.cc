// MySetFilesAttibute and the folder listing behind it.
#include "utility/file_attributes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ombrel_test_support.h"
#include "utility/exports.h"

namespace {

using ombrel_test::OmbrelSystem;
using Captions = std::vector<std::string>;

constexpr DWORD kHiddenReadOnly = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY;

class OmbrelFileAttributes : public testing::Test {
 protected:
  /// Creates files (and, for names ending in "/", folders) below C:\kit.
  void Make(std::initializer_list<std::string> names) {
    std::filesystem::create_directories(sys_.root().DriveC("kit"));
    for (const std::string& name : names) {
      if (!name.empty() && name.back() == '/') {
        std::filesystem::create_directories(sys_.root().DriveC("kit/" + name));
      } else {
        sys_.root().WriteDriveC("kit/" + name, "data");
      }
    }
  }

  static DWORD Attributes(const std::string& windows_path) {
    return GetFileAttributesA(windows_path.c_str());
  }

  static bool HasAll(const std::string& windows_path, DWORD bits) {
    DWORD a = Attributes(windows_path);
    return a != INVALID_FILE_ATTRIBUTES && (a & bits) == bits;
  }

  static bool HasNone(const std::string& windows_path, DWORD bits) {
    DWORD a = Attributes(windows_path);
    return a != INVALID_FILE_ATTRIBUTES && (a & bits) == 0;
  }

  OmbrelSystem sys_;
};

TEST_F(OmbrelFileAttributes, ListSkipsShortNamesAndMayBeginWithAComma) {
  Make({"ab", "abc", "defg", "x/"});
  char list[ombrel::kEntryListSize] = {};
  EXPECT_EQ(ombrel::ListFolderEntries("C:\\kit", list), 2);
  EXPECT_STREQ(list, ",abc,defg");
}

TEST_F(OmbrelFileAttributes, LongNamesOfFilesAndSubfoldersReceiveTheAttributes) {
  Make({"ab", "abc.txt", "sub/", "sub/inner.txt", "Z"});
  DWORD value = kHiddenReadOnly;

  EXPECT_EQ(MySetFilesAttibute(0, &value, "C:\\kit"), 1);

  EXPECT_TRUE(HasAll("C:\\kit\\abc.txt", kHiddenReadOnly));
  EXPECT_TRUE(HasAll("C:\\kit\\sub", kHiddenReadOnly | FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_TRUE(HasNone("C:\\kit\\ab", kHiddenReadOnly));
  EXPECT_TRUE(HasNone("C:\\kit\\Z", kHiddenReadOnly));
  EXPECT_TRUE(HasNone("C:\\kit\\sub\\inner.txt", kHiddenReadOnly));
  EXPECT_TRUE(sys_.BoxCaptions().empty());
}

TEST_F(OmbrelFileAttributes, NothingToSetGivesZeroWithoutABox) {
  Make({"ab", "c"});
  DWORD value = FILE_ATTRIBUTE_READONLY;
  EXPECT_EQ(MySetFilesAttibute(0, &value, "C:\\kit"), 0);  // only short names
  std::filesystem::create_directories(sys_.root().DriveC("empty"));
  EXPECT_EQ(MySetFilesAttibute(0, &value, "C:\\empty"), 0);    // only "." and ".."
  EXPECT_EQ(MySetFilesAttibute(0, &value, "C:\\missing"), 0);  // cannot be searched
  EXPECT_TRUE(sys_.BoxCaptions().empty());
}

TEST_F(OmbrelFileAttributes, CommaInANameSplitsItAndTheMissingPieceFails) {
  // Sorted, the entries are "a,bc.txt", "later.txt": the list reads
  // ",a,bc.txt,later.txt" and its first piece "a" names no entry.
  Make({"a,bc.txt", "later.txt", "bc.txt"});
  DWORD value = FILE_ATTRIBUTE_READONLY;

  EXPECT_EQ(MySetFilesAttibute(0, &value, "C:\\kit"), 0);

  EXPECT_EQ(sys_.BoxCaptions(), Captions{"Ombrel.Dll"});
  EXPECT_TRUE(HasNone("C:\\kit\\a,bc.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(HasNone("C:\\kit\\later.txt", FILE_ATTRIBUTE_READONLY));
}

TEST_F(OmbrelFileAttributes, PiecesThatNameTheFolderOrItsParentAreSkipped) {
  // "..,aaa" yields the piece "..", the folder above; "...,aaa" the piece
  // "...", the folder itself once Windows drops its trailing dots.
  Make({"sub/", "sub/..,aaa", "sub/...,aaa", "sub/aaa"});
  DWORD value = kHiddenReadOnly;

  EXPECT_EQ(MySetFilesAttibute(0, &value, "C:\\kit\\sub"), 1);

  EXPECT_TRUE(sys_.BoxCaptions().empty());
  EXPECT_TRUE(HasAll("C:\\kit\\sub\\aaa", kHiddenReadOnly));
  EXPECT_TRUE(HasNone("C:\\kit", kHiddenReadOnly));
  EXPECT_TRUE(HasNone("C:\\kit\\sub", kHiddenReadOnly));
  EXPECT_TRUE(HasNone("C:\\kit\\sub\\..,aaa", kHiddenReadOnly));
}

TEST_F(OmbrelFileAttributes, FailureStopsTheWalkAndKeepsEarlierChanges) {
  Make({"first.txt", "second.txt", "third.txt"});
  sys_.root().WriteSystemIni(ombrel_test::VersionIni("2000") +
                             "[faults]\nSetFileAttributesA#2=5\n");
  DWORD value = FILE_ATTRIBUTE_READONLY;

  EXPECT_EQ(MySetFilesAttibute(0, &value, "C:\\kit"), 0);

  EXPECT_EQ(sys_.BoxCaptions(), Captions{"Ombrel.Dll"});
  EXPECT_TRUE(HasAll("C:\\kit\\first.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(HasNone("C:\\kit\\third.txt", FILE_ATTRIBUTE_READONLY));
}

TEST_F(OmbrelFileAttributes, RefusedArgumentsChangeNothing) {
  Make({"abc.txt"});
  DWORD value = FILE_ATTRIBUTE_READONLY;
  std::string too_long = "C:\\" + ombrel_test::NameOfLength(257);
  EXPECT_EQ(MySetFilesAttibute(0, &value, too_long.c_str()), 0);
  EXPECT_EQ(MySetFilesAttibute(0, &value, nullptr), 0);
  EXPECT_EQ(MySetFilesAttibute(0, nullptr, "C:\\kit"), 0);
  EXPECT_TRUE(HasNone("C:\\kit\\abc.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(sys_.Events().empty());
}

TEST_F(OmbrelFileAttributes, AnEmptyFolderIsRefusedAndTheDriveRootKeepsItsAttributes) {
  // "" would search "\*.*", the root of the current drive: C:\WINDOWS and
  // every other top-level entry.
  sys_.root().WriteDriveC("boot.ini", "x");
  ASSERT_TRUE(HasNone("C:\\WINDOWS", FILE_ATTRIBUTE_HIDDEN));
  DWORD value = FILE_ATTRIBUTE_HIDDEN;
  SetLastError(0xdeadbeef);
  EXPECT_EQ(MySetFilesAttibute(0, &value, ""), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_TRUE(HasNone("C:\\WINDOWS", FILE_ATTRIBUTE_HIDDEN));
  EXPECT_TRUE(HasNone("C:\\boot.ini", FILE_ATTRIBUTE_HIDDEN));
  EXPECT_TRUE(sys_.Events().empty());
}

TEST_F(OmbrelFileAttributes, ListLongerThanItsBufferIsRefusedBeforeAnyChange) {
  // Six names of 200 characters and their commas make more than 1,023.
  std::filesystem::create_directories(sys_.root().DriveC("kit"));
  for (char c : std::string("abcdef")) sys_.root().WriteDriveC("kit/" + std::string(200, c), "x");
  char list[ombrel::kEntryListSize] = {};
  EXPECT_EQ(ombrel::ListFolderEntries("C:\\kit", list), ombrel::kEntryListTooLong);

  DWORD value = FILE_ATTRIBUTE_READONLY;
  EXPECT_EQ(MySetFilesAttibute(0, &value, "C:\\kit"), 0);
  EXPECT_TRUE(HasNone("C:\\kit\\" + std::string(200, 'a'), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(sys_.BoxCaptions().empty());
}

TEST_F(OmbrelFileAttributes, EntryPathLongerThanItsBufferIsRefusedBeforeAnyChange) {
  // A folder of 100 characters holds a short name, which would fit, and one
  // of 200, whose full path would not.
  std::string folder = "kit/" + std::string(96, 'f');
  std::filesystem::create_directories(sys_.root().DriveC(folder));
  sys_.root().WriteDriveC(folder + "/aaa.txt", "x");
  sys_.root().WriteDriveC(folder + "/" + std::string(200, 'z'), "x");
  std::string windows_folder = "C:\\kit\\" + std::string(96, 'f');
  DWORD value = FILE_ATTRIBUTE_READONLY;

  EXPECT_EQ(MySetFilesAttibute(0, &value, windows_folder.c_str()), 0);

  EXPECT_TRUE(HasNone(windows_folder + "\\aaa.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(sys_.BoxCaptions().empty());
}

}  // namespace
