// The real quillset program: the help box, invalid parameters, bad input.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

class EntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/quillset-entry-XXXXXX";
    root_ = mkdtemp(tmpl);
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  // Runs quillset with the given arguments; returns its exit code.
  int Run(const std::vector<std::string>& args) {
    pid_t pid = fork();
    if (pid == 0) {
      setenv("WINSIM_ROOT", root_.c_str(), 1);
      unsetenv("QUILLSET_TRACE");
      std::vector<char*> argv;
      std::string exe = KIT_BIN_DIR "/quillset";
      argv.push_back(exe.data());
      std::vector<std::string> copy = args;
      for (std::string& a : copy) argv.push_back(a.data());
      argv.push_back(nullptr);
      freopen("/dev/null", "w", stderr);
      execv(exe.c_str(), argv.data());
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  std::string Events() {
    std::ifstream in(root_ + "/events.jsonl", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  std::string root_;
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
  std::ofstream(root_ + "/system.ini", std::ios::app) << "[locale]\nCodePage=932\n";
  EXPECT_EQ(Run({"/INF", "\"C:\\\x95\\\\k.inf\"", "/PRINTER", "\"\x95\\\""}), 1);
}

}  // namespace
