// The real printer INFs of the corpus, each made into a kit with a stand-in
// for every file it copies (found by reading the INF, placed where its
// source-media sections say), installed through quillset on a fresh
// Windows 2000 and a fresh Windows XP. The expected result of each comes
// from Microsoft's INF documentation, named in the table.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "scenario/sim_system.h"
#include "support/inf_text.h"
#include "support/printui_wait.h"

namespace {

namespace fs = std::filesystem;
using kit_test::SimSystem;

enum class Outcome {
  kInstalls,         // printer and driver are there
  kNoModelLine,      // quillset's own path finds no model line ("GetDDISection Fail!!")
  kPrinterUiRefuses  // the printer UI's failure box, with `code`
};

struct Expected {
  const char* inf;
  const char* model;         // the model installed: /PRINTER, and the printer UI's /m
  Outcome on_2000;
  Outcome on_xp;
  const char* xp_driver;     // the driver file the XP install registers, or the refused code
  const char* basis;
};

// Windows 2000: quillset reads the first [Manufacturer] entry whole as the
// models section's name. Every corpus INF writes it as
// "name"=models-section[,TargetOSVersion...] ("INF Manufacturer Section"),
// so no models section has that name and the model lookup fails.
//
// Windows XP: the printer UI picks the models section by the decoration that
// fits x86 and 5.1, else the undecorated one ("INF Manufacturer Section");
// DataSection, Include=NTPRINT.INF and Needs take DriverFile, ConfigFile,
// HelpFile and the core files of Pscript or Unidrv from the system
// ("Printer INF File Data Sections", "Printer INF File Install Sections",
// "Installing a Pscript Minidriver", "Installing a Unidrv Minidriver").
const Expected kCorpus[] = {
    {"gs-ghostpdf-crlf.inf", "Ghostscript PDF", Outcome::kNoModelLine, Outcome::kInstalls,
     "PSCRIPT5.DLL", "undecorated [Ghostscript] on x86; PSCRIPT_DATA and PSCRIPT.OEM from NTPRINT.INF"},
    {"ms-autocnfg-u16.inf", "PScript5 AutoConfiguration Sample", Outcome::kNoModelLine,
     Outcome::kInstalls, "PSCRIPT5.DLL", "[Standard.NTx86]; PSCRIPT_DATA, PSCRIPT.OEM"},
    {"ms-bitmap-u16.inf", "Bitmap Driver", Outcome::kNoModelLine, Outcome::kInstalls, "UNIDRV.DLL",
     "[Microsoft.NTx86]; UNIDRV_DATA, UNIDRV.OEM"},
    {"ms-gdlsmpl.inf", "GDL Sample", Outcome::kNoModelLine, Outcome::kInstalls, "UNIDRV.DLL",
     "[Fabrikam.NTx86]; UNIDRV_DATA, UNIDRV.OEM"},
    {"ms-oemdll-u16.inf", "PostScript WaterMark Sample", Outcome::kNoModelLine, Outcome::kInstalls,
     "PSCRIPT5.DLL", "[Microsoft.NTx86]; PSCRIPT_DATA, PSCRIPT.OEM"},
    {"ms-uisamples.inf", "OEM Custom UI Plugin", Outcome::kNoModelLine, Outcome::kInstalls,
     "UNIDRV.DLL", "[Microsoft.NTx86]; UNIDRV_DATA, UNIDRV.OEM"},
    // ClassVer=4.0: a version-4 driver ("V4 Driver INF"), which names no
    // DriverFile; XP's class installer registers version-3 drivers only, and
    // the spooler refuses a driver without its driver file.
    {"ms-v4hostbased.inf", "USB Host Based Sample Driver", Outcome::kNoModelLine,
     Outcome::kPrinterUiRefuses, "(error 0x00000057)", "a version-4 driver: no DriverFile"},
    {"ms-winxp.inf", "Themed OEM UI (Unidrv)", Outcome::kNoModelLine, Outcome::kInstalls,
     "UNIDRV.DLL", "no NTx86 decoration: the undecorated [Microsoft]; UNIDRV_DATA, UNIDRV.OEM"},
    {"ms-winxp-u16.inf", "Themed OEM UI (PScript5)", Outcome::kNoModelLine, Outcome::kInstalls,
     "PSCRIPT5.DLL", "the same INF in UTF-16; PSCRIPT_DATA, PSCRIPT.OEM"},
    // [Standard.NTx86] (NTx86.6.0 is for Vista): DriverFile=mxdwdrv.dll comes
    // with MSXPSDRV.INF's XPSDRV.OEM, which XP does not have (the XPS
    // Essentials Pack is not part of it), so the driver file is missing.
    {"ms-xdsmpl.inf", "XPSDrv Sample Driver", Outcome::kNoModelLine, Outcome::kPrinterUiRefuses,
     "(error 0x00000002)", "MSXPSDRV.INF is not on XP: mxdwdrv.dll is found nowhere"},
};

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

/// The corpus INF made into a kit in `dir`: the INF and a stand-in for each
/// file it copies, beside the INF and where [SourceDisksNames] and
/// [SourceDisksFiles] put it.
std::string MakeKit(const std::string& inf_name, const std::string& dir) {
  std::string inf = dir + "/" + inf_name;
  fs::create_directories(dir);
  fs::copy_file(std::string(KIT_CORPUS_DIR) + "/inf/" + inf_name, inf);
  kit_test::InfText text(inf);
  for (const std::string& file : text.CopiedFiles()) {
    std::string stand_in = "stand-in: " + file + " of the kit " + inf_name + "\r\n";
    for (const std::string& folder : {std::string(), text.SourceFolder(file)}) {
      fs::path target = fs::path(dir) / folder / file;
      fs::create_directories(target.parent_path());
      std::ofstream(target, std::ios::binary) << stand_in;
    }
  }
  return inf;
}

std::string InstallLine(const std::string& inf, const std::string& model) {
  return "/INF \"" + kit_test::ZPath(inf) + "\" /PRINTER \"" + model + "\" /MDL \"TR-2210\"";
}

class CorpusInstallTest : public ::testing::TestWithParam<Expected> {};

TEST_P(CorpusInstallTest, OnWindows2000TheInstallersOwnPathGivesTheDocumentedResult) {
  const Expected& e = GetParam();
  SimSystem sim;
  sim.Winsim({"init", "--version", "2000", "--force"});
  std::string inf = MakeKit(e.inf, sim.root() + "/kit");
  std::string trace = sim.root() + "/trace.log";
  EXPECT_EQ(sim.Run("quillset", kit_test::ShellWord(InstallLine(inf, e.model)), false,
                    "QUILLSET_TRACE=" + kit_test::ShellWord(trace))
                .exit_code,
            1);
  ASSERT_EQ(e.on_2000, Outcome::kNoModelLine) << "the table names only this outcome on 2000";
  EXPECT_TRUE(Contains(SimSystem::ReadFile(trace), "GetDDISection Fail!!")) << e.basis;
  EXPECT_FALSE(Contains(sim.Winsim({"printers"}), e.model));
  EXPECT_FALSE(Contains(sim.Winsim({"drivers"}), e.model));
}

TEST_P(CorpusInstallTest, OnWindowsXpThePrinterUiGivesTheDocumentedResult) {
  const Expected& e = GetParam();
  SimSystem sim;
  sim.Winsim({"init", "--version", "xp", "--force"});
  std::string inf = MakeKit(e.inf, sim.root() + "/kit");
  EXPECT_EQ(sim.Quillset(InstallLine(inf, e.model)), 1);
  ASSERT_TRUE(kit_test::WaitForPrintUi(sim.root()));
  std::string events = sim.Events();
  std::string drivers = sim.Winsim({"drivers"});
  if (e.on_xp == Outcome::kInstalls) {
    EXPECT_TRUE(Contains(sim.Winsim({"printers"}), e.model)) << e.basis << "\n" << events;
    EXPECT_TRUE(Contains(drivers, "driver=" + std::string(e.xp_driver))) << drivers;
    EXPECT_FALSE(Contains(events, "Unable to install printer")) << events;
  } else {
    EXPECT_FALSE(Contains(sim.Winsim({"printers"}), e.model)) << e.basis;
    EXPECT_TRUE(Contains(events, "Unable to install printer " + std::string(e.model) + "."))
        << events;
    EXPECT_TRUE(Contains(events, e.xp_driver)) << e.basis << "\n" << events;
  }
}

std::string NameOf(const ::testing::TestParamInfo<Expected>& info) {
  std::string name;
  for (const char* c = info.param.inf; *c != '\0' && *c != '.'; ++c) {
    name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusInstallTest, ::testing::ValuesIn(kCorpus), NameOf);

// The Ghostscript kit (Include=NTPRINT.INF, Needs=PSCRIPT.OEM) on systems
// whose printer class files are not as a fresh Windows has them.
class SystemFilesTest : public ::testing::Test {
 protected:
  std::string Install(const std::string& version) {
    std::string inf = sim_.root() + "/kit/gs-ghostpdf-crlf.inf";
    if (!fs::exists(inf)) MakeKit("gs-ghostpdf-crlf.inf", sim_.root() + "/kit");
    EXPECT_EQ(sim_.Quillset(InstallLine(inf, kModel)), 1);
    EXPECT_TRUE(kit_test::WaitForPrintUi(sim_.root())) << version;
    return sim_.Events();
  }
  bool Installed() { return Contains(sim_.Winsim({"printers"}), kModel); }

  static constexpr char kModel[] = "Ghostscript PDF";
  SimSystem sim_;
};

TEST_F(SystemFilesTest, VistaAndLaterTakeTheCoreFilesFromTheDriverStore) {
  sim_.Winsim({"init", "--version", "7", "--force"});
  EXPECT_FALSE(fs::exists(sim_.DriveC("WINDOWS/Driver Cache/i386/driver.cab")));
  std::string events = Install("7");
  EXPECT_TRUE(Installed()) << events;
  EXPECT_TRUE(fs::exists(sim_.DriveC("WINDOWS/system32/spool/drivers/w32x86/3/PSCRIPT5.DLL")));
}

// Windows' class installer then lacks the data section and the Needs
// section: the driver has no driver file, which the spooler refuses.
TEST_F(SystemFilesTest, ADeletedNtprintInfFailsWithTheSpoolersErrorInABox) {
  sim_.Winsim({"init", "--version", "xp", "--force"});
  fs::remove(sim_.DriveC("WINDOWS/inf/NTPRINT.INF"));
  std::string events = Install("xp");
  EXPECT_FALSE(Installed());
  EXPECT_TRUE(Contains(events, "Unable to install printer Ghostscript PDF.")) << events;

  // A bare system has neither NTPRINT.INF nor the cabinet: the same.
  sim_.Winsim({"init", "--version", "xp", "--force", "--bare"});
  EXPECT_FALSE(fs::exists(sim_.DriveC("WINDOWS/Driver Cache/i386/driver.cab")));
  events = Install("xp");
  EXPECT_FALSE(Installed());
  EXPECT_TRUE(Contains(events, "Unable to install printer Ghostscript PDF.")) << events;
}

TEST_F(SystemFilesTest, ADamagedOrDeletedDriverCabinetFailsAtTheFirstCoreFile) {
  for (bool deleted : {false, true}) {
    sim_.Winsim({"init", "--version", "xp", "--force"});
    std::string cabinet = sim_.DriveC("WINDOWS/Driver Cache/i386/driver.cab");
    if (deleted) {
      fs::remove(cabinet);
    } else {
      fs::resize_file(cabinet, fs::file_size(cabinet) / 2);
    }
    std::string events = Install("xp");
    EXPECT_FALSE(Installed()) << deleted;
    EXPECT_TRUE(Contains(events, "(error 0x00000002)\\nPSCRIPT5.DLL")) << events;
  }
}

}  // namespace
