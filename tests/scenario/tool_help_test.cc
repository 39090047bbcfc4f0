// --help and -h of the host tools, on the tool and on each command: the
// usage on stdout and exit code 0, the command itself not run; an unknown
// command still goes to stderr with exit code 2.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sim_system.h"

namespace {

using kit_test::SimSystem;

std::string StderrLog(const SimSystem& sim) {
  std::ifstream in(sim.root() + "/stderr.log", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct HelpCase {
  const char* program;
  std::vector<std::string> words;
  const char* usage_begins;  // the first line of the usage shown
};

TEST(ToolHelpTest, EveryToolAndCommandAnswersHelpOnStdout) {
  const HelpCase cases[] = {
      {"winsim", {"--help"}, "usage: winsim [--root DIR] COMMAND"},
      {"winsim", {"-h"}, "usage: winsim [--root DIR] COMMAND"},
      {"winsim", {"init", "--help"}, "usage: winsim init [--version"},
      {"winsim", {"init", "--force", "-h"}, "usage: winsim init [--version"},
      {"winsim", {"reg", "--help"}, "usage: winsim reg export [KEY]"},
      {"winsim", {"reg", "import", "-h"}, "usage: winsim reg export [KEY]"},
      {"winsim", {"printers", "--help"}, "usage: winsim printers [--json]"},
      {"winsim", {"drivers", "-h"}, "usage: winsim drivers [--json]"},
      {"winsim", {"default", "--help"}, "usage: winsim default"},
      {"winsim", {"sources", "--help"}, "usage: winsim sources"},
      {"winsim", {"events", "--help"}, "usage: winsim events [--json]"},
      {"winsim", {"path", "--help"}, "usage: winsim path WINPATH"},
      {"ombrel", {"--help"}, "usage: ombrel EXPORT ARG..."},
      {"ombrel", {"-h"}, "usage: ombrel EXPORT ARG..."},
      {"ombrel", {"IsPrinterInstalled", "--help"}, "usage: ombrel IsPrinterInstalled NAME"},
      {"ombrel", {"MySetDefaultPrinter", "-h"}, "usage: ombrel MySetDefaultPrinter SELECTOR"},
      {"ombrel", {"MySetFilesAttibute", "--help"}, "usage: ombrel MySetFilesAttibute ATTRIBUTES"},
      {"ombrel", {"OpenURL", "--help"}, "usage: ombrel OpenURL ADDRESS"},
      {"ombrel", {"UninstallPrinter", "--help"}, "usage: ombrel UninstallPrinter DRIVER"},
  };
  for (const HelpCase& c : cases) {
    std::string shown = c.program;
    for (const std::string& w : c.words) shown += " " + w;
    SCOPED_TRACE(shown);
    SimSystem sim;
    kit_test::RunResult r = sim.RunWords(c.program, c.words);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out.rfind(c.usage_begins, 0), 0u) << r.out;
    EXPECT_EQ(StderrLog(sim), "");
    // The command did not run: an export call would have printed its result
    // and an init would have written system.ini.
    EXPECT_EQ(r.out.find("\n0\n"), std::string::npos) << r.out;
    EXPECT_FALSE(std::filesystem::exists(sim.root() + "/events.jsonl"));
  }
}

TEST(ToolHelpTest, AnUnknownCommandIsReportedOnStderrWithTwo) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"winsim", {"bogus"}},
      {"winsim", {"bogus", "--help"}},
      {"ombrel", {"Bogus"}},
      {"ombrel", {"Bogus", "--help"}},
  };
  for (const auto& [program, words] : cases) {
    SCOPED_TRACE(std::string(program) + " " + words[0]);
    SimSystem sim;
    kit_test::RunResult r = sim.RunWords(program, words);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(StderrLog(sim).find("unknown"), std::string::npos) << StderrLog(sim);
  }
}

}  // namespace
