// `winsim printers`, `drivers` and `default` on a system whose spooler keys
// were written the way Windows writes them.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "scenario/sim_system.h"

namespace {

using kit_test::SimSystem;

constexpr char kSpoolerReg[] =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\"
    "Windows NT x86\\Drivers\\Version-3\\Brevant PS]\r\n"
    "\"Configuration File\"=\"PS5UI.DLL\"\r\n"
    "\"Data File\"=\"TR2210.PPD\"\r\n"
    "\"Driver\"=\"PSCRIPT5.DLL\"\r\n"
    "\"Help File\"=\"PSCRIPT.HLP\"\r\n"
    "\"Dependent Files\"=hex(7):41,2e,44,4c,4c,00,42,2e,44,4c,4c,00,00,00\r\n"
    "\"Manufacturer\"=\"Brevant\"\r\n"
    "\"HardwareID\"=\"BrevantTR1\"\r\n"
    "\"Provider\"=\"Brevant\"\r\n"
    "\"Version\"=dword:00000003\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Office \"2\"]\r\n"
    "\"Name\"=\"Office \\\"2\\\"\"\r\n"
    "\"Port\"=\"USB002\"\r\n"
    "\"Printer Driver\"=\"Brevant PS\"\r\n"
    "\"Print Processor\"=\"WinPrint\"\r\n"
    "\"Datatype\"=\"RAW\"\r\n"
    "\"Attributes\"=dword:00000040\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows]\r\n"
    "\"Device\"=\"Office \\\"2\\\",winspool,USB002\"\r\n";

class WinsimSpoolerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim_.Winsim({"init", "--version", "2000", "--force"});
  }
  void ImportSpooler() {
    std::string reg = sim_.root() + "/spooler.reg";
    std::ofstream(reg, std::ios::binary) << kSpoolerReg;
    sim_.Winsim({"reg", "import", reg});
  }
  kit_test::RunResult Run(const std::string& args) { return sim_.Run("winsim", args); }

  SimSystem sim_;
};

TEST_F(WinsimSpoolerTest, AnEmptySpoolerListsNothingAndHasNoDefault) {
  EXPECT_EQ(sim_.Winsim({"printers"}), "");
  EXPECT_EQ(sim_.Winsim({"drivers"}), "");
  EXPECT_EQ(sim_.Winsim({"printers", "--json"}), "[]\n");
  EXPECT_EQ(sim_.Winsim({"drivers", "--json"}), "[]\n");
  kit_test::RunResult none = Run("default");
  EXPECT_EQ(none.exit_code, 1);
  EXPECT_EQ(none.out, "");
  EXPECT_NE(SimSystem::ReadFile(sim_.root() + "/stderr.log").find("no default printer"),
            std::string::npos);
}

TEST_F(WinsimSpoolerTest, ListsWhatTheRegistryHolds) {
  ImportSpooler();
  EXPECT_EQ(sim_.Winsim({"printers"}),
            "Office \"2\"\tport=USB002\tdriver=Brevant PS\tprocessor=WinPrint\tdatatype=RAW"
            "\tattributes=0x00000040\tdefault\n");
  EXPECT_EQ(sim_.Winsim({"drivers"}),
            "Brevant PS\tenvironment=Windows NT x86\tversion=3\tdriver=PSCRIPT5.DLL"
            "\tdata=TR2210.PPD\tconfig=PS5UI.DLL\thelp=PSCRIPT.HLP\tdependent=A.DLL,B.DLL"
            "\tmonitor=\tdatatype=\tmanufacturer=Brevant\thardware_id=BrevantTR1\tprovider=Brevant\n");
  EXPECT_EQ(sim_.Winsim({"default"}), "Office \"2\"\n");

  std::string printers = sim_.Winsim({"printers", "--json"});
  EXPECT_EQ(printers.rfind("[{\"name\":\"Office \\\"2\\\"\",\"port\":\"USB002\"", 0), 0u) << printers;
  EXPECT_NE(printers.find("\"attributes\":64"), std::string::npos) << printers;
  EXPECT_NE(printers.find("\"default\":true}]"), std::string::npos) << printers;
  std::string drivers = sim_.Winsim({"drivers", "--json"});
  EXPECT_NE(drivers.find("\"dependent_files\":[\"A.DLL\",\"B.DLL\"]"), std::string::npos) << drivers;
  EXPECT_NE(drivers.find("\"environment\":\"Windows NT x86\""), std::string::npos) << drivers;
  EXPECT_NE(drivers.find("\"hardware_id\":\"BrevantTR1\""), std::string::npos) << drivers;
}

TEST_F(WinsimSpoolerTest, RefusesArgumentsItDoesNotKnow) {
  for (const char* args : {"printers --xml", "drivers --json extra", "default --json"}) {
    EXPECT_EQ(Run(args).exit_code, 2) << args;
  }
}

}  // namespace
