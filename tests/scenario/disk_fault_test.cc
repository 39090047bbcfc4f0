// A disk that fills up or fails in the middle of an install or an uninstall.
// libfiu makes the N-th write, pwrite, rename, fsync, open or ftruncate of a
// quillset run fail with ENOSPC or EIO, for N over the calls the run makes.
// After each run nothing may be cut short or half-written, the person at the
// screen must have been told (unless the run still did all its work), and
// with the disk healthy again an uninstall and an install both succeed.
//
// KIT_FAULT_SAMPLE (default 6) is how many N values each call and error get
// here; "all" sweeps every N (tests/faults/run).
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "scenario/sim_system.h"
#include "scenario/store_checks.h"

namespace {

using kit_test::InstallLine;
using kit_test::SimSystem;
using kit_test::UninstallLine;
using kit_test::WholeRecords;

constexpr char kPrinter[] = "Brevant TR-2210 Series PS";

// The libfiu failure points of the calls that write to the disk.
const char* const kPoints[] = {"posix/io/rw/write",   "posix/io/rw/pwrite", "posix/io/dir/rename",
                               "posix/io/sync/fsync", "posix/io/oc/open",   "posix/io/rw/ftruncate"};

// An injected errno and the system text of the Win32 error Windows reports
// for it: ERROR_DISK_FULL (112) and ERROR_WRITE_FAULT (29).
struct DiskError {
  int err;
  const char* name;
  const char* text;
};
const DiskError kErrors[] = {{ENOSPC, "ENOSPC", "There is not enough space on the disk."},
                             {EIO, "EIO", "The system cannot write to the specified device."}};

/// Every regular file of the driver and INF directories (by path below the
/// root) and the root's own system.ini, with its bytes.
using Files = std::map<std::string, std::string>;

struct Box {
  std::string caption, text;
};

/// The boxes a run showed: winsim echoes each as "caption: text" on stderr.
std::vector<Box> BoxesIn(const std::string& log) {
  std::vector<Box> boxes;
  std::istringstream in(log);
  std::string line;
  while (std::getline(in, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    if (line.empty() || line.rfind("winsim: ", 0) == 0 || line.rfind("fault_at_call: ", 0) == 0)
      continue;
    size_t colon = line.rfind(": ");
    if (colon == std::string::npos) continue;
    boxes.push_back({line.substr(0, colon), line.substr(colon + 2)});
  }
  return boxes;
}

class DiskFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef KIT_FAULT_PRELOAD
    GTEST_SKIP() << "libfiu (libfiu-dev, fiu-utils) is not installed";
#else
    sim_.Prepare("2000");
    inf_ = SimSystem::KitFile("setup.inf");
    clean_ = Snapshot();
    ASSERT_EQ(sim_.Quillset(InstallLine(inf_, kPrinter)), 1);
    installed_ = Snapshot();
    whole_.Learn(sim_, kPrinter);
    ASSERT_EQ(sim_.Quillset(UninstallLine(inf_, kPrinter)), 1);
    uninstalled_ = Snapshot();
    // The captions of every box the two sequences can show.
    captions_ = {kPrinter, "Extract files fail", "Copy Oem Inf", "Remove Path from Source List",
                 "Quillset", kit_test::ZPath(inf_)};
    for (const auto& e : std::filesystem::directory_iterator(SimSystem::KitFile("")))
      captions_.insert(kit_test::ZPath(e.path().string()));
#endif
  }

  Files Snapshot() const {
    Files files;
    files["system.ini"] = SimSystem::ReadFile(sim_.root() + "/system.ini");
    for (const char* dir : {"WINDOWS/system32/spool/drivers", "WINDOWS/inf"}) {
      std::error_code ec;
      for (const auto& e : std::filesystem::recursive_directory_iterator(sim_.DriveC(dir), ec)) {
        if (!e.is_regular_file()) continue;
        std::string relative = e.path().string().substr(sim_.root().size() + 1);
        files[relative] = SimSystem::ReadFile(e.path().string());
      }
    }
    return files;
  }

  /// The environment that makes the N-th call of `point` fail with `err`
  /// (N = 0: none fails) and counts the calls into `count_file`.
  std::string FaultEnv(const std::string& point, unsigned long n, int err,
                       const std::string& count_file = "") const {
#ifdef KIT_FAULT_PRELOAD
    std::string preload = std::string(KIT_PRELOAD_FIRST) + " " + KIT_FIU_PRELOAD + " " +
                          KIT_FAULT_PRELOAD;
    std::string env = "LD_PRELOAD=" + kit_test::ShellWord(preload) +
                      " KIT_FAULT=" + kit_test::ShellWord(point + ":" + std::to_string(n) + ":" +
                                                          std::to_string(err)) +
                      " ASAN_OPTIONS=detect_leaks=0";
    if (!count_file.empty()) env += " KIT_FAULT_COUNT=" + kit_test::ShellWord(count_file);
    return env;
#else
    return "";
#endif
  }

  /// How many calls of `point` a fault-free run of `command_line` makes;
  /// `undo` then puts the system back as it was.
  unsigned long CountCalls(const std::string& point, const std::string& command_line,
                           const std::string& undo) const {
    std::string count_file = sim_.root() + "/calls.count";
    std::filesystem::remove(count_file);
    sim_.Run("quillset", kit_test::ShellWord(command_line), false, FaultEnv(point, 0, 0, count_file));
    EXPECT_EQ(sim_.Quillset(undo), 1);
    return std::strtoul(SimSystem::ReadFile(count_file).c_str(), nullptr, 10);
  }

  /// The N values to try out of 1..count.
  static std::vector<unsigned long> Sample(unsigned long count) {
    const char* setting = std::getenv("KIT_FAULT_SAMPLE");
    unsigned long wanted = setting == nullptr ? 6 : std::strtoul(setting, nullptr, 10);
    if (setting != nullptr && std::string(setting) == "all") wanted = count;
    std::vector<unsigned long> ns;
    if (count == 0 || wanted == 0) return ns;
    if (wanted >= count) wanted = count;
    for (unsigned long i = 0; i < wanted; ++i) {
      unsigned long n = wanted == 1 ? 1 : 1 + i * (count - 1) / (wanted - 1);
      if (ns.empty() || ns.back() != n) ns.push_back(n);
    }
    return ns;
  }

  bool PrinterPresent() const { return sim_.Winsim({"printers"}).find(kPrinter) != std::string::npos; }

  /// Each file is one that was there before the run or one the install
  /// writes, byte for byte; no temporary file is left.
  void ExpectNoFileCut(const std::string& when) const {
    for (const auto& [path, bytes] : Snapshot()) {
      EXPECT_EQ(path.find(".~winsim-"), std::string::npos) << path << " left " << when;
      bool before = (clean_.count(path) && clean_.at(path) == bytes) ||
                    (installed_.count(path) && installed_.at(path) == bytes);
      EXPECT_TRUE(before) << path << " is cut short or changed " << when;
    }
  }

  /// What a faulted run left, beside its boxes.
  struct Outcome {
    bool install, complete, success_code, open_fault, printer, driver;
  };

  /// The person was told: the first box reports the injected error, at the
  /// point of failure (later ones may report what followed from it, as a
  /// driver file that could not be extracted is then missing), and every box
  /// has a caption of the sequences. A run that did all its work may show
  /// none; so may an uninstall that ended with 0 (it could not list the
  /// printers and removed nothing). Returns the number of boxes.
  size_t ExpectTold(const std::string& log, const DiskError& error, const Outcome& run,
                    const std::string& when) {
    std::vector<Box> boxes = BoxesIn(log);
    for (const Box& box : boxes) {
      EXPECT_TRUE(captions_.count(box.caption)) << "caption \"" << box.caption << "\" " << when;
    }
    bool told = !boxes.empty() && boxes[0].text == error.text;
    if (told || (boxes.empty() && (run.complete || !run.success_code))) return boxes.size();
    if (run.open_fault) {
      // An open may be the INF's: to the profile calls an unreadable INF
      // has no such key (Windows' GetPrivateProfileStringA returns the
      // default), and the sequence goes on as for a missing key, silently
      // or with the box of the step that lacked the value.
      ++unreadable_;
      return boxes.size();
    }
    if (!run.install && boxes.empty() && (run.printer || run.driver)) {
      // The uninstall ignores DeletePrinter's result and only traces a
      // failed driver deletion: what they left in place is not told.
      ++ignored_;
      return 0;
    }
    ++failures_;
    ADD_FAILURE() << (boxes.empty() ? std::string("silent failure ")
                                    : "first box \"" + boxes[0].caption + ": " + boxes[0].text + "\" ")
                  << when;
    return boxes.size();
  }

  /// With the disk healthy again an uninstall and an install both succeed.
  void ExpectRecovery(const std::string& when) {
    EXPECT_EQ(sim_.Quillset(UninstallLine(inf_, kPrinter)), 1) << when;
    // Driver files that a failed driver registration left behind stay: the
    // uninstall deletes only the files of a registered driver.
    EXPECT_FALSE(PrinterPresent()) << "after the recovering uninstall " << when;
    EXPECT_EQ(sim_.Winsim({"drivers"}).find(kPrinter), std::string::npos)
        << "after the recovering uninstall " << when;
    EXPECT_EQ(sim_.Quillset(InstallLine(inf_, kPrinter)), 1) << when;
    EXPECT_TRUE(PrinterPresent()) << "after the recovering install " << when;
    EXPECT_EQ(Snapshot(), installed_) << "after the recovering install " << when;
  }

  /// Runs `command_line` with each sampled fault and checks what it left.
  void SweepFaults(bool install) {
    std::string line = install ? InstallLine(inf_, kPrinter) : UninstallLine(inf_, kPrinter);
    std::string undo = install ? UninstallLine(inf_, kPrinter) : InstallLine(inf_, kPrinter);
    if (!install) {
      ASSERT_EQ(sim_.Quillset(InstallLine(inf_, kPrinter)), 1);
    }
    int faults = 0, told = 0, unaffected = 0;
    unsigned long calls = 0;
    for (const char* point : kPoints) {
      unsigned long count = CountCalls(point, line, undo);
      calls += count;
      for (const DiskError& error : kErrors) {
        for (unsigned long n : Sample(count)) {
          std::string when = std::string("(") + (install ? "install" : "uninstall") + ", " + point +
                             " call " + std::to_string(n) + " of " + std::to_string(count) + ", " +
                             error.name + ")";
          if (install) sim_.Quillset(UninstallLine(inf_, kPrinter));
          std::filesystem::remove(sim_.root() + "/stderr.log");
          int code = sim_.Run("quillset", kit_test::ShellWord(line), false,
                              FaultEnv(point, n, error.err)).exit_code;
          ++faults;
          std::string log = SimSystem::ReadFile(sim_.root() + "/stderr.log");
          EXPECT_EQ(log.find("ERROR: AddressSanitizer"), std::string::npos) << log << when;
          EXPECT_EQ(log.find("runtime error"), std::string::npos) << log << when;
          whole_.Expect(sim_, when);
          ExpectNoFileCut(when);
          bool printer = PrinterPresent();
          bool complete = install ? printer && Snapshot() == installed_
                                  : !printer && Snapshot() == uninstalled_;
          // An install always ends with 1; an uninstall with 0 only when it
          // could not list the printers, and then it removed nothing.
          if (install || code == 1) {
            EXPECT_EQ(code, 1) << when;
          } else {
            EXPECT_EQ(code, 0) << when;
            EXPECT_TRUE(printer) << "exit code 0 but the printer is gone " << when;
          }
          bool driver = sim_.Winsim({"drivers"}).find(kPrinter) != std::string::npos;
          Outcome run{install, complete, code == 1, std::string(point) == "posix/io/oc/open",
                      printer, driver};
          if (ExpectTold(log, error, run, when) > 0) ++told;
          if (complete) ++unaffected;
          ExpectRecovery(when);
          if (HasFatalFailure()) return;
        }
      }
    }
    EXPECT_GT(calls, 0u) << "the calls were not counted: is libfiu's preload working?";
    std::printf("[ faults   ] %s: %lu calls, %d faults injected: %d told the user, %d did all "
                "their work anyway, %d read an unreadable INF as missing keys, %d left what the "
                "uninstall does not report, %d failures\n",
                install ? "install" : "uninstall", calls, faults, told, unaffected, unreadable_,
                ignored_, failures_);
  }

  SimSystem sim_;
  std::string inf_;
  Files clean_, installed_, uninstalled_;
  WholeRecords whole_;
  std::set<std::string> captions_;
  int failures_ = 0, unreadable_ = 0, ignored_ = 0;
};

// A system marked throw-away in system.ini (kitcheck's sandboxes) is never
// flushed: the install that flushes every file of a lasting system makes no
// fsync there.
TEST_F(DiskFaultTest, AThrowAwaySystemIsNeverFlushed) {
  std::string line = InstallLine(inf_, kPrinter), undo = UninstallLine(inf_, kPrinter);
  EXPECT_GT(CountCalls("posix/io/sync/fsync", line, undo), 0u);
  sim_.AppendSystemIni("[storage]\nThrowAway=1\n");
  EXPECT_EQ(CountCalls("posix/io/sync/fsync", line, undo), 0u);
}

TEST_F(DiskFaultTest, ACopyIsFlushedBeforeItIsRenamedIntoPlace) {
  // Some flush of an install is the first copied file's own: when it fails,
  // that copy fails with the disk's error and the file is not put in place.
  std::string line = InstallLine(inf_, kPrinter);
  std::string first = kit_test::ZPath(SimSystem::KitFile("TR2210.PPD"));
  unsigned long count = CountCalls("posix/io/sync/fsync", line, UninstallLine(inf_, kPrinter));
  bool found = false;
  for (unsigned long n = 1; n <= count && !found; ++n) {
    std::filesystem::remove(sim_.root() + "/stderr.log");
    sim_.Run("quillset", kit_test::ShellWord(line), false, FaultEnv("posix/io/sync/fsync", n, EIO));
    std::vector<Box> boxes = BoxesIn(SimSystem::ReadFile(sim_.root() + "/stderr.log"));
    found = !boxes.empty() && boxes[0].caption == first;
    if (found) {
      EXPECT_EQ(boxes[0].text, kErrors[1].text);
      EXPECT_FALSE(Snapshot().count("drive_c/WINDOWS/system32/spool/drivers/w32x86/TR2210.PPD"));
    }
    ASSERT_EQ(sim_.Quillset(UninstallLine(inf_, kPrinter)), 1);
  }
  EXPECT_TRUE(found) << "no failed flush made the copy of " << first << " fail";
}

TEST_F(DiskFaultTest, AnInstallHitByAFullOrFailingDiskLosesNothing) { SweepFaults(true); }

TEST_F(DiskFaultTest, AnUninstallHitByAFullOrFailingDiskLosesNothing) { SweepFaults(false); }

}  // namespace
