#include "installer/inf/cabinet_copy.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/inf_fixture.h"

namespace {

using kit_test::InfFixture;

class CabinetCopyTest : public InfFixture {};

/// Asks the callback about one cabinet member as the cabinet iteration would.
UINT AskAboutMember(const CabinetContext& context, const char* name, std::string* target) {
  FILE_IN_CABINET_INFO_A info{};
  info.NameInCabinet = name;
  std::memset(info.FullTargetName, 'X', sizeof info.FullTargetName);
  UINT answer = CabinetFileCallback(const_cast<CabinetContext*>(&context),
                                    SPFILENOTIFY_FILEINCABINET,
                                    reinterpret_cast<UINT_PTR>(&info), 0);
  if (target) {
    *target = answer == FILEOP_DOIT
                  ? std::string(info.FullTargetName, strnlen(info.FullTargetName, MAX_PATH))
                  : std::string();
  }
  return answer;
}

TEST(CabinetCallbackTest, ExtractsMembersWhoseUpperCaseNameOccursInTheMissingList) {
  CabinetContext context{"PSCRIPT5.DLL DRVUI.DLL ", "C:\\DRV"};
  struct Case {
    const char* member;
    UINT answer;
    const char* target;
  } cases[] = {
      {"drvui.dll", FILEOP_DOIT, "C:\\DRV\\DRVUI.DLL"},
      {"DrvUI.Dll", FILEOP_DOIT, "C:\\DRV\\DRVUI.DLL"},
      {"UI.DLL", FILEOP_DOIT, "C:\\DRV\\UI.DLL"},  // a substring of DRVUI.DLL
      {"5.DLL DRV", FILEOP_DOIT, "C:\\DRV\\5.DLL DRV"},
      {"PSCRIPT.DLL", FILEOP_SKIP, ""},
      {"UNIDRV.DLL", FILEOP_SKIP, ""},
      // Names that would leave the driver directory are never extracted.
      {"..\\DRVUI.DLL", FILEOP_SKIP, ""},
      {"", FILEOP_SKIP, ""},
  };
  for (const auto& c : cases) {
    std::string target;
    EXPECT_EQ(AskAboutMember(context, c.member, &target), c.answer) << c.member;
    EXPECT_EQ(target, c.target) << c.member;
  }
  CabinetContext with_paths{"SUB\\X.DLL C:X.DLL A/B.DLL .. ", "C:\\DRV"};
  for (const char* member : {"sub\\x.dll", "c:x.dll", "a/b.dll", ".."}) {
    EXPECT_EQ(AskAboutMember(with_paths, member, nullptr), FILEOP_SKIP) << member;
  }
  // Device names are never extracted: Windows would write to the device.
  CabinetContext devices{"CON NUL.DLL AUX PRN.PPD COM1 COM9.DLL LPT1.INI LPT9 COM10.DLL ",
                         "C:\\DRV"};
  for (const char* member : {"con", "Nul.dll", "AUX", "prn.ppd", "COM1", "com9.dll", "LPT1.INI",
                             "lpt9"}) {
    EXPECT_EQ(AskAboutMember(devices, member, nullptr), FILEOP_SKIP) << member;
  }
  std::string target;
  EXPECT_EQ(AskAboutMember(devices, "COM10.DLL", &target), FILEOP_DOIT);
  EXPECT_EQ(target, "C:\\DRV\\COM10.DLL");
}

TEST(CabinetCallbackTest, SkipsAMemberWhoseTargetDoesNotFitFullTargetName) {
  std::string name = std::string(250, 'A') + ".DLL";
  // "C:\DRV\" + 254 characters is 261: too long by two.
  CabinetContext too_long{name + " ", "C:\\DRV"};
  EXPECT_EQ(AskAboutMember(too_long, name.c_str(), nullptr), FILEOP_SKIP);
  // One directory character less and one name character less: exactly 259.
  std::string fits_name = name.substr(1);
  CabinetContext fits{fits_name + " ", "C:\\DR"};
  std::string target;
  EXPECT_EQ(AskAboutMember(fits, fits_name.c_str(), &target), FILEOP_DOIT);
  EXPECT_EQ(target.size(), 259u);
}

TEST(CabinetCallbackTest, AnswersOtherNotificationsWithNoError) {
  CabinetContext context{"A.DLL ", "C:\\DRV"};
  FILEPATHS_A paths{"C:\\DRV\\A.DLL", "cab", 0, 0};
  EXPECT_EQ(CabinetFileCallback(&context, SPFILENOTIFY_FILEEXTRACTED,
                                reinterpret_cast<UINT_PTR>(&paths), 0),
            static_cast<UINT>(NO_ERROR));
  EXPECT_EQ(CabinetFileCallback(&context, SPFILENOTIFY_NEEDNEWCABINET, 0, 0),
            static_cast<UINT>(NO_ERROR));
  EXPECT_EQ(CabinetFileCallback(&context, SPFILENOTIFY_CABINETINFO, 0, 0),
            static_cast<UINT>(NO_ERROR));
}

TEST_F(CabinetCopyTest, CopiesFromTheInfDirectoryWithoutTouchingTheCabinet) {
  std::string inf = WriteKitFile("setup.inf", "[FILES]\r\nA.DLL\r\nB.DLL\r\n");
  WriteKitFile("A.DLL", "a");
  WriteKitFile("B.DLL", "b");
  std::string list = "untouched";
  ASSERT_TRUE(CopyFileSection(inf, "", "C:\\kit", "FILES", list));
  EXPECT_EQ(list, "A.DLL B.DLL ");
  EXPECT_EQ(DriverDirFiles(), (std::vector<std::string>{"A.DLL", "B.DLL"}));
  EXPECT_EQ(Trace().find("[Quillset] CopyFilesInCabinetFile\n"), std::string::npos);
  // No cabinet exists, and none was looked for.
  EXPECT_EQ(BoxCount(), 0);
}

// What a kit author meets with INFs as vendors ship them: a UTF-16 INF
// naming a file in the code page's letters, and an INF closed with the DOS
// end-of-file character.
TEST_F(CabinetCopyTest, CopiesAFileNamedInTheCodePageFromAUnicodeInf) {
  std::string utf16 = "\xFF\xFE";
  for (char16_t c : std::u16string(u"[FILES]\r\n\u00DCn\u00EF.DLL\r\n")) {
    utf16.push_back(static_cast<char>(c & 0xFF));
    utf16.push_back(static_cast<char>(c >> 8));
  }
  std::string inf = WriteKitFile("setup.inf", utf16);
  WriteKitFile("\u00DCn\u00EF.DLL", "umlauts");  // the host name is UTF-8
  std::string list;
  ASSERT_TRUE(CopyFileSection(inf, "", "C:\\kit", "FILES", list));
  EXPECT_EQ(list, "\xDCn\xEF.DLL ");
  EXPECT_EQ(ReadDriverFile("\u00DCn\u00EF.DLL"), "umlauts");
  EXPECT_EQ(BoxCount(), 0);  // nothing was missing, no cabinet was looked for
}

TEST_F(CabinetCopyTest, TheDosEndOfFileLineIsNoFileToCopy) {
  std::string inf = WriteKitFile("setup.inf", "[FILES]\r\nA.DLL\r\n\x1a");
  WriteKitFile("A.DLL", "a");
  std::string list;
  ASSERT_TRUE(CopyFileSection(inf, "", "C:\\kit", "FILES", list));
  EXPECT_EQ(list, "A.DLL ");
  EXPECT_EQ(DriverDirFiles(), std::vector<std::string>{"A.DLL"});
  EXPECT_EQ(BoxCount(), 0);  // no missing file sent the install to the cabinet
}

TEST_F(CabinetCopyTest, TakesMissingFilesFromTheDriverCabinetInOneWalk) {
  std::string inf = WriteKitFile("setup.inf", "[FILES]\r\nA.DLL\r\nDrvUI.dll\r\nPSCRIPT5.DLL\r\n"
                                              "NOWHERE.DLL\r\n");
  WriteKitFile("A.DLL", "a");
  WriteDriverCab({{"UNIDRV.DLL", "unidrv"}, {"drvui.dll", "ui"}, {"PSCRIPT5.DLL", "ps5"}});
  std::string list;
  ASSERT_TRUE(CopyFileSection(inf, "", "C:\\kit", "FILES", list));
  // Every entry is listed, also the one that came from nowhere.
  EXPECT_EQ(list, "A.DLL DrvUI.dll PSCRIPT5.DLL NOWHERE.DLL ");
  EXPECT_EQ(DriverDirFiles(),
            (std::vector<std::string>{"A.DLL", "DRVUI.DLL", "PSCRIPT5.DLL"}));
  EXPECT_EQ(ReadDriverFile("DRVUI.DLL"), "ui");
  std::string trace = Trace();
  std::string dir = kit_test::kDriverDirWin;
  EXPECT_NE(trace.find("[Quillset] Copy file C:\\kit\\DrvUI.dll --> " + dir +
                       "\\DrvUI.dll  File Not Found !!\n"),
            std::string::npos);
  EXPECT_NE(trace.find("[Quillset] Cabinet file = C:\\WINDOWS\\Driver Cache\\i386\\driver.cab\n"),
            std::string::npos);
  EXPECT_NE(trace.find("[Quillset] " + dir + "\\DRVUI.DLL Extracted\n"), std::string::npos);
  size_t walks = 0;
  for (size_t at = trace.find("CopyFilesInCabinetFile"); at != std::string::npos;
       at = trace.find("CopyFilesInCabinetFile", at + 1)) {
    ++walks;
  }
  EXPECT_EQ(walks, 1u);
  EXPECT_EQ(BoxCount(), 0);
}

TEST_F(CabinetCopyTest, ReadsASectionFoundOnlyInTheIncludeInf) {
  std::string inf = WriteKitFile("setup.inf", "[OTHER]\r\nX=1\r\n[EMPTY]\r\n");
  WriteSystemInf("ntprint.inf", "[PSCRIPT]\r\nPSCRIPT5.DLL\r\nPS5UI.DLL\r\n");
  WriteKitFile("PSCRIPT5.DLL", "beside the INF");
  WriteDriverCab({{"PS5UI.DLL", "from the cabinet"}});
  std::string list;
  ASSERT_TRUE(CopyFileSection(inf, "C:\\WINDOWS\\Inf\\ntprint.inf", "C:\\kit", "PSCRIPT", list));
  EXPECT_EQ(list, "PSCRIPT5.DLL PS5UI.DLL ");
  EXPECT_EQ(ReadDriverFile("PSCRIPT5.DLL"), "beside the INF");
  EXPECT_EQ(ReadDriverFile("PS5UI.DLL"), "from the cabinet");

  // A section with no entries in the INF, and none in the include INF.
  list = "untouched";
  EXPECT_FALSE(CopyFileSection(inf, "C:\\WINDOWS\\Inf\\ntprint.inf", "C:\\kit", "EMPTY", list));
  EXPECT_FALSE(CopyFileSection(inf, "", "C:\\kit", "PSCRIPT", list));
  EXPECT_EQ(list, "untouched");
}

TEST_F(CabinetCopyTest, AnAccessDeniedCopyIsReportedAndThenTakenFromTheCabinet) {
  std::string inf = WriteKitFile("setup.inf", "[FILES]\r\nA.DLL\r\n");
  WriteKitFile("A.DLL", "beside");
  WriteDriverCab({{"A.DLL", "cabinet"}});
  root_.WriteSystemIni("[faults]\nCopyFileA#1=5\n");
  std::string list;
  ASSERT_TRUE(CopyFileSection(inf, "", "C:\\kit", "FILES", list));
  EXPECT_TRUE(BoxShown("C:\\kit\\A.DLL"));
  EXPECT_EQ(BoxCount(), 1);
  EXPECT_EQ(ReadDriverFile("A.DLL"), "cabinet");
}

TEST_F(CabinetCopyTest, AMissingCabinetIsReportedButTheSectionCounts) {
  std::string inf = WriteKitFile("setup.inf", "[FILES]\r\nGONE.DLL\r\n");
  std::string list;
  ASSERT_TRUE(CopyFileSection(inf, "", "C:\\kit", "FILES", list));
  EXPECT_EQ(list, "GONE.DLL ");
  EXPECT_TRUE(BoxShown("Extract files fail"));
  EXPECT_EQ(BoxCount(), 1);
  EXPECT_FALSE(CopyFilesInCabinetFile("GONE.DLL "));
}

TEST_F(CabinetCopyTest, NeverWritesOutsideTheDriverDirectory) {
  // The entry's path points at a file that exists, and the cabinet holds a
  // member of that path: neither is copied.
  std::string inf = WriteKitFile("setup.inf", "[FILES]\r\n..\\EVIL.DLL\r\nsub\\X.DLL\r\n");
  root_.WriteDriveC("EVIL.DLL", "evil");
  root_.WriteDriveC("kit/sub/X.DLL", "x");
  WriteDriverCab({{"sub/X.DLL", "x"}});
  std::string list;
  ASSERT_TRUE(CopyFileSection(inf, "", "C:\\kit", "FILES", list));
  EXPECT_EQ(list, "..\\EVIL.DLL sub\\X.DLL ");
  EXPECT_TRUE(DriverDirFiles().empty());
  EXPECT_FALSE(std::filesystem::exists(root_.DriveC("WINDOWS/system32/spool/drivers/EVIL.DLL")));
  EXPECT_FALSE(std::filesystem::exists(root_.DriveC(std::string(kit_test::kDriverDirC) + "/SUB")));
}

TEST_F(CabinetCopyTest, SingleCopyOverwritesAndIsSilentOnlyForAMissingSource) {
  WriteKitFile("A.DLL", "new");
  root_.WriteDriveC(std::string(kit_test::kDriverDirC) + "/A.DLL", "old");
  std::string target = std::string(kit_test::kDriverDirWin) + "\\A.DLL";
  EXPECT_TRUE(MyCopyFile("C:\\kit\\A.DLL", target));
  EXPECT_EQ(ReadDriverFile("A.DLL"), "new");
  EXPECT_FALSE(MyCopyFile("C:\\kit\\GONE.DLL", target));
  EXPECT_EQ(BoxCount(), 0);
  // A missing target directory is not a missing source.
  EXPECT_FALSE(MyCopyFile("C:\\kit\\A.DLL", "C:\\NOSUCHDIR\\A.DLL"));
  EXPECT_TRUE(BoxShown("C:\\kit\\A.DLL"));
}

}  // namespace
