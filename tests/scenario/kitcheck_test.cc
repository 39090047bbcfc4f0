// kitcheck's answers are the installer's: for every kit under tests/kits, what
// kitcheck predicts (verdict, files, port, driver and printer descriptions,
// uninstall) equals what a real install in a fresh simulated system did, and
// its findings are exactly the ones the kit was written to trigger.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "scenario/sim_system.h"
#include "support/json_line.h"
#include "support/json_objects.h"

namespace kit_test {
namespace {

namespace fs = std::filesystem;

const char kPrinter[] = "Brevant Test Printer";

std::string KitsDir() { return std::string(KIT_SOURCE_DIR) + "/tests/kits"; }

std::vector<std::string> KitNames() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(KitsDir()))
    if (e.is_directory()) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// kit.txt: key=value lines saying how the kit is checked and what it shows.
std::map<std::string, std::string> ReadKitConf(const std::string& kit) {
  std::map<std::string, std::string> conf;
  std::istringstream in(SimSystem::ReadFile(KitsDir() + "/" + kit + "/kit.txt"));
  std::string line;
  while (std::getline(in, line)) {
    size_t eq = line.find('=');
    if (!line.empty() && line[0] != '#' && eq != std::string::npos) conf[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return conf;
}

std::set<std::string> Split(const std::string& list) {
  std::set<std::string> out;
  std::istringstream in(list);
  std::string item;
  while (std::getline(in, item, ','))
    if (!item.empty()) out.insert(item);
  return out;
}

JsonLine Object(const std::string& raw) {
  JsonLine o;
  EXPECT_TRUE(ParseJsonLine(raw, &o)) << raw;
  return o;
}

class KitcheckTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    kit_ = GetParam();
    dir_ = KitsDir() + "/" + kit_;
    conf_ = ReadKitConf(kit_);
    command_line_ = "/INF \"" + ZPath(dir_ + "/setup.inf") + "\" /PRINTER \"" + kPrinter + "\" /MDL \"" +
                    conf_["mdl"] + "\"";
  }

  std::string Cabinet() const {
    const std::string& cab = conf_.at("cab");
    return cab == "none" ? "" : cab == "example" ? SimSystem::KitFile("driver.cab") : dir_ + "/" + cab;
  }
  std::string Ports() const { return conf_.at("ports") == "none" ? "" : SimSystem::KitFile("ports.reg"); }

  // A fresh system as kitcheck makes one, with the kit's other printer
  // installed first where the kit asks for it.
  void PrepareReal(const SimSystem& sim) const {
    sim.Winsim({"init", "--force"});
    if (!Cabinet().empty()) {
      std::string cache = sim.DriveC("WINDOWS/Driver Cache/i386");
      fs::create_directories(cache);
      // The kit's cabinet stands in for the system's, as kitcheck's --cab.
      fs::copy_file(Cabinet(), cache + "/driver.cab", fs::copy_options::overwrite_existing);
    }
    if (!Ports().empty()) sim.Winsim({"reg", "import", Ports()});
    if (conf_.count("preinstall")) {
      EXPECT_EQ(sim.Quillset("/INF \"" + ZPath(dir_ + "/setup.inf") + "\" /PRINTER \"" +
                             conf_.at("preinstall") + "\" /MDL \"" + conf_.at("mdl") + "\""),
                1);
    }
  }

  // kitcheck's one version object, run as a kit author would run it.
  JsonLine RunKitcheck(const SimSystem& scratch) const {
    std::vector<std::string> words = {"--json", "--inf", dir_ + "/setup.inf", "--printer", kPrinter,
                                      "--mdl", conf_.at("mdl")};
    if (conf_.count("preinstall")) {
      PrepareReal(scratch);
      words.insert(words.end(), {"--root", scratch.root()});
    } else {
      if (!Cabinet().empty()) words.insert(words.end(), {"--cab", Cabinet()});
      if (!Ports().empty()) words.insert(words.end(), {"--ports", Ports()});
    }
    RunResult r = scratch.RunWords("kitcheck", words);
    std::vector<JsonLine> versions = ParsedObjects(Object(r.out).Raw("versions"));
    EXPECT_EQ(versions.size(), 1u);
    if (versions.empty()) return JsonLine();
    // Findings are advice: the exit status follows the install alone.
    EXPECT_EQ(r.exit_code, conf_.at("installs") == "yes" ? 0 : 1) << r.out;
    return versions[0];
  }

  std::string kit_, dir_, command_line_;
  std::map<std::string, std::string> conf_;
};

std::set<std::string> FindingIds(const JsonLine& version) {
  std::set<std::string> ids;
  for (const JsonLine& f : ParsedObjects(version.Raw("findings"))) ids.insert(f.Str("id"));
  return ids;
}

// The regular files directly in the real system's driver directory.
std::set<std::string> DriverDirectoryFiles(const SimSystem& sim) {
  std::set<std::string> names;
  std::string dir = sim.DriveC("WINDOWS/system32/spool/drivers/w32x86");
  if (!fs::exists(dir)) return names;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.is_regular_file()) names.insert(e.path().filename().string());
  return names;
}

JsonLine RealObject(const std::string& array, const std::string& name) {
  for (const JsonLine& o : ParsedObjects(array))
    if (o.Str("name") == name) return o;
  return JsonLine();
}

TEST_P(KitcheckTest, PredictsWhatTheRealInstallDoes) {
  SimSystem scratch, real;
  JsonLine predicted = RunKitcheck(scratch);
  EXPECT_EQ(FindingIds(predicted), Split(conf_["findings"])) << kit_ << ": " << predicted.Raw("findings");
  EXPECT_EQ(predicted.Raw("installed"), conf_["installs"] == "yes" ? "true" : "false");

  PrepareReal(real);
  EXPECT_EQ(real.Quillset(command_line_), predicted.Num("exit_code"));
  JsonLine printer = RealObject(real.Winsim({"printers", "--json"}), kPrinter);
  JsonLine driver = RealObject(real.Winsim({"drivers", "--json"}), kPrinter);
  EXPECT_EQ(printer.Has("name"), !predicted.IsNull("printer"));
  EXPECT_EQ(driver.Has("name"), !predicted.IsNull("driver"));
  if (printer.Has("name")) {
    JsonLine p = Object(predicted.Raw("printer"));
    EXPECT_EQ(p.Str("port"), printer.Str("port"));
    EXPECT_EQ(Object(predicted.Raw("port")).Str("chosen"), printer.Str("port"));
    EXPECT_EQ(p.Str("driver"), printer.Str("driver"));
    EXPECT_EQ(predicted.Raw("default"), printer.Raw("default"));
  }
  if (driver.Has("name")) {
    JsonLine d = Object(predicted.Raw("driver"));
    for (const char* field : {"driver", "data_file", "config_file", "help_file", "hardware_id", "manufacturer"})
      EXPECT_EQ(d.Str(field), driver.Str(field)) << field;
    EXPECT_EQ(d.Raw("dependent_files"), driver.Raw("dependent_files"));
  }
  std::set<std::string> predicted_files;
  for (const JsonLine& f : ParsedObjects(predicted.Raw("files")))
    if (f.Num("size") >= 0) predicted_files.insert(f.Str("name"));
  EXPECT_EQ(predicted_files, DriverDirectoryFiles(real));

  EXPECT_EQ(real.Quillset("/INF \"" + ZPath(dir_ + "/setup.inf") + "\" /UNINSTALL \"" + kPrinter + "\""),
            Object(predicted.Raw("uninstall")).Num("exit_code"));
  JsonLine uninstall = Object(predicted.Raw("uninstall"));
  EXPECT_EQ(RealObject(real.Winsim({"printers", "--json"}), kPrinter).Has("name"), uninstall.Str("printer") == "left");
  EXPECT_EQ(RealObject(real.Winsim({"drivers", "--json"}), kPrinter).Has("name"), uninstall.Str("driver") == "left");
}

INSTANTIATE_TEST_SUITE_P(Kits, KitcheckTest, ::testing::ValuesIn(KitNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

// Every finding is triggered by some kit and absent from the clean one.
TEST(KitcheckKits, CoverEveryFinding) {
  std::set<std::string> triggered;
  for (const std::string& kit : KitNames())
    for (const std::string& id : Split(ReadKitConf(kit)["findings"])) triggered.insert(id);
  // K015, an INF that cannot be read, needs no kit.
  // K020 (a '/' in the command line's values) and K021 (a kit file that is
  // no regular file) cannot be kits in the tree; kitcheck_fix_test.cc makes them.
  for (int i = 1; i <= 19; ++i) {
    if (i == 15) continue;
    char id[8];
    std::snprintf(id, sizeof id, "K%03d", i);
    EXPECT_TRUE(triggered.count(id)) << id << " has no kit";
  }
  EXPECT_TRUE(ReadKitConf("clean")["findings"].empty());
}

TEST(KitcheckTool, RefusesBadArguments) {
  SimSystem sim;
  EXPECT_EQ(sim.RunWords("kitcheck", {"--inf", "x.inf"}).exit_code, 2);
  EXPECT_EQ(sim.RunWords("kitcheck", {"--bogus"}).exit_code, 2);
  EXPECT_EQ(sim.RunWords("kitcheck", {"--", "/INF \"a\" /UNINSTALL \"b\""}).exit_code, 2);
  EXPECT_EQ(sim.RunWords("kitcheck", {"--inf", "a", "--printer", "b", "--mdl", "c", "--version", "3.1"}).exit_code, 2);
  RunResult help = sim.RunWords("kitcheck", {"--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("usage: kitcheck"), std::string::npos);
}

// The text report names the verdict, the finding with its line and its fix,
// and never touches the root it was given.
TEST(KitcheckTool, ExplainsABrokenKitToAPersonWithoutTouchingTheRoot) {
  SimSystem sim;
  sim.Prepare("2000");
  std::string before = SimSystem::ReadFile(sim.root() + "/system.db");
  std::string inf = KitsDir() + "/unquoted-model-key/setup.inf";
  RunResult r = sim.RunWords("kitcheck", {"--root", sim.root(), "--", "/INF \"" + ZPath(inf) + "\" /PRINTER \"" +
                                              kPrinter + "\" /MDL \"TR-2210\""});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("not installed: the install ended at the model lookup step"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("K001 error setup.inf line 9:"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("fix: write the key exactly as /PRINTER gives it"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("\033["), std::string::npos) << "no colour off a terminal";
  EXPECT_EQ(SimSystem::ReadFile(sim.root() + "/system.db"), before);
}

}  // namespace
}  // namespace kit_test
