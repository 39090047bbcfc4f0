// The installer under abuse: killed at random moments, and many processes
// on one simulated system at once. Nothing may be lost or left half-written.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "scenario/sim_system.h"
#include "scenario/store_checks.h"

namespace {

using kit_test::InstallLine;
using kit_test::IntegrityCheck;
using kit_test::SimSystem;
using kit_test::UninstallLine;
using kit_test::WholeRecords;
using kit_test::ZPath;

constexpr char kPrinter[] = "Brevant TR-2210 Series PS";

// Starts quillset on the root; the caller waits for it.
pid_t Spawn(const std::string& root, const std::string& command_line) {
  pid_t pid = fork();
  if (pid == 0) {
    setenv("WINSIM_ROOT", root.c_str(), 1);
    unsetenv("QUILLSET_TRACE");
    std::string log = root + "/stderr.log";
    freopen(log.c_str(), "a", stderr);
    std::string exe = KIT_BIN_DIR "/quillset";
    std::string arg = command_line;
    char* argv[] = {exe.data(), arg.data(), nullptr};
    execv(exe.c_str(), argv);
    _exit(127);
  }
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// The temporary files of copies and extractions left on drive C:, one per line.
std::string LeftTempFiles(const std::string& root) {
  std::string left;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root + "/drive_c")) {
    if (entry.path().filename().string().rfind(".~winsim-", 0) == 0) left += entry.path().string() + "\n";
  }
  return left;
}

class RobustnessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim_.Prepare("2000");
    inf_ = SimSystem::KitFile("setup.inf");
    ASSERT_EQ(sim_.Quillset(InstallLine(inf_, kPrinter)), 1);
    whole_.Learn(sim_, kPrinter);
  }

  // Every printer and driver record has all the values of a whole one, or
  // does not exist.
  void ExpectWholeRecords(const std::string& when) { whole_.Expect(sim_, when); }

  SimSystem sim_;
  std::string inf_;
  WholeRecords whole_;
};

TEST_F(RobustnessTest, KilledAtAnyMomentLosesNothing) {
  const int runs = std::getenv("KIT_KILL_RUNS") ? std::atoi(std::getenv("KIT_KILL_RUNS")) : 200;
  std::mt19937 random(20261208);
  int kills = 0;
  for (int i = 0; i < runs; ++i) {
    bool install = i % 2 == 1;
    pid_t pid = Spawn(sim_.root(), install ? InstallLine(inf_, kPrinter) : UninstallLine(inf_, kPrinter));
    bool kill_it = random() % 10 != 0;  // most runs are killed
    if (kill_it) {
      timespec delay{0, static_cast<long>(random() % 40000) * 1000};  // 0 to 40 ms
      nanosleep(&delay, nullptr);
      if (kill(pid, SIGKILL) == 0) ++kills;
    }
    Wait(pid);
    std::string when = "after run " + std::to_string(i);
    ASSERT_EQ(IntegrityCheck(sim_.root() + "/system.db"), "ok") << when;
    ExpectWholeRecords(when);
    // Whatever the killed run left, the next uninstall and install succeed.
    ASSERT_EQ(sim_.Quillset(UninstallLine(inf_, kPrinter)), 1) << when;
    ASSERT_EQ(sim_.Winsim({"printers"}), "") << when;
    ASSERT_EQ(sim_.Quillset(InstallLine(inf_, kPrinter)), 1) << when;
    ASSERT_NE(sim_.Winsim({"printers"}).find(kPrinter), std::string::npos) << when;
    // Those two runs wrote into every folder a killed copy can have used.
    ASSERT_EQ(LeftTempFiles(sim_.root()), "") << when;
    if (HasFatalFailure() || HasFailure()) break;
  }
  std::printf("[ kills    ] %d of %d runs killed, no failure found\n", kills, runs);
}

TEST_F(RobustnessTest, ManyProcessesShareOneSystem) {
  // One INF with eight models, each its own printer and driver.
  std::string kit = sim_.root() + "/kit8";
  std::filesystem::copy(SimSystem::KitFile(""), kit);
  std::string inf = SimSystem::ReadFile(kit + "/setup.inf");
  std::string models;
  for (int n = 1; n <= 8; ++n)
    models += "\"Brevant Model " + std::to_string(n) + "\" = TR2210PS, BrevantModel000" + std::to_string(n) + "\r\n";
  size_t section = inf.find("[Brevant]");
  ASSERT_NE(section, std::string::npos);
  size_t line_end = inf.find('\n', section);
  inf.insert(line_end + 1, models);
  std::ofstream(kit + "/setup.inf", std::ios::binary | std::ios::trunc) << inf;

  std::vector<pid_t> installs;
  for (int n = 1; n <= 8; ++n)
    installs.push_back(Spawn(sim_.root(), InstallLine(kit + "/setup.inf", "Brevant Model " + std::to_string(n))));
  std::vector<pid_t> probes;
  for (int n = 0; n < 16; ++n) {
    pid_t pid = fork();
    if (pid == 0) {
      setenv("WINSIM_ROOT", sim_.root().c_str(), 1);
      std::string log = sim_.root() + "/stderr.log";
      freopen(log.c_str(), "a", stderr);
      freopen("/dev/null", "w", stdout);
      std::string exe = KIT_BIN_DIR "/ombrel";
      std::string name = "Brevant Model " + std::to_string(n % 8 + 1);
      char fn[] = "IsPrinterInstalled";
      char* argv[] = {exe.data(), fn, name.data(), nullptr};
      execv(exe.c_str(), argv);
      _exit(127);
    }
    probes.push_back(pid);
  }
  for (pid_t pid : installs) EXPECT_EQ(Wait(pid), 1);
  for (pid_t pid : probes) EXPECT_GE(Wait(pid), 0);  // ran to its end
  std::string printers = sim_.Winsim({"printers"});
  std::string drivers = sim_.Winsim({"drivers"});
  std::string records = sim_.Winsim({"reg", "export", "HKLM\\Software\\Brevant\\QXPrinter\\Drivers"});
  for (int n = 1; n <= 8; ++n) {
    std::string name = "Brevant Model " + std::to_string(n);
    EXPECT_NE(printers.find(name + "\t"), std::string::npos) << name;
    EXPECT_NE(drivers.find(name + "\t"), std::string::npos) << name;
    EXPECT_NE(records.find("\\Drivers\\" + name + "]"), std::string::npos) << name;
  }
  std::string log = SimSystem::ReadFile(sim_.root() + "/stderr.log");
  EXPECT_EQ(log.find("busy"), std::string::npos) << log;
  EXPECT_EQ(log.find("locked"), std::string::npos) << log;
  ExpectWholeRecords("after the concurrent installs");
}

}  // namespace
