// kitcheck --cab lays the kit's cabinet over the fresh system's own
// driver.cab: the install finds the core driver files of the system and the
// kit's extra members, and a name in both is the system's member.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "scenario/sim_system.h"
#include "support/cab_builder.h"

namespace {

namespace fs = std::filesystem;
using kit_test::SimSystem;

constexpr char kInf[] =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Printer\r\n"
    "[Manufacturer]\r\n\"Brevant\"\r\n"
    "[Brevant]\r\n\"Brevant Test Printer\" = TESTPS, BrevantTEST0001\r\n"
    "[TESTPS]\r\nCopyFiles=@TEST.PPD,KIT_FILES\r\nDataSection=PSCRIPT_DATA\r\n"
    "DataFile=TEST.PPD\r\ninclude=NTPRINT.INF\r\n"
    "[KIT_FILES]\r\nPSCRIPT5.DLL\r\nPS5UI.DLL\r\nPSCRIPT.HLP\r\nKITEXTRA.DLL\r\n";

/// The size kitcheck reports for the file `name`, or -1.
long FileSize(const std::string& json, const std::string& name) {
  size_t at = json.find("{\"name\":\"" + name + "\"");
  if (at == std::string::npos) return -1;
  size_t size = json.find("\"size\":", at);
  return size == std::string::npos ? -1 : std::strtol(json.c_str() + size + 7, nullptr, 10);
}

TEST(KitcheckCabinetTest, TheKitsCabinetIsLaidOverTheSystemsOwn) {
  SimSystem sim;
  std::string kit = sim.root() + "/kit";
  fs::create_directories(kit);
  std::ofstream(kit + "/setup.inf", std::ios::binary) << kInf;
  std::ofstream(kit + "/TEST.PPD", std::ios::binary) << "ppd";
  std::string cab = kit + "/kit.cab";
  std::ofstream(cab, std::ios::binary)
      << kit_test::CabBuilder().Add("pscript5.dll", "kit").Add("KITEXTRA.DLL", "extra").Build();

  kit_test::RunResult r = sim.RunWords(
      "kitcheck", {"--json", "--inf", kit + "/setup.inf", "--printer", "Brevant Test Printer",
                   "--mdl", "TR-2210", "--cab", cab, "--version", "2000,xp"});
  EXPECT_EQ(r.exit_code, 0) << r.out;
  EXPECT_EQ(FileSize(r.out, "KITEXTRA.DLL"), 5) << r.out;  // the kit's own member
  long pscript = FileSize(r.out, "PSCRIPT5.DLL");
  EXPECT_GT(pscript, 3) << r.out;  // the system's member, not the kit's 3 bytes
}

}  // namespace
