// The simulated printer UI's command line: how PrintUIEntry's words are
// split and which switch sets it takes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/winsim-printui/arguments.h"

namespace {

using printui::Arguments;
using printui::ParseArguments;
using printui::SplitCommandLine;
using Words = std::vector<std::string>;

TEST(PrintUiArgumentsTest, SplitsWordsAsCommandLineToArgvDoes) {
  struct Case {
    const char* text;
    Words words;
  } cases[] = {
      {"/if /b \"Brevant TR-2210 Series PS\" /r \"USB002\"",
       {"/if", "/b", "Brevant TR-2210 Series PS", "/r", "USB002"}},
      // The kit writes the INF path without quotes: a blank in it splits it.
      {"/f Z:\\my kit\\setup.inf", {"/f", "Z:\\my", "kit\\setup.inf"}},
      {"  /q\t/u  ", {"/q", "/u"}},
      {"/b\"A B\"C", {"/bA BC"}},
      {"\"\"", {""}},
      {"C:\\dir\\ x", {"C:\\dir\\", "x"}},
      {"\"a\\\"b\"", {"a\"b"}},            // \" is a literal quote
      {"\"a\\\\\" b", {"a\\", "b"}},       // \\" is one backslash, then the quote counts
      {"a\\\\\\\"b", {"a\\\"b"}},          // \\\" is a backslash and a quote
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.text), c.words) << c.text;
}

TEST(PrintUiArgumentsTest, TakesTheInstallSwitchesWithSeparateOrAttachedValues) {
  Arguments a;
  ASSERT_TRUE(ParseArguments({"/if", "/b", "My Printer", "/f", "C:\\kit\\a.inf", "/r", "LPT1:",
                              "/m", "Model 1", "/q", "/u"},
                             &a));
  EXPECT_EQ(a.operation, "if");
  EXPECT_EQ(a.base_name, "My Printer");
  EXPECT_EQ(a.inf, "C:\\kit\\a.inf");
  EXPECT_EQ(a.port, "LPT1:");
  EXPECT_EQ(a.model, "Model 1");
  EXPECT_TRUE(a.quiet);
  EXPECT_TRUE(a.use_existing_driver);
  EXPECT_TRUE(a.unsimulated.empty());

  Arguments b;
  ASSERT_TRUE(ParseArguments({"/bMine", "/fC:\\a.inf", "/rCOM1:", "/mM", "/if", "/z", "/Y"}, &b));
  EXPECT_EQ(b.base_name, "Mine");
  EXPECT_EQ(b.inf, "C:\\a.inf");
  EXPECT_EQ(b.port, "COM1:");
  EXPECT_EQ(b.model, "M");
  EXPECT_FALSE(b.quiet);
  EXPECT_TRUE(b.unsimulated.empty());
}

TEST(PrintUiArgumentsTest, RefusesWhatPrintUiRefuses) {
  const Words refused[] = {
      {},                                // no action
      {"/b", "x"},                       // still no action
      {"/if", "/ia"},                    // two actions
      {"/if", "/x"},                     // no such switch
      {"/IF"},                           // switches mind case
      {"/if", "stray"},                  // a word that is not a switch
      {"/if", "/b"},                     // a value switch without its value
      {"/iff"},                          // an action with text after it
      {"/if", "/qq"},                    // a flag with text after it
      {"/"},
  };
  for (const Words& words : refused) {
    Arguments a;
    std::string label;
    for (const std::string& w : words) label += w + " ";
    EXPECT_FALSE(ParseArguments(words, &a)) << label;
  }
}

TEST(PrintUiArgumentsTest, ListsValidSwitchesThatAreNotCarriedOut) {
  struct Case {
    Words words;
    Words unsimulated;
  } cases[] = {
      {{"/dl", "/n", "Printer"}, {"/dl", "/n"}},
      {{"/if", "/h", "x86", "/f", "a.inf", "/m", "M", "/r", "LPT1:"}, {"/h"}},
      {{"/if", "/Z", "/w", "/f", "a.inf"}, {"/Z", "/w"}},
      {{"/Xs", "/n", "P", "/a", "file.dat"}, {"/Xs", "/n", "/a"}},
      {{"/?"}, {"/?"}},
  };
  for (const Case& c : cases) {
    Arguments a;
    ASSERT_TRUE(ParseArguments(c.words, &a)) << c.words[0];
    EXPECT_EQ(a.unsimulated, c.unsimulated) << c.words[0];
  }
}

}  // namespace
