// The ombrel tool run as a shell would run it: argument handling, and each
// export against a simulated system, including the printer that quillset
// installs from the example kit.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "scenario/sim_system.h"

namespace {

namespace fs = std::filesystem;
using kit_test::ShellWord;
using kit_test::SimSystem;
using kit_test::ZPath;
using Outcome = kit_test::RunResult;

constexpr char kPrinter[] = "Brevant TR-2210 Series PS";

class OmbrelTool : public testing::Test {
 protected:
  Outcome Run(const std::string& program, const std::vector<std::string>& words,
              bool with_stderr = false, const std::string& env = "") {
    return sim_.RunWords(program, words, with_stderr, env);
  }

  /// The integer that ombrel printed for a call that ran.
  std::string Ombrel(const std::vector<std::string>& words) {
    Outcome o = Run("ombrel", words);
    EXPECT_EQ(o.exit_code, 0) << "ombrel " << words[0];
    return o.out;
  }

  std::string Winsim(const std::vector<std::string>& words) { return Run("winsim", words).out; }
  std::string Events() { return sim_.Events(); }
  std::string DriveC(const std::string& relative) { return sim_.DriveC(relative); }

  /// A Windows 2000 system with the example kit's printer installed.
  void InstallKitPrinter() {
    sim_.Prepare("2000");
    std::string line = "/INF \"" + ZPath(SimSystem::KitFile("setup.inf")) + "\" /PRINTER \"" +
                       kPrinter + "\" /MDL \"TR-2210\"";
    ASSERT_EQ(sim_.Quillset(line), 1);
  }

  SimSystem sim_;
  const std::string& root_ = sim_.root();
};

TEST_F(OmbrelTool, BadArgumentsPrintTheUsageAndExitTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"NoSuchExport", "x"},
      {"IsPrinterInstalled"},
      {"IsPrinterInstalled", "a", "b"},
      {"MySetDefaultPrinter", "one", "Office"},
      {"MySetFilesAttibute", "1"},
      {"MySetFilesAttibute", "0x100000000", "C:\\kit"},
      {"OpenURL"},
      {"UninstallPrinter", "Driver", "notanumber"},
  };
  for (const auto& words : cases) {
    Outcome o = Run("ombrel", words, true);
    std::string shown = words.empty() ? "(none)" : words[0];
    EXPECT_EQ(o.exit_code, 2) << shown;
    EXPECT_NE(o.out.find("usage: ombrel EXPORT ARG..."), std::string::npos) << shown;
  }
  EXPECT_FALSE(fs::exists(root_ + "/events.jsonl"));
}

TEST_F(OmbrelTool, MissingLibraryExitsOne) {
  Outcome o = Run("ombrel", {"IsPrinterInstalled", "Office"}, true,
                  "OMBREL_LIBRARY=" + ShellWord(root_ + "/no-such-library.so"));
  EXPECT_EQ(o.exit_code, 1);
  EXPECT_NE(o.out.find("cannot load"), std::string::npos) << o.out;
}

TEST_F(OmbrelTool, InstalledPrinterIsFoundMadeDefaultAndUninstalled) {
  InstallKitPrinter();
  EXPECT_EQ(Ombrel({"IsPrinterInstalled", kPrinter}), "1\n");
  EXPECT_EQ(Ombrel({"IsPrinterInstalled", "Brevant TR-9999"}), "0\n");

  EXPECT_NE(Ombrel({"MySetDefaultPrinter", "1", kPrinter}), "0\n");
  EXPECT_NE(Winsim({"default"}).find(kPrinter), std::string::npos);

  EXPECT_EQ(Ombrel({"UninstallPrinter", kPrinter}), "0\n");
  EXPECT_EQ(Ombrel({"IsPrinterInstalled", kPrinter}), "0\n");
  EXPECT_EQ(Winsim({"printers"}).find(kPrinter), std::string::npos);
  EXPECT_EQ(Winsim({"drivers"}).find(kPrinter), std::string::npos);
  EXPECT_EQ(Events().find("\"MessageBox\""), std::string::npos) << Events();
}

TEST_F(OmbrelTool, DefaultPrinterSelectorAndName) {
  // No printers: selector 0 changes nothing; a selector without a name is
  // refused.
  EXPECT_EQ(Ombrel({"MySetDefaultPrinter", "0"}), "1\n");
  EXPECT_EQ(Ombrel({"MySetDefaultPrinter", "1"}), "0\n");
  EXPECT_EQ(Ombrel({"MySetDefaultPrinter", "0x10", "No Such Printer"}), "0\n");
}

TEST_F(OmbrelTool, FolderAttributesReachTheFiles) {
  Run("winsim", {"init", "--version", "2000", "--force"});
  fs::create_directories(DriveC("kit/sub"));
  std::ofstream(DriveC("kit/setup.inf")) << "x";
  std::ofstream(DriveC("kit/ab")) << "x";

  EXPECT_EQ(Ombrel({"MySetFilesAttibute", "0x1", "C:\\kit"}), "1\n");

  // Read-only shows on the host as a file without write bits.
  struct stat st {};
  ASSERT_EQ(stat(DriveC("kit/setup.inf").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0222, 0u);
  ASSERT_EQ(stat(DriveC("kit/ab").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & 0200, 0u);

  EXPECT_EQ(Ombrel({"MySetFilesAttibute", "0x80", "C:\\kit"}), "1\n");
  ASSERT_EQ(stat(DriveC("kit/setup.inf").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & 0200, 0u);
  EXPECT_EQ(Ombrel({"MySetFilesAttibute", "1", "C:\\no\\such\\folder"}), "0\n");
}

TEST_F(OmbrelTool, OpenUrlOpensKnownAddressesAndReportsOthers) {
  EXPECT_EQ(Ombrel({"OpenURL", "https://www.example.com/support"}), "1\n");
  EXPECT_NE(Events().find("\"ShellExecute\""), std::string::npos);
  EXPECT_EQ(Events().find("\"MessageBox\""), std::string::npos);

  EXPECT_EQ(Ombrel({"OpenURL", "nohandler:anything"}), "0\n");
  EXPECT_NE(Events().find("\"caption\":\"Ombrel.Dll\""), std::string::npos) << Events();
}

}  // namespace
