// The Windows versions a kit author can name: the ones `winsim init` knows
// are the ones winsim's and kitcheck's usage list, and `kitcheck --version
// all` runs the example kit on every one of them, today's Windows included.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "scenario/sim_system.h"

namespace {

using kit_test::SimSystem;

/// winsim's own list, from its answer to a version it does not know:
/// "unknown version 'nosuch' (95, 95sp, ...)".
std::vector<std::string> WinsimVersions(const SimSystem& sim) {
  std::string answer = sim.RunWords("winsim", {"init", "--version", "nosuch"}, true).out;
  std::vector<std::string> names;
  size_t open = answer.find("' (");
  size_t close = answer.find(')', open);
  if (open == std::string::npos || close == std::string::npos) return names;
  std::string list = answer.substr(open + 3, close - open - 3);
  for (size_t start = 0; start <= list.size();) {
    size_t comma = list.find(", ", start);
    names.push_back(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 2;
  }
  return names;
}

TEST(VersionPresetsTest, UsagesNameEveryVersionWinsimKnows) {
  SimSystem sim;
  std::vector<std::string> names = WinsimVersions(sim);
  ASSERT_EQ(names.size(), 15u) << ::testing::PrintToString(names);
  std::string winsim_usage = sim.RunWords("winsim", {"init", "--help"}).out;
  std::string kitcheck_usage = sim.RunWords("kitcheck", {"--help"}).out;
  std::string choices;
  for (const std::string& name : names) choices += (choices.empty() ? "" : "|") + name;
  EXPECT_NE(winsim_usage.find("[--version " + choices + "]"), std::string::npos) << winsim_usage;
  for (const std::string& name : names) {
    // kitcheck lists them as words: "8.1," or "11;".
    bool listed = false;
    for (const char* after : {",", ";", " "}) {
      listed = listed || kitcheck_usage.find(" " + name + after) != std::string::npos;
    }
    EXPECT_TRUE(listed) << name << "\n" << kitcheck_usage;
  }
}

TEST(VersionPresetsTest, KitcheckAllInstallsTheExampleKitOnEveryVersion) {
  SimSystem sim;
  std::vector<std::string> names = WinsimVersions(sim);
  kit_test::RunResult r = sim.RunWords(
      "kitcheck", {"--inf", SimSystem::KitFile("setup.inf"), "--printer", "Brevant TR-2210 Series PS",
                   "--mdl", "TR-2210", "--cab", SimSystem::KitFile("driver.cab"), "--ports",
                   SimSystem::KitFile("ports.reg"), "--version", "all", "--json"});
  EXPECT_EQ(r.exit_code, 0) << r.out;
  EXPECT_EQ(r.out.rfind("{\"passed\":true,", 0), 0u) << r.out;
  for (const std::string& name : names) {
    EXPECT_NE(r.out.find("{\"version\":\"" + name + "\""), std::string::npos) << name;
  }
}

}  // namespace
