// The host tools report the project's one version number (project() in
// CMakeLists.txt), the same that names the release package and fills the
// Windows version resources.
#include <gtest/gtest.h>

#include <string>

#include "scenario/sim_system.h"

namespace {

TEST(ToolVersion, WinsimAndOmbrelPrintTheProjectVersion) {
  kit_test::SimSystem sim;
  for (const std::string tool : {"winsim", "ombrel"}) {
    kit_test::RunResult r = sim.RunWords(tool, {"--version"});
    EXPECT_EQ(r.exit_code, 0) << tool;
    EXPECT_EQ(r.out, tool + " " + KIT_VERSION + "\n") << tool;
  }
}

}  // namespace
