// The simulated printer UI's reading of a printer INF: line syntax, the
// models section for the running system, the model's install section and
// what that section gathers (files, file roles, Include and Needs).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_root.h"
#include "tools/winsim-printui/driver_files.h"
#include "tools/winsim-printui/driver_package.h"
#include "tools/winsim-printui/inf_file.h"
#include "tools/winsim-printui/inf_line.h"
#include "tools/winsim-printui/model_lookup.h"

namespace {

using printui::InfLine;
using printui::SystemVersion;
using Fields = std::vector<std::string>;

std::string Table(std::string_view key) {
  if (printui::SameText(key, "mfg")) return "Acme, Inc.";
  if (key == "q") return "a \"quoted\" name";
  return "%" + std::string(key) + "%";
}

TEST(PrintUiInfTest, SplitsLinesAsTheInfSyntaxRulesSay) {
  struct Case {
    const char* text;
    bool has_key;
    const char* key;
    Fields fields;
  } cases[] = {
      {"\"Acme 100 PS\" = ACME100, USBPRINT\\Acme100", true, "Acme 100 PS",
       {"ACME100", "USBPRINT\\Acme100"}},
      {"%MFG%=Acme,NTx86,NT.6.0", true, "Acme, Inc.", {"Acme", "NTx86", "NT.6.0"}},
      {"CopyFiles=@A.PPD , FILES ; the files", true, "CopyFiles", {"@A.PPD", "FILES"}},
      {"PSCRIPT5.DLL", false, "", {"PSCRIPT5.DLL"}},
      {"\"Brevant\"", false, "", {"Brevant"}},
      {"k = \"  padded ; kept, too \"", true, "k", {"  padded ; kept, too "}},
      {"k = \"say \"\"hi\"\"\"", true, "k", {"say \"hi\""}},
      {"k = 100%% sure", true, "k", {"100% sure"}},
      {"k = %q%, %unknown%", true, "k", {"a \"quoted\" name", "%unknown%"}},
      {"k = a,,b,", true, "k", {"a", "", "b", ""}},
      {"\"a=b\" = c", true, "a=b", {"c"}},
      {"k = a = b", true, "k", {"a = b"}},
      {"; only a comment", false, "", {""}},
  };
  for (const Case& c : cases) {
    InfLine line = printui::ParseInfLine(c.text, &Table);
    EXPECT_EQ(line.has_key, c.has_key) << c.text;
    EXPECT_EQ(line.key, c.key) << c.text;
    EXPECT_EQ(line.fields, c.fields) << c.text;
  }
}

TEST(PrintUiInfTest, ChoosesTheModelsSectionThatFitsTheSystemBest) {
  const SystemVersion k2000{true, 5, 0}, kXp{true, 5, 1}, kVista{true, 6, 0}, k7{true, 6, 1};
  struct Case {
    Fields entry;
    SystemVersion system;
    const char* section;
  } cases[] = {
      {{"Acme"}, kXp, "Acme"},
      {{"Acme", "NTx86"}, kXp, "Acme.NTx86"},
      {{"Acme", "ntX86"}, kXp, "Acme.ntX86"},
      {{"Acme", "NTx86"}, k2000, "Acme"},  // Windows 2000 ignores decorations
      {{"Acme", "NTamd64"}, kXp, "Acme"},  // no fitting decoration: undecorated
      {{"Acme", "NTx86.6.0"}, kXp, "Acme"},
      {{"Acme", "NTx86", "NT.6.0"}, kXp, "Acme.NTx86"},
      {{"Acme", "NTx86", "NT.6.0"}, kVista, "Acme.NT.6.0"},
      {{"Acme", "NT.5.1", "NTx86.5.1"}, kXp, "Acme.NTx86.5.1"},  // architecture wins a tie
      {{"Acme", "NTx86.6.0", "NT.6.1"}, k7, "Acme.NT.6.1"},      // a higher version wins
      {{"Acme", "NTia64", "NT"}, kXp, "Acme.NT"},
      {{"Acme", "Win98"}, kXp, "Acme"},
  };
  for (const Case& c : cases) {
    std::string label = c.entry.back() + " on " + std::to_string(c.system.major) + "." +
                        std::to_string(c.system.minor);
    EXPECT_EQ(printui::ModelsSection(c.entry, c.system), c.section) << label;
  }
}

class PrintUiInfFileTest : public ::testing::Test {
 protected:
  std::string WriteInf(const std::string& relative, const std::string& text) {
    root_.WriteDriveC(relative, text);
    std::string path = "C:\\" + relative;
    for (char& c : path) c = c == '/' ? '\\' : c;
    return path;
  }
  kit_test::TempRoot root_;
};

constexpr char kAcmeInf[] =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\nProvider=%MFG%\r\n"
    "[Manufacturer]\r\n%MFG%=Acme,NTx86\r\n\"Other\"\r\n"
    "[Acme]\r\n\"Acme 100 PS\" = WRONG100, USBPRINT\\Wrong\r\n"
    "[Acme.NTx86]\r\n\"Acme 100 PS\" = ACME100, USBPRINT\\Acme100, Compatible\r\n"
    "[Other]\r\n\"Other 1\" = OTHER1\r\n"
    "[ACME100]\r\nCopyFiles=WRONG_FILES\r\n"
    "[ACME100.NTx86]\r\nCopyFiles=@A100.PPD,ACME_FILES\r\nDataSection=ACME_DATA\r\n"
    "Include=CORE.INF,GONE.INF\r\nNeeds=CORE.OEM,NOWHERE\r\n"
    "[ACME_DATA]\r\nDriverFile=CORE.DLL\r\n"
    "[ACME_FILES]\r\nACMEUI.DLL\r\nRENAMED.DLL,ORIGINAL.DLL\r\n"
    "[DestinationDirs]\r\nDefaultDestDir=66000\r\nACME_FILES=11,acme\r\n"
    "[Strings]\r\nMFG=\"Acme\"\r\n";

constexpr char kCoreInf[] =
    "[CORE.OEM]\r\nCopyFiles=CORE_FILES\r\nDataSection=CORE_DATA\r\nNeeds=CORE.OEM\r\n"
    "[CORE_DATA]\r\nDriverFile=NOT_THIS.DLL\r\nHelpFile=CORE.HLP\r\n"
    "[CORE_FILES]\r\nCORE.DLL\r\nCORE.HLP\r\n"
    "[DestinationDirs]\r\nDefaultDestDir=66000\r\n";

TEST_F(PrintUiInfFileTest, FindsTheModelInTheDecoratedSectionsOnXp) {
  printui::InfFile inf(WriteInf("kit/acme.inf", kAcmeInf));
  printui::Model model;
  ASSERT_TRUE(printui::FindModel(inf, "acme 100 ps", SystemVersion{true, 5, 1}, &model));
  EXPECT_EQ(model.description, "Acme 100 PS");
  EXPECT_EQ(model.manufacturer, "Acme");
  EXPECT_EQ(model.section_name, "ACME100");
  EXPECT_EQ(model.install_section, "ACME100.NTx86");
  EXPECT_EQ(model.hardware_id, "USBPRINT\\Acme100");

  // Windows 2000 reads the undecorated sections; a model of a second
  // manufacturer named without '=' is found in the section of that name.
  ASSERT_TRUE(printui::FindModel(inf, "Acme 100 PS", SystemVersion{true, 5, 0}, &model));
  EXPECT_EQ(model.install_section, "WRONG100");
  EXPECT_EQ(model.hardware_id, "USBPRINT\\Wrong");
  ASSERT_TRUE(printui::FindModel(inf, "Other 1", SystemVersion{true, 5, 1}, &model));
  EXPECT_EQ(model.manufacturer, "Other");
  EXPECT_EQ(model.install_section, "OTHER1");
  EXPECT_FALSE(printui::FindModel(inf, "Acme 200 PS", SystemVersion{true, 5, 1}, &model));
}

TEST_F(PrintUiInfFileTest, GathersFilesAndRolesFromDataSectionIncludeAndNeeds) {
  WriteInf("WINDOWS/inf/core.inf", kCoreInf);
  printui::InfFile inf(WriteInf("kit/acme.inf", kAcmeInf));
  printui::DriverPackage p = printui::GatherPackage(inf, "ACME100.NTx86", "ACME100");

  std::vector<std::string> files;
  for (const printui::PackageFile& f : p.files) {
    files.push_back(f.target_name + "<" + f.source_name + ">" + std::to_string(f.dirid) +
                    (f.subdir.empty() ? "" : "\\" + f.subdir));
  }
  EXPECT_EQ(files, (std::vector<std::string>{"A100.PPD<A100.PPD>66000", "ACMEUI.DLL<ACMEUI.DLL>11\\acme",
                                             "RENAMED.DLL<ORIGINAL.DLL>11\\acme",
                                             "CORE.DLL<CORE.DLL>66000", "CORE.HLP<CORE.HLP>66000"}));
  EXPECT_EQ(p.files[3].inf->path(), "C:\\WINDOWS\\inf\\CORE.INF");
  EXPECT_EQ(p.driver_file, "CORE.DLL");  // the kit's DataSection comes before the Needs section's
  EXPECT_EQ(p.config_file, "CORE.DLL");  // defaults to the driver file
  EXPECT_EQ(p.data_file, "ACME100");     // defaults to the section name
  EXPECT_EQ(p.help_file, "CORE.HLP");
  EXPECT_EQ(p.missing_includes, (std::vector<std::string>{"GONE.INF"}));
  EXPECT_EQ(p.missing_needs, (std::vector<std::string>{"NOWHERE"}));
}

TEST_F(PrintUiInfFileTest, IncludedInfsAreLookedForBesideTheInfFirst) {
  WriteInf("WINDOWS/inf/core.inf", kCoreInf);
  WriteInf("kit/core.inf",
           "[CORE.OEM]\r\nCopyFiles=@LOCAL.DLL\r\n[DestinationDirs]\r\nDefaultDestDir=66000\r\n");
  printui::InfFile inf(WriteInf("kit/acme.inf", kAcmeInf));
  printui::DriverPackage p = printui::GatherPackage(inf, "ACME100.NTx86", "ACME100");
  ASSERT_EQ(p.files.size(), 4u);
  EXPECT_EQ(p.files[3].target_name, "LOCAL.DLL");
  EXPECT_EQ(p.files[3].inf->path(), "C:\\kit\\CORE.INF");
}

// The INF and its includes are one appended INF (SetupOpenAppendInfFile):
// the DataSection, file-list sections and keys come from the kit's INF first,
// then from each included INF, as vendor kits that take the core driver
// from NTPRINT.INF rely on.
TEST_F(PrintUiInfFileTest, DataSectionsAndFileListsAreTakenFromIncludedInfs) {
  WriteInf("WINDOWS/inf/sys.inf",
           "[SYS_DATA]\r\nDriverFile=SYS.DLL\r\nDataFile=NOT_THIS.PPD\r\nHelpFile=SYS.HLP\r\n"
           "[SYS_FILES]\r\nSYS.DLL\r\n[COLOR]\r\nSRGB.ICM\r\n"
           "[DestinationDirs]\r\nDefaultDestDir=11\r\nCOLOR=66003\r\n");
  printui::InfFile inf(WriteInf(
      "kit/vendor.inf",
      "[VENDOR]\r\nCopyFiles=@V.PPD,SYS_FILES,COLOR\r\nDataSection=SYS_DATA\r\n"
      "Include=SYS.INF\r\n[SYS_DATA]\r\nDataFile=V.PPD\r\n"
      "[DestinationDirs]\r\nDefaultDestDir=66000\r\n"));
  printui::DriverPackage p = printui::GatherPackage(inf, "VENDOR", "VENDOR");
  EXPECT_EQ(p.driver_file, "SYS.DLL");  // only the included INF's data section has it
  EXPECT_EQ(p.data_file, "V.PPD");      // the kit's own data section comes first
  EXPECT_EQ(p.help_file, "SYS.HLP");
  ASSERT_EQ(p.files.size(), 3u);
  EXPECT_EQ(p.files[1].target_name, "SYS.DLL");
  EXPECT_EQ(p.files[1].inf->path(), "C:\\WINDOWS\\inf\\SYS.INF");
  EXPECT_EQ(p.files[1].dirid, 66000u);  // the kit's DefaultDestDir comes first
  EXPECT_EQ(p.files[2].dirid, 66003u);  // the color directory
  std::string dir;
  ASSERT_TRUE(printui::DestinationDirectory(66003, "", &dir));
  EXPECT_EQ(dir, "C:\\WINDOWS\\system32\\spool\\drivers\\color");
  ASSERT_TRUE(printui::DestinationDirectory(66001, "", &dir));
  EXPECT_EQ(dir, "C:\\WINDOWS\\system32\\spool\\prtprocs\\w32x86");
  ASSERT_TRUE(printui::DestinationDirectory(66004, "", &dir));
  EXPECT_EQ(dir, "C:\\WINDOWS\\web\\printers");
  EXPECT_FALSE(printui::DestinationDirectory(66005, "", &dir));
}

TEST_F(PrintUiInfFileTest, IncludeCyclesAndLongChainsEnd) {
  // B includes C, C includes B again.
  WriteInf("WINDOWS/inf/b.inf", "[B.OEM]\r\nCopyFiles=@B.DLL\r\nInclude=C.INF\r\nNeeds=C.OEM\r\n");
  WriteInf("WINDOWS/inf/c.inf",
           "[C.OEM]\r\nCopyFiles=@C.DLL\r\nInclude=B.INF\r\nNeeds=B.OEM,C.OEM\r\n");
  printui::InfFile cycle(WriteInf("kit/cycle.inf", "[M]\r\nInclude=B.INF\r\nNeeds=B.OEM\r\n"));
  printui::DriverPackage p = printui::GatherPackage(cycle, "M", "M");
  EXPECT_EQ(p.included.size(), 2u);
  ASSERT_EQ(p.files.size(), 2u);
  EXPECT_EQ(p.files[1].target_name, "C.DLL");

  // A chain of 100 INFs, each including the next.
  constexpr int kChain = 100;
  for (int i = 1; i <= kChain; ++i) {
    std::string n = std::to_string(i), next = std::to_string(i + 1);
    WriteInf("WINDOWS/inf/i" + n + ".inf",
             "[S" + n + "]\r\nCopyFiles=@F" + n + ".DLL\r\nInclude=I" + next + ".INF\r\nNeeds=S" +
                 next + "\r\n");
  }
  printui::InfFile chain(WriteInf("kit/chain.inf", "[M]\r\nInclude=I1.INF\r\nNeeds=S1\r\n"));
  p = printui::GatherPackage(chain, "M", "M");
  EXPECT_EQ(p.included.size(), static_cast<size_t>(kChain));
  EXPECT_EQ(p.files.size(), static_cast<size_t>(kChain));
  EXPECT_EQ(p.missing_includes, (std::vector<std::string>{"I101.INF"}));
  EXPECT_EQ(p.missing_needs, (std::vector<std::string>{"S101"}));
}

}  // namespace
