// The real quillset program: the help box, invalid parameters, bad input.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "scenario/sim_system.h"

namespace {

class EntryTest : public ::testing::Test {
 protected:
  // Runs quillset with the given arguments; returns its exit code.
  int Run(const std::vector<std::string>& args) { return sim_.RunWords("quillset", args).exit_code; }
  std::string Events() { return sim_.Events(); }

  kit_test::SimSystem sim_;
  const std::string& root_ = sim_.root();
};

TEST_F(EntryTest, NoArgumentsShowsTheHelpAndExitsOne) {
  EXPECT_EQ(Run({}), 1);
  std::string events = Events();
  EXPECT_EQ(events.rfind("{\"event\":\"MessageBox\",\"caption\":\"Quillset Help\",\"text\":\" ======= Install Printer Driver ========= \\n\\n\\r", 0), 0u) << events;
  EXPECT_NE(events.find("Caution: /INF , /PRINTER , /MDL , /UNINSTALL are always uppercase.\",\"style\":0}\n"), std::string::npos);
}

TEST_F(EntryTest, InvalidParametersExitZero) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"no", "slash"}, {"/inf", "\"x\"", "/printer", "\"y\""},
        {"/UNINSTALL", "\"Brevant TR-2210 Series PS\""}, {" "}}) {
    std::filesystem::remove(root_ + "/events.jsonl");
    EXPECT_EQ(Run(args), 0) << args[0];
    EXPECT_EQ(Events(), "{\"event\":\"MessageBox\",\"caption\":\"Quillset\",\"text\":\"Invalid Parameters\",\"style\":0}\n");
  }
}

TEST_F(EntryTest, HugeOrHighByteCommandLinesDoNotCrash) {
  EXPECT_EQ(Run({std::string(100000, 'x')}), 0);
  EXPECT_EQ(Run({"/INF", "\"" + std::string(100000, '\xE9') + "\"", "/PRINTER", "\"\xC4\"",
                 "/MDL", "\"" + std::string(5000, ',') + "\""}), 1);
  sim_.AppendSystemIni("[locale]\nCodePage=932\n");
  EXPECT_EQ(Run({"/INF", "\"C:\\\x95\\\\k.inf\"", "/PRINTER", "\"\x95\\\""}), 1);
}

}  // namespace
