#include "installer/inf/file_copy.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/inf_fixture.h"

namespace {

using kit_test::InfFixture;

class FileCopyTest : public InfFixture {
 protected:
  /// An INF whose DDI section DDI has the given CopyFiles value, with the
  /// extra sections appended.
  std::string WriteDdiInf(const std::string& copy_files, const std::string& more = "") {
    return WriteKitFile("setup.inf",
                        "[DDI]\r\nCopyFiles=" + copy_files + "\r\n" + more);
  }
};

TEST_F(FileCopyTest, HandlesCopyFilesItemsInOrder) {
  struct Case {
    const char* copy_files;
    const char* sections;
    bool ok;
    const char* list;
    std::vector<std::string> copied;
  } cases[] = {
      {"@A.DLL,@B.DLL", "", true, "A.DLL B.DLL ", {"A.DLL", "B.DLL"}},
      {"SECT1,@A.DLL", "[SECT1]\r\nC.DLL\r\nD.DLL\r\n", true, "C.DLL D.DLL A.DLL ",
       {"A.DLL", "C.DLL", "D.DLL"}},
      {"@A@B.DLL", "", true, "AB.DLL ", {"AB.DLL"}},
      // A blank after the comma makes the item a section name, " @B.DLL".
      {"@A.DLL, @B.DLL", "", false, "", {"A.DLL"}},
      // Empty items name a section with an empty name, which no INF has.
      {"@A.DLL,", "", false, "", {"A.DLL"}},
      {"@A.DLL,,@B.DLL", "", false, "", {"A.DLL"}},
  };
  for (const char* name : {"A.DLL", "B.DLL", "AB.DLL", "C.DLL", "D.DLL"}) {
    WriteKitFile(name, std::string("content of ") + name);
  }
  for (const auto& c : cases) {
    for (const std::string& f : DriverDirFiles()) {
      std::filesystem::remove(root_.DriveC(std::string(kit_test::kDriverDirC) + "/" + f));
    }
    std::string inf = WriteDdiInf(c.copy_files, c.sections);
    std::string list = "untouched";
    EXPECT_EQ(CopyDriverFiles(inf, "DDI", list), c.ok) << c.copy_files;
    EXPECT_EQ(list, c.ok ? c.list : "untouched") << c.copy_files;
    EXPECT_EQ(DriverDirFiles(), c.copied) << c.copy_files;
  }
  EXPECT_EQ(ReadDriverFile("A.DLL"), "content of A.DLL");
  EXPECT_EQ(BoxCount(), 0);
  EXPECT_NE(Trace().find("[Quillset] Copy File Section (  @B.DLL ) \n"), std::string::npos);
  EXPECT_NE(Trace().find("[Quillset] Copy File Section (  ) \n"), std::string::npos);
}

TEST_F(FileCopyTest, TracesEverySingleFileCopy) {
  WriteKitFile("A.DLL", "a");
  std::string inf = WriteDdiInf("@A.DLL,@GONE.DLL");
  std::string list;
  EXPECT_FALSE(CopyDriverFiles(inf, "DDI", list));
  std::string dir = kit_test::kDriverDirWin;
  EXPECT_EQ(Trace(), "[Quillset] Copy File C:\\kit\\A.DLL --> " + dir + "\\A.DLL  OK !!\n"
                     "[Quillset] Copy File C:\\kit\\GONE.DLL --> " + dir + "\\GONE.DLL  Fail !!\n");
}

TEST_F(FileCopyTest, StopsAtTheFirstMissingSingleFileWithoutABox) {
  WriteKitFile("A.DLL", "a");
  WriteKitFile("C.DLL", "c");
  std::string inf = WriteDdiInf("@A.DLL,@B.DLL,@C.DLL");
  std::string list = "untouched";
  EXPECT_FALSE(CopyDriverFiles(inf, "DDI", list));
  EXPECT_EQ(list, "untouched");
  EXPECT_EQ(DriverDirFiles(), std::vector<std::string>{"A.DLL"});
  EXPECT_EQ(BoxCount(), 0);
}

TEST_F(FileCopyTest, FailsWithoutCopyFiles) {
  std::string inf = WriteKitFile("setup.inf", "[DDI]\r\nDataFile=X.PPD\r\n[EMPTY]\r\nCopyFiles=\r\n");
  std::string list = "untouched";
  EXPECT_FALSE(CopyDriverFiles(inf, "DDI", list));
  EXPECT_FALSE(CopyDriverFiles(inf, "EMPTY", list));
  EXPECT_FALSE(CopyDriverFiles(inf, "NOSUCH", list));
  EXPECT_EQ(list, "untouched");
  EXPECT_EQ(Trace(), "");
}

TEST_F(FileCopyTest, OverwritesAnExistingDriverFile) {
  WriteKitFile("A.DLL", "new");
  root_.WriteDriveC(std::string(kit_test::kDriverDirC) + "/A.DLL", "old");
  std::string list;
  ASSERT_TRUE(CopyDriverFiles(WriteDdiInf("@A.DLL"), "DDI", list));
  EXPECT_EQ(ReadDriverFile("A.DLL"), "new");
}

TEST_F(FileCopyTest, RefusesSingleFileNamesThatLeaveTheDirectory) {
  // The file exists where the path points, but the name is not a plain file
  // name, so nothing is copied and no box is shown.
  root_.WriteDriveC("EVIL.DLL", "evil");
  root_.WriteDriveC("kit/sub/X.DLL", "x");
  for (const char* item : {"@..\\..\\EVIL.DLL", "@sub\\X.DLL", "@sub/X.DLL", "@C:X.DLL", "@..",
                           "@"}) {
    std::string list;
    EXPECT_FALSE(CopyDriverFiles(WriteDdiInf(item), "DDI", list)) << item;
  }
  EXPECT_TRUE(DriverDirFiles().empty());
  EXPECT_FALSE(std::filesystem::exists(root_.DriveC("WINDOWS/system32/spool/EVIL.DLL")));
  EXPECT_EQ(BoxCount(), 0);
}

TEST_F(FileCopyTest, NeverCopiesAWindowsDeviceName) {
  // On Windows these names open a device (the console, a port, the null
  // device), whatever the directory and extension; the host has them as
  // files, so only the name check keeps them out of the driver directory.
  const char* devices[] = {"CON", "nul", "Aux.dll", "PRN.INF", "com1", "COM9.DLL", "lpt1.ppd",
                           "LPT9", "NUL .txt", "con.", "CONIN$", "conout$.x", "nul.tar.gz"};
  for (const char* name : devices) {
    WriteKitFile(name, "device");
    std::string list;
    EXPECT_FALSE(CopyDriverFiles(WriteDdiInf(std::string("@") + name), "DDI", list)) << name;
    // As a section entry it counts as missing and is not taken from the
    // cabinet either.
    WriteDriverCab({{name, "from cabinet"}});
    EXPECT_TRUE(CopyDriverFiles(WriteDdiInf("FILES", std::string("[FILES]\r\n") + name + "\r\n"),
                                "DDI", list))
        << name;
    EXPECT_EQ(list, std::string(name) + " ") << name;
  }
  EXPECT_TRUE(DriverDirFiles().empty());
  EXPECT_EQ(BoxCount(), 0);

  // Names that only look like devices are files.
  const char* files[] = {"COM0.DLL", "COM10.DLL", "LPT", "CONFIG.DLL", "NULL.DLL", "XCON",
                         "PRN2.INF", "AUXI.DLL", "CON1"};
  for (const char* name : files) {
    WriteKitFile(name, "file");
    std::string list;
    EXPECT_TRUE(CopyDriverFiles(WriteDdiInf(std::string("@") + name), "DDI", list)) << name;
    EXPECT_TRUE(InDriverDir(name)) << name;
  }
}

TEST_F(FileCopyTest, RefusesNamesThatAnotherSpellingOpens) {
  // Windows drops a trailing dot or blank, so "PSCRIPT5.DLL." is the file
  // PSCRIPT5.DLL; a short name's form may open a file with a long name.
  for (const char* file : {"PSCRIPT5.DLL", "PS5UI.DLL", "PSCRIP~1.DLL", "AB12C~10"}) {
    WriteKitFile(file, "file");
  }
  for (const char* item : {"@PSCRIPT5.DLL.", "@PS5UI.DLL ,@PSCRIPT5.DLL", "@PS5UI.DLL. .", "@PSCRIP~1.DLL",
                           "@AB12C~10"}) {
    std::string list;
    EXPECT_FALSE(CopyDriverFiles(WriteDdiInf(item), "DDI", list)) << item;
  }
  EXPECT_TRUE(DriverDirFiles().empty());
  EXPECT_EQ(BoxCount(), 0);

  // A tilde elsewhere, or in a name longer than a short one, is a name like any other.
  for (const char* name : {"A~B.DLL", "LONGNAME~1.DLL", "AB~1.DLLX", "AB~1X.DLL", "A.B~1"}) {
    WriteKitFile(name, "file");
    std::string list;
    EXPECT_TRUE(CopyDriverFiles(WriteDdiInf(std::string("@") + name), "DDI", list)) << name;
    EXPECT_TRUE(InDriverDir(name)) << name;
  }
}

TEST_F(FileCopyTest, RefusesAPathLongerThanMaxPathWithABox) {
  // C:\kit\ is 7 characters; 7 + 253 = 260 does not fit.
  std::string name = std::string(249, 'N') + ".DLL";
  WriteKitFile(name, "x");
  std::string list;
  EXPECT_FALSE(CopyDriverFiles(WriteDdiInf("@" + name), "DDI", list));
  EXPECT_TRUE(DriverDirFiles().empty());
  EXPECT_EQ(BoxCount(), 1);
  EXPECT_TRUE(BoxShown("C:\\kit\\" + name));
}

TEST_F(FileCopyTest, ReportsACopyRefusedForAnotherReason) {
  WriteKitFile("A.DLL", "a");
  root_.WriteSystemIni("[faults]\nCopyFileA=5\n");
  std::string list;
  EXPECT_FALSE(CopyDriverFiles(WriteDdiInf("@A.DLL"), "DDI", list));
  EXPECT_TRUE(BoxShown("C:\\kit\\A.DLL"));
  EXPECT_EQ(BoxCount(), 1);
}

TEST_F(FileCopyTest, CopiesTheInfUnderItsOwnName) {
  std::string inf = WriteKitFile("setup.inf", "[Version]\r\nClass=Printer\r\n");
  root_.WriteDriveC("WINDOWS/inf/setup.inf", "older copy");
  EXPECT_TRUE(CopyInfToWindowsInf(inf));
  std::ifstream in(root_.DriveC("WINDOWS/inf/setup.inf"), std::ios::binary);
  std::string copy((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(copy, "[Version]\r\nClass=Printer\r\n");
  // A missing INF fails silently.
  EXPECT_FALSE(CopyInfToWindowsInf("C:\\kit\\gone.inf"));
  EXPECT_EQ(BoxCount(), 0);
}

TEST_F(FileCopyTest, KeepsTheSystemsOwnInfOfTheSameName) {
  // Windows' own INFs carry LayoutFile, which a vendor's INF must not.
  const std::string system_inf = "[Version]\r\nSignature=\"$Windows NT$\"\r\nLayoutFile=layout.inf\r\n";
  root_.WriteDriveC("WINDOWS/inf/ntprint.inf", system_inf);
  std::string inf = WriteKitFile("ntprint.inf", "[Version]\r\nClass=Printer\r\n");
  EXPECT_TRUE(CopyInfToWindowsInf(inf));
  std::ifstream in(root_.DriveC("WINDOWS/inf/ntprint.inf"), std::ios::binary);
  std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(kept, system_inf);
  EXPECT_EQ(BoxCount(), 0);
}

}  // namespace
