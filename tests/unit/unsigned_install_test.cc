#include "installer/inf/unsigned_install.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/winsim/spooler_store.h"
#include "platform/winsim/store.h"
#include "support/inf_fixture.h"

namespace {

using kit_test::InfFixture;

constexpr char kPrinter[] = "Brevant TR-2210 Series PS";
constexpr char kQuoted[] = "\"Brevant TR-2210 Series PS\"";
const std::string kKitDir = std::string(KIT_SOURCE_DIR) + "/examples/kit";

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class UnsignedInstallTest : public InfFixture {
 protected:
  void SetUp() override {
    InfFixture::SetUp();
    root_.WriteSystemIni("[version]\nPlatformId=2\nMajorVersion=5\nMinorVersion=0\n" + faults_);
    ImportPortRecords(kKitDir + "/ports.reg");
    std::filesystem::copy_file(kKitDir + "/driver.cab",
                               root_.DriveC("WINDOWS/Driver Cache/i386/driver.cab"),
                               std::filesystem::copy_options::overwrite_existing);
  }

  /// Sets the string values of a .reg file (the form the kit's ports.reg uses).
  void ImportPortRecords(const std::string& reg_file) {
    std::ifstream in(reg_file, std::ios::binary);
    std::string line, key;
    const std::string hklm = "[HKEY_LOCAL_MACHINE\\";
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.rfind(hklm, 0) == 0) {
        key = line.substr(hklm.size(), line.size() - hklm.size() - 1);
      } else if (line.size() > 1 && line[0] == '"') {
        size_t eq = line.find("\"=\"");
        ASSERT_NE(eq, std::string::npos) << line;
        SetPortText(key, line.substr(1, eq - 1), line.substr(eq + 3, line.size() - eq - 4));
      }
    }
  }

  /// Copies the example kit to C:\kit, with setup.inf's text edited.
  std::string CopyKit(const std::string& from = "", const std::string& to = "") {
    for (const char* name : {"TR2210.PPD", "BRV2210.INI", "BRVUI.DLL", "BRVRES.DLL"}) {
      WriteKitFile(name, ReadHostFile(kKitDir + "/" + name));
    }
    std::string inf = ReadHostFile(kKitDir + "/setup.inf");
    if (!from.empty()) {
      size_t at = inf.find(from);
      EXPECT_NE(at, std::string::npos) << from;
      if (at != std::string::npos) inf.replace(at, from.size(), to);
    }
    return WriteKitFile("setup.inf", inf);
  }

  bool ReadDriver(const std::string& name, winsim::spooler::DriverRecord* record) {
    winsim::Transaction tx(winsim::Transaction::kRead);
    return tx.status() == 0 && winsim::spooler::ReadDriver(tx.db(), name, record) == 0;
  }
  bool ReadPrinter(const std::string& name, winsim::spooler::PrinterRecord* record) {
    winsim::Transaction tx(winsim::Transaction::kRead);
    return tx.status() == 0 && winsim::spooler::ReadPrinter(tx.db(), name, record) == 0;
  }
  bool InfCopied() const { return std::filesystem::exists(root_.DriveC("WINDOWS/inf/setup.inf")); }

  std::string faults_;
};

TEST_F(UnsignedInstallTest, InstallsTheExampleKit) {
  std::string inf = "Z:" + kKitDir + "/setup.inf";
  for (char& c : inf) c = c == '/' ? '\\' : c;
  ASSERT_EQ(SetupUnsignedPrinter(inf, kQuoted, "TR-2210"), 1);

  winsim::spooler::DriverRecord driver;
  ASSERT_TRUE(ReadDriver(kPrinter, &driver));
  EXPECT_EQ(driver.version, 3u);
  EXPECT_EQ(driver.driver_file, "PSCRIPT5.DLL");
  EXPECT_EQ(driver.data_file, "TR2210.PPD");
  EXPECT_EQ(driver.config_file, "PS5UI.DLL");
  EXPECT_EQ(driver.help_file, "PSCRIPT.HLP");
  EXPECT_EQ(driver.dependent_files,
            (std::vector<std::string>{"TR2210.PPD", "BRV2210.INI", "BRVUI.DLL", "BRVRES.DLL",
                                      "PSCRIPT5.DLL", "PS5UI.DLL", "PSCRIPT.HLP", "PSCRIPT.NTF"}));
  EXPECT_EQ(driver.datatype, "RAW");
  EXPECT_EQ(driver.manufacturer, "Brevant");
  EXPECT_EQ(driver.provider, "Brevant");
  EXPECT_EQ(driver.hardware_id, "BrevantTR-2210PS1");

  winsim::spooler::PrinterRecord printer;
  ASSERT_TRUE(ReadPrinter(kPrinter, &printer));
  EXPECT_EQ(printer.port, "USB002");
  EXPECT_EQ(printer.driver, kPrinter);

  EXPECT_EQ(ReadHostFile(root_.DriveC("WINDOWS/inf/setup.inf")),
            ReadHostFile(kKitDir + "/setup.inf"));
  // Only the files the kit lists came out of the cabinet.
  EXPECT_FALSE(InDriverDir("UNIDRV.DLL"));
  EXPECT_EQ(BoxCount(), 0);

  std::string trace = Trace();
  for (const char* line :
       {"[Quillset] SetupUnsignedPrinter\n", "[Quillset] MFG = Brevant\n",
        "[Quillset] Active Port = USB002\n", "[Quillset] Get SectionName and PNP ID \n",
        "[Quillset] Start copying files...\n", "[Quillset] Start installing printer driver\n",
        "[Quillset] Start installing printer\n", "[Quillset] Install Printer OK!!\n"}) {
    EXPECT_NE(trace.find(line), std::string::npos) << line;
  }

  // Run again: driver already installed (1795), printer exists (1802).
  ASSERT_EQ(SetupUnsignedPrinter(inf, kQuoted, "TR-2210"), 1);
  EXPECT_EQ(BoxCount(), 0);
}

TEST_F(UnsignedInstallTest, AnUnquotedPrinterNameStopsBeforeAnyCopy) {
  std::string inf = CopyKit();
  EXPECT_EQ(SetupUnsignedPrinter(inf, kPrinter, "TR-2210"), 0);
  EXPECT_TRUE(DriverDirFiles().empty());
  // The port was chosen all the same.
  EXPECT_NE(Trace().find("[Quillset] Active Port = USB002\n"), std::string::npos);
}

TEST_F(UnsignedInstallTest, HandsOnOnlyAPnpIdOfEightCharactersOrMore) {
  struct Case {
    const char* model_value;
    const char* hardware_id;
  } cases[] = {
      {"TR2210PS, ABC", ""},
      {"TR2210PS, ABCDEFG", ""},
      {"TR2210PS, ABCDEFGH", "ABCDEFGH"},
      {"TR2210PS", ""},
  };
  for (const auto& c : cases) {
    // A printer (and driver) of its own name for each case.
    std::string name = std::string(kPrinter) + " " + std::to_string(&c - cases);
    std::string inf = CopyKit("\"Brevant TR-2210 Series PS\" = TR2210PS, BrevantTR-2210PS1",
                  "\"" + name + "\" = " + c.model_value);
    ASSERT_EQ(SetupUnsignedPrinter(inf, "\"" + name + "\"", "TR-2210"), 1) << c.model_value;
    winsim::spooler::DriverRecord driver;
    ASSERT_TRUE(ReadDriver(name, &driver));
    EXPECT_EQ(driver.hardware_id, c.hardware_id) << c.model_value;
  }
}

TEST_F(UnsignedInstallTest, ADdiSectionWithoutCopyFilesStopsAtTheCopy) {
  std::string inf = CopyKit("CopyFiles=", "NoCopyFiles=");
  EXPECT_EQ(SetupUnsignedPrinter(inf, kQuoted, "TR-2210"), 0);
  EXPECT_NE(Trace().find("[Quillset] Copy files Fail\n"), std::string::npos);
  winsim::spooler::DriverRecord driver;
  EXPECT_FALSE(ReadDriver(kPrinter, &driver));
  EXPECT_FALSE(InfCopied());
}

TEST_F(UnsignedInstallTest, ARefusedDriverLeavesTheFilesAndCreatesNoPrinter) {
  // The driver file named is neither beside the INF nor in the cabinet.
  std::string inf = CopyKit("DriverFile=PSCRIPT5.DLL", "DriverFile=MISSING5.DLL");
  EXPECT_EQ(SetupUnsignedPrinter(inf, kQuoted, "TR-2210"), 0);
  EXPECT_TRUE(InDriverDir("TR2210.PPD"));
  EXPECT_TRUE(InDriverDir("PSCRIPT5.DLL"));
  EXPECT_TRUE(BoxShown(kPrinter));
  EXPECT_NE(Trace().find("[Quillset] Install printer Driver fail!!\n"), std::string::npos);
  winsim::spooler::PrinterRecord printer;
  EXPECT_FALSE(ReadPrinter(kPrinter, &printer));
  EXPECT_FALSE(InfCopied());
}

TEST_F(UnsignedInstallTest, ARefusedPrinterLeavesTheDriver) {
  // The port record names a port the spooler does not have.
  SetPortText("Software\\Brevant\\QXPrinter\\Port\\USB", "USB099",
              "MFG:Brevant;MDL:TR-2210 Series PS;");
  SetPortText("Software\\Brevant\\QXPrinter\\Port\\USB", "USB002", "MFG:Other;");
  std::string inf = CopyKit();
  EXPECT_EQ(SetupUnsignedPrinter(inf, kQuoted, "TR-2210"), 0);
  winsim::spooler::DriverRecord driver;
  EXPECT_TRUE(ReadDriver(kPrinter, &driver));
  winsim::spooler::PrinterRecord printer;
  EXPECT_FALSE(ReadPrinter(kPrinter, &printer));
  EXPECT_TRUE(BoxShown(kPrinter));
  EXPECT_NE(Trace().find("[Quillset] Install printer fail!!\n"), std::string::npos);
  EXPECT_FALSE(InfCopied());
}

class UnsignedInstallInfCopyFailsTest : public UnsignedInstallTest {
 protected:
  void SetUp() override {
    // Eight copies of driver files come before the INF copy: two single
    // files, two beside the INF in [BREVANT_FILES], four tries in [PSCRIPT].
    faults_ = "[faults]\nCopyFileA#9=5\n";
    UnsignedInstallTest::SetUp();
  }
};

TEST_F(UnsignedInstallInfCopyFailsTest, StillSucceeds) {
  std::string inf = CopyKit();
  EXPECT_EQ(SetupUnsignedPrinter(inf, kQuoted, "TR-2210"), 1);
  EXPECT_FALSE(InfCopied());
  EXPECT_TRUE(BoxShown(inf));
  EXPECT_EQ(BoxCount(), 1);
  winsim::spooler::PrinterRecord printer;
  EXPECT_TRUE(ReadPrinter(kPrinter, &printer));
}

}  // namespace
