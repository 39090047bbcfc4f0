// The signed path on an XP-class system end to end: quillset starts the
// simulated printer UI without waiting for it, and once it has run the
// printer and its driver are there, or its failure box is.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "scenario/sim_system.h"
#include "support/json_line.h"
#include "support/printui_wait.h"

namespace {

namespace fs = std::filesystem;
using kit_test::SimSystem;

constexpr char kPrinter[] = "Brevant TR-2210 Series PS";

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

size_t CountOf(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

std::string InstallLine(const std::string& inf, const std::string& printer = kPrinter) {
  return "/INF \"" + kit_test::ZPath(inf) + "\" /PRINTER \"" + printer + "\" /MDL \"TR-2210\"";
}

/// A copy of the example kit in `dir` (for kits with a part taken away).
std::string CopyKit(const std::string& dir) {
  fs::create_directories(dir);
  for (const char* f : {"setup.inf", "TR2210.PPD", "BRV2210.INI", "BRVUI.DLL", "BRVRES.DLL"}) {
    fs::copy_file(SimSystem::KitFile(f), dir + "/" + f);
  }
  return dir + "/setup.inf";
}


TEST(PrintUiScenarioTest, XpInstallEndsWithThePrinterOnceThePrinterUiHasRun) {
  SimSystem sim;
  sim.Prepare("xp");
  const std::string files_before = sim.DriveCFiles();

  EXPECT_EQ(sim.Quillset(InstallLine(SimSystem::KitFile("setup.inf"))), 1);
  ASSERT_TRUE(kit_test::WaitForPrintUi(sim.root()));

  std::string events = sim.Events();
  EXPECT_EQ(CountOf(events, "\"MessageBox\""), 0u) << events;
  EXPECT_FALSE(Contains(events, "\"result\":")) << events;  // the start was not refused
  std::string printers = sim.Winsim({"printers"});
  EXPECT_TRUE(Contains(printers, std::string(kPrinter) + "\tport=USB002\tdriver=" + kPrinter))
      << printers;
  std::string drivers = sim.Winsim({"drivers"});
  EXPECT_TRUE(Contains(drivers, "driver=PSCRIPT5.DLL\tdata=TR2210.PPD\tconfig=PS5UI.DLL\t"
                                "help=PSCRIPT.HLP\tdependent=BRV2210.INI,BRVUI.DLL,BRVRES.DLL,"
                                "PSCRIPT.NTF"))
      << drivers;
  EXPECT_TRUE(Contains(drivers, "hardware_id=BrevantTR-2210PS1")) << drivers;
  // The cabinet's own members came out; the other drivers' stayed in.
  const std::string version_dir = "WINDOWS/system32/spool/drivers/w32x86/3/";
  EXPECT_TRUE(fs::exists(sim.DriveC(version_dir + "PSCRIPT5.DLL")));
  EXPECT_TRUE(fs::exists(sim.DriveC(version_dir + "BRVUI.DLL")));
  EXPECT_FALSE(fs::exists(sim.DriveC(version_dir + "UNIDRV.DLL")));
  // The system had no printer: the printer UI made this one the default.
  EXPECT_TRUE(Contains(sim.Run("winsim", "default").out, kPrinter));

  // The uninstall takes it all away again.
  EXPECT_EQ(sim.Quillset("/INF \"" + kit_test::ZPath(SimSystem::KitFile("setup.inf")) +
                         "\" /UNINSTALL \"" + kPrinter + "\""),
            1);
  EXPECT_FALSE(Contains(sim.Winsim({"printers"}), kPrinter));
  EXPECT_FALSE(Contains(sim.Winsim({"drivers"}), kPrinter));
  EXPECT_EQ(sim.DriveCFiles(), files_before);
}

TEST(PrintUiScenarioTest, WhatThePrinterUiCannotInstallEndsInItsBox) {
  struct Case {
    const char* name;
    const char* removed;  // kit file taken away, or nullptr
    const char* printer;
    const char* folder;   // the kit's folder below the root
    const char* text;     // part of the box's text
  } cases[] = {
      {"missing file", "BRVUI.DLL", kPrinter, "kit",
       "The system cannot find the file specified. (error 0x00000002)\\nBRVUI.DLL"},
      {"unknown model", nullptr, "Brevant TR-9999 Series PS", "kit",
       "The printer driver is unknown. (error 0x00000705)\\nBrevant TR-9999 Series PS"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimSystem sim;
    sim.Prepare("xp");
    std::string inf = CopyKit(sim.root() + "/" + c.folder);
    if (c.removed != nullptr) fs::remove(sim.root() + "/" + c.folder + "/" + c.removed);

    EXPECT_EQ(sim.Quillset(InstallLine(inf, c.printer)), 1);
    ASSERT_TRUE(kit_test::WaitForPrintUi(sim.root()));
    std::string events = sim.Events();
    EXPECT_EQ(CountOf(events, "\"MessageBox\""), 1u) << events;
    EXPECT_TRUE(Contains(events, "\"caption\":\"Printer User Interface\"")) << events;
    EXPECT_TRUE(Contains(events, c.text)) << events;
    // The ShellExecute event comes first: quillset did not wait.
    EXPECT_LT(events.find("\"ShellExecute\""), events.find("\"MessageBox\"")) << events;
    EXPECT_FALSE(Contains(sim.Winsim({"printers"}), c.printer));
  }
}

/// The parameters of the one process start the events record ("" when
/// there is not exactly one).
std::string PrintUiParameters(const std::string& events) {
  std::string parameters;
  size_t starts = 0;
  size_t begin = 0;
  while (begin < events.size()) {
    size_t end = events.find('\n', begin);
    if (end == std::string::npos) end = events.size();
    kit_test::JsonLine line;
    if (kit_test::ParseJsonLine(events.substr(begin, end - begin), &line) &&
        line.Str("event") == "ShellExecute") {
      parameters = line.Str("parameters");
      ++starts;
    }
    begin = end + 1;
  }
  return starts == 1 ? parameters : std::string();
}

// The default folder of a setup program holds a blank ("C:\Program Files");
// the printer UI gets the INF path as one quoted word and installs from it
// on every system that takes this path, today's included.
TEST(PrintUiScenarioTest, InstallFromAFolderWithBlanksGivesThePrinterUiOneQuotedPath) {
  for (const char* version : {"xp", "7", "10"}) {
    SCOPED_TRACE(version);
    SimSystem sim;
    sim.Prepare(version);
    std::string inf = CopyKit(sim.root() + "/Program Files/Brevant/TR-2210/Driver");

    EXPECT_EQ(sim.Quillset(InstallLine(inf)), 1);
    ASSERT_TRUE(kit_test::WaitForPrintUi(sim.root()));
    std::string events = sim.Events();
    EXPECT_EQ(CountOf(events, "\"MessageBox\""), 0u) << events;
    EXPECT_TRUE(Contains(PrintUiParameters(events), "/f \"" + kit_test::ZPath(inf) + "\" /r "))
        << events;
    EXPECT_TRUE(Contains(sim.Winsim({"printers"}), kPrinter));

    EXPECT_EQ(sim.Quillset(kit_test::UninstallLine(inf, kPrinter)), 1);
    EXPECT_FALSE(Contains(sim.Winsim({"printers"}), kPrinter));
    EXPECT_FALSE(Contains(sim.Winsim({"drivers"}), kPrinter));
  }
}

// A double quote inside the /INF value would close the quotes around the
// path early and split it into words again. The install sequence removes
// every one before the command is made, so the printer UI gets the path the
// quotes spelled, as one word, and installs from it.
TEST(PrintUiScenarioTest, QuotesInsideTheInfPathNeverReachThePrinterUi) {
  SimSystem sim;
  sim.Prepare("xp");
  std::string inf = kit_test::ZPath(CopyKit(sim.root() + "/my kit"));
  std::string quoted = inf;
  quoted.insert(quoted.find("my kit") + 3, "\"");  // ...\my "kit\setup.inf

  EXPECT_EQ(sim.Quillset("/INF \"" + quoted + "\" /PRINTER \"" + kPrinter + "\" /MDL \"TR-2210\""),
            1);
  ASSERT_TRUE(kit_test::WaitForPrintUi(sim.root()));
  std::string parameters = PrintUiParameters(sim.Events());
  EXPECT_EQ(CountOf(parameters, "\""), 8u) << parameters;  // four quoted values, no more
  EXPECT_TRUE(Contains(parameters, "/f \"" + inf + "\" /r ")) << parameters;
  EXPECT_EQ(CountOf(sim.Events(), "\"MessageBox\""), 0u) << sim.Events();
  EXPECT_TRUE(Contains(sim.Winsim({"printers"}), kPrinter));
}

TEST(PrintUiScenarioTest, WithoutPrintUiDllRundll32ShowsItsLoadError) {
  SimSystem sim;
  sim.Prepare("xp");
  fs::remove(sim.DriveC("WINDOWS/system32/printui.dll"));
  EXPECT_EQ(sim.Quillset(InstallLine(SimSystem::KitFile("setup.inf"))), 1);
  ASSERT_TRUE(kit_test::WaitForPrintUi(sim.root()));
  std::string events = sim.Events();
  EXPECT_TRUE(Contains(events, "\"caption\":\"RunDLL\",\"text\":\"Error loading printui.dll"))
      << events;
  EXPECT_FALSE(Contains(sim.Winsim({"drivers"}), kPrinter));
}

}  // namespace
