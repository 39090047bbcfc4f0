#include "installer/inf/driver_install.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/winsim/spooler_store.h"
#include "platform/winsim/store.h"
#include "support/inf_fixture.h"

namespace {

using kit_test::InfFixture;

class DriverInstallTest : public InfFixture {
 protected:
  /// Puts stand-in files into the driver directory, as the file copy would.
  void PlaceDriverFiles(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
      root_.WriteDriveC(std::string(kit_test::kDriverDirC) + "/" + name, "stand-in " + name);
    }
  }

  bool ReadDriver(const std::string& name, winsim::spooler::DriverRecord* record) {
    winsim::Transaction tx(winsim::Transaction::kRead);
    return tx.status() == 0 && winsim::spooler::ReadDriver(tx.db(), name, record) == 0;
  }

  std::string WriteDriverInf() {
    return WriteKitFile(
        "setup.inf",
        "[Manufacturer]\r\n\"Brevant\"\r\n"
        "[DDI]\r\nDataSection=DATA\r\nDriverFile=DDI.DLL\r\nDataFile=MODEL.PPD\r\n"
        "[DATA]\r\nDriverFile=DRV.DLL\r\nConfigFile=DRVUI.DLL\r\nHelpFile=DRV.HLP\r\n");
  }
};

TEST(DependentFileListTest, TurnsBlankEndedNamesIntoAMultiString) {
  using namespace std::string_literals;
  struct Case {
    std::string copied;
    std::string list;  // up to and including the NUL that ends the list
  } cases[] = {
      {"A.DLL B.DLL ", "A.DLL\0B.DLL\0\0"s},
      {"", "\0\0"s},
      {"A.DLL", "A.DLL\0\0"s},
      // An empty piece ends the list as the spooler reads it.
      {"A.DLL  B.DLL ", "A.DLL\0\0B.DLL\0\0"s},
      {" A.DLL ", "\0A.DLL\0\0"s},
  };
  for (const auto& c : cases) {
    std::string list = DependentFileList(c.copied);
    ASSERT_GE(list.size(), c.list.size()) << c.copied;
    EXPECT_EQ(list.substr(0, c.list.size()), c.list) << c.copied;
  }
}

TEST(DependentFileListTest, HoldsEveryFileOfALargeKit) {
  std::string copied;
  for (int i = 0; i < 40; ++i) copied += "BRVMODEL" + std::to_string(i) + ".GPD ";
  std::string list = DependentFileList(copied);
  EXPECT_GT(list.size(), 260u);
  size_t names = 0;
  for (size_t at = 0; at < list.size() && list[at] != '\0'; at += strlen(list.c_str() + at) + 1) {
    ++names;
  }
  EXPECT_EQ(names, 40u);
}

TEST_F(DriverInstallTest, FillsFileKeysFromTheDataSectionDdiSectionAndIncludeInf) {
  // Worked example: data file from the DDI section, the rest from the include
  // INF's data section, because the INF has no section MODEL_DATA.
  std::string inf = WriteKitFile(
      "setup.inf",
      "[Manufacturer]\r\n\"Brevant\"\r\n"
      "[DDI]\r\nDataSection=MODEL_DATA\r\nDataFile=MODEL.PPD\r\nInclude=SYSTEM.INF\r\n");
  WriteSystemInf("SYSTEM.INF",
                 "[MODEL_DATA]\r\nDriverFile=DRV.DLL\r\nConfigFile=DRVUI.DLL\r\nHelpFile=DRV.HLP\r\n"
                 "DataFile=NOTUSED.PPD\r\n");
  DriverInfoStrings fields;
  ASSERT_TRUE(FillDriverInfo(fields, inf, "C:\\WINDOWS\\Inf\\SYSTEM.INF", "\"Brevant \"TR\"",
                             "DDI", "DRV.DLL MODEL.PPD "));
  EXPECT_STREQ(fields.name, "Brevant TR");
  EXPECT_STREQ(fields.environment, "Windows NT x86");
  EXPECT_STREQ(fields.driver_file, "DRV.DLL");
  EXPECT_STREQ(fields.data_file, "MODEL.PPD");
  EXPECT_STREQ(fields.config_file, "DRVUI.DLL");
  EXPECT_STREQ(fields.help_file, "DRV.HLP");
  EXPECT_STREQ(fields.default_data_type, "RAW");
  EXPECT_STREQ(fields.manufacturer, "Brevant");
  EXPECT_STREQ(fields.provider, "Brevant");
  EXPECT_STREQ(fields.monitor_name, "");
  EXPECT_EQ(fields.dependent_files.substr(0, 20), std::string("DRV.DLL\0MODEL.PPD\0\0", 20));
}

TEST_F(DriverInstallTest, DataSectionOfTheInfComesFirst) {
  std::string inf = WriteDriverInf();
  DriverInfoStrings fields;
  FillDriverInfo(fields, inf, "", "P", "DDI", "");
  EXPECT_STREQ(fields.driver_file, "DRV.DLL");  // DATA wins over DDI
  EXPECT_STREQ(fields.data_file, "MODEL.PPD");
  EXPECT_STREQ(fields.config_file, "DRVUI.DLL");
}

TEST_F(DriverInstallTest, WithoutDataSectionOnlyTheDdiSectionCounts) {
  std::string inf = WriteKitFile("setup.inf", "[DDI]\r\nDriverFile=DDI.DLL\r\nInclude=SYSTEM.INF\r\n");
  WriteSystemInf("SYSTEM.INF", "[DDI]\r\nConfigFile=UI.DLL\r\n[]\r\nConfigFile=UI.DLL\r\n");
  DriverInfoStrings fields;
  FillDriverInfo(fields, inf, "C:\\WINDOWS\\Inf\\SYSTEM.INF", "P", "DDI", "");
  EXPECT_STREQ(fields.driver_file, "DDI.DLL");
  EXPECT_STREQ(fields.config_file, "");
  EXPECT_STREQ(fields.help_file, "");
}

TEST_F(DriverInstallTest, RegistersEveryFieldAndTreatsAlreadyInstalledAsSuccess) {
  std::string inf = WriteDriverInf();
  PlaceDriverFiles({"DRV.DLL", "MODEL.PPD", "DRVUI.DLL", "DRV.HLP"});
  ASSERT_TRUE(InstallPrinterDriver(inf, "TR-2210", "DDI", "DRV.DLL MODEL.PPD ", "BrevantTR1"));
  winsim::spooler::DriverRecord record;
  ASSERT_TRUE(ReadDriver("TR-2210", &record));
  EXPECT_EQ(record.version, 3u);
  EXPECT_EQ(record.driver_file, "DRV.DLL");
  EXPECT_EQ(record.data_file, "MODEL.PPD");
  EXPECT_EQ(record.config_file, "DRVUI.DLL");
  EXPECT_EQ(record.help_file, "DRV.HLP");
  EXPECT_EQ(record.dependent_files, (std::vector<std::string>{"DRV.DLL", "MODEL.PPD"}));
  EXPECT_EQ(record.datatype, "RAW");
  EXPECT_EQ(record.manufacturer, "Brevant");
  EXPECT_EQ(record.provider, "Brevant");
  EXPECT_EQ(record.hardware_id, "BrevantTR1");
  // What the spooler was asked for beyond the strings: a user-mode driver
  // (version 3) copied in full, the monitor and previous names as empty
  // values, no OEM URL at all, no INF date or version.
  namespace sp = winsim::spooler;
  EXPECT_EQ(record.copy_flags, static_cast<DWORD>(APD_COPY_ALL_FILES));
  EXPECT_FALSE(record.IsNull(sp::kMonitorField));
  EXPECT_FALSE(record.IsNull(sp::kPreviousNamesField));
  EXPECT_TRUE(record.IsNull(sp::kOemUrlField));
  EXPECT_EQ(record.driver_date, 0u);
  EXPECT_EQ(record.driver_version, 0u);

  // The second registration replaces the first (or, where a spooler refuses
  // with 1795, is taken as done): a success either way, no box.
  ASSERT_TRUE(InstallPrinterDriver(inf, "TR-2210", "DDI", "DRV.DLL MODEL.PPD ", ""));
  EXPECT_EQ(BoxCount(), 0);
  size_t ok = 0;
  std::string trace = Trace();
  for (size_t at = trace.find("[Quillset] Install printer driver OK!!\n"); at != std::string::npos;
       at = trace.find("[Quillset] Install printer driver OK!!\n", at + 1)) {
    ++ok;
  }
  EXPECT_EQ(ok, 2u);
}

TEST_F(DriverInstallTest, RegistersADependentListLongerThanAField) {
  std::string inf = WriteDriverInf();
  std::vector<std::string> files = {"DRV.DLL", "MODEL.PPD", "DRVUI.DLL", "DRV.HLP"};
  std::string copied = "DRV.DLL MODEL.PPD DRVUI.DLL DRV.HLP ";
  for (int i = 0; i < 30; ++i) {
    files.push_back("BRVMODEL" + std::to_string(i) + ".GPD");
    copied += files.back() + " ";
  }
  PlaceDriverFiles(files);
  ASSERT_TRUE(InstallPrinterDriver(inf, "TR-2210", "DDI", copied, ""));
  winsim::spooler::DriverRecord record;
  ASSERT_TRUE(ReadDriver("TR-2210", &record));
  EXPECT_EQ(record.dependent_files, files);
}

TEST_F(DriverInstallTest, ARefusedRegistrationShowsTheBoxAndFails) {
  std::string inf = WriteDriverInf();
  PlaceDriverFiles({"DRV.DLL", "MODEL.PPD", "DRVUI.DLL"});  // DRV.HLP is missing
  EXPECT_FALSE(InstallPrinterDriver(inf, "TR-2210", "DDI", "", ""));
  EXPECT_TRUE(BoxShown("TR-2210"));
  EXPECT_NE(Trace().find("[Quillset] Install Printer Driver fail!!\n"), std::string::npos);
  winsim::spooler::DriverRecord record;
  EXPECT_FALSE(ReadDriver("TR-2210", &record));
}

TEST_F(DriverInstallTest, RefusesAPrinterNameThatDoesNotFitTheNameField) {
  std::string inf = WriteDriverInf();
  PlaceDriverFiles({"DRV.DLL", "MODEL.PPD", "DRVUI.DLL", "DRV.HLP"});
  std::string name(260, 'P');
  EXPECT_FALSE(InstallPrinterDriver(inf, name, "DDI", "", ""));
  EXPECT_TRUE(BoxShown(name));
  EXPECT_NE(root_.ReadEvents().find("printer name is invalid"), std::string::npos);
  winsim::spooler::DriverRecord record;
  EXPECT_FALSE(ReadDriver(name.substr(0, 259), &record));
  // 259 characters fit.
  EXPECT_TRUE(InstallPrinterDriver(inf, name.substr(0, 259), "DDI", "", ""));
}

}  // namespace
