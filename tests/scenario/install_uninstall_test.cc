// The install and the uninstall of the example kit, run with the real
// quillset program against temporary simulated systems.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scenario/sim_system.h"
#include "support/printui_wait.h"

namespace {

namespace fs = std::filesystem;
using kit_test::SimSystem;

constexpr char kPrinter[] = "Brevant TR-2210 Series PS";
constexpr char kRecordKey[] =
    "HKEY_LOCAL_MACHINE\\Software\\Brevant\\QXPrinter\\Drivers\\Brevant TR-2210 Series PS";

std::string KitInf() { return kit_test::ZPath(SimSystem::KitFile("setup.inf")); }
std::string KitFolder() { return kit_test::ZPath(std::string(KIT_SOURCE_DIR) + "/examples/kit"); }

std::string InstallLine(const std::string& printer = kPrinter) {
  return "/INF \"" + KitInf() + "\" /PRINTER \"" + printer + "\" /MDL \"TR-2210\"";
}
std::string UninstallLine(const std::string& driver = kPrinter) {
  return "/INF \"" + KitInf() + "\" /UNINSTALL \"" + driver + "\"";
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

/// The registry export without the blocks of keys below `skipped_prefix`.
std::string RegistryWithout(const SimSystem& sim, const std::string& skipped_prefix) {
  std::istringstream in(sim.Winsim({"reg", "export"}));
  std::string line, kept;
  bool skipping = false;
  std::string prefix = "[" + Lower(skipped_prefix);
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] == '[') skipping = Lower(line).rfind(prefix, 0) == 0;
    if (!skipping) kept += line + "\n";
  }
  return kept;
}


/// What a run can change outside the Brevant key, in one comparable text.
std::string SystemState(const SimSystem& sim) {
  return RegistryWithout(sim, "HKEY_LOCAL_MACHINE\\Software\\Brevant") +
         "--- printers\n" + sim.Winsim({"printers"}) + "--- drivers\n" + sim.Winsim({"drivers"}) +
         "--- default\n" + sim.Run("winsim", "default").out + "--- sources\n" +
         sim.Winsim({"sources"}) +
         "--- files\n" + sim.DriveCFiles();
}

size_t CountOf(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

/// The registry export of one key (its block alone).
std::string KeyBlock(const SimSystem& sim, const std::string& key) {
  std::istringstream in(sim.Winsim({"reg", "export"}));
  std::string line, block;
  bool inside = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] == '[') inside = Lower(line) == "[" + Lower(key) + "]";
    if (inside) block += line + "\n";
  }
  return block;
}

bool KeyExists(const SimSystem& sim, const std::string& key) { return !KeyBlock(sim, key).empty(); }

/// A REG_SZ value of the export as text, whether it was written as a string
/// or (stored without its NUL) as hex(1) bytes.
std::string SzValue(const std::string& block, const std::string& name) {
  std::string quoted = "\"" + name + "\"=\"";
  size_t at = block.find(quoted);
  if (at != std::string::npos) {
    at += quoted.size();
    return block.substr(at, block.find('"', at) - at);
  }
  std::string hex = "\"" + name + "\"=hex(1):";
  at = block.find(hex);
  if (at == std::string::npos) return "<no value>";
  std::string text;
  for (at += hex.size(); at + 1 < block.size();) {
    char c = block[at];
    if (c == ',' || c == '\\' || c == ' ' || c == '\r') {
      ++at;
    } else if (c == '\n') {
      if (block[at - 1] != '\\') break;  // a line that does not continue
      ++at;
    } else {
      text += static_cast<char>(std::stoi(block.substr(at, 2), nullptr, 16));
      at += 2;
    }
  }
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

/// Lines of a listing that begin with `name` and a tab.
size_t EntriesNamed(const std::string& listing, const std::string& name) {
  std::istringstream in(listing);
  std::string line;
  size_t n = 0;
  while (std::getline(in, line)) n += line.rfind(name + "\t", 0) == 0;
  return n;
}

/// Gives the system an installation source of its own (ANSI REG_MULTI_SZ), as every installed
/// Windows has, so that the uninstall must leave it alone.
void SeedInstallationSources(const SimSystem& sim) {
  std::string hex;
  for (char c : std::string("C:\\I386")) {
    char pair[16];
    std::snprintf(pair, sizeof pair, "%02x,", static_cast<unsigned char>(c));
    hex += pair;
  }
  hex += "00,00";
  std::string reg = sim.root() + "/sources.reg";
  std::ofstream(reg) << "Windows Registry Editor Version 5.00\r\n\r\n"
                     << "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Setup]\r\n"
                     << "\"Installation Sources\"=hex(7):" << hex << "\r\n";
  sim.Winsim({"reg", "import", reg});
}

TEST(InstallUninstallTest, Windows2000RoundTripLeavesOnlyTheManufacturerKey) {
  SimSystem sim;
  sim.Prepare("2000");
  SeedInstallationSources(sim);
  const std::string before = SystemState(sim);
  ASSERT_TRUE(Contains(before, "C:\\I386"));

  EXPECT_EQ(sim.Quillset(InstallLine()), 1);
  EXPECT_EQ(CountOf(sim.Events(), "\"MessageBox\""), 0u) << sim.Events();
  EXPECT_TRUE(Contains(sim.Winsim({"printers"}), kPrinter));
  EXPECT_TRUE(Contains(sim.Winsim({"printers"}), "USB002"));
  EXPECT_TRUE(Contains(sim.Winsim({"drivers"}), kPrinter));
  EXPECT_TRUE(Contains(sim.Run("winsim", "default").out, kPrinter));
  EXPECT_TRUE(Contains(sim.Winsim({"sources"}), KitFolder()));
  EXPECT_TRUE(fs::exists(sim.DriveC("WINDOWS/inf/setup.inf")));
  std::string record = KeyBlock(sim, kRecordKey);
  EXPECT_FALSE(record.empty());
  EXPECT_FALSE(Contains(record, "OEMINF")) << record;
  EXPECT_EQ(CountOf(sim.Events(), "\"Broadcast\""), 1u);

  std::ofstream(sim.DriveC("WINDOWS/inf/setup.pnf")) << "precompiled";

  EXPECT_EQ(sim.Quillset(UninstallLine()), 1);
  EXPECT_EQ(CountOf(sim.Events(), "\"MessageBox\""), 0u) << sim.Events();
  EXPECT_EQ(CountOf(sim.Events(), "\"Broadcast\""), 2u);
  EXPECT_FALSE(fs::exists(sim.DriveC("WINDOWS/inf/setup.pnf")));
  EXPECT_EQ(SystemState(sim), before);
  // The port records keep QXPrinter; only the record and Drivers went.
  EXPECT_FALSE(KeyExists(sim, "HKEY_LOCAL_MACHINE\\Software\\Brevant\\QXPrinter\\Drivers"));
  EXPECT_TRUE(KeyExists(sim, "HKEY_LOCAL_MACHINE\\Software\\Brevant\\QXPrinter\\Port\\USB"));
}

TEST(InstallUninstallTest, AFreshSystemIsLeftExactlyAsItWasFound) {
  // A fresh Windows has Setup's key and the version-3 driver folder, so the
  // source list and the driver's files leave nothing new behind.
  SimSystem sim;
  sim.Prepare("2000");
  const std::string before = SystemState(sim);
  ASSERT_EQ(sim.Quillset(InstallLine()), 1);
  ASSERT_EQ(sim.Quillset(UninstallLine()), 1);
  EXPECT_EQ(SystemState(sim), before);
}

TEST(InstallUninstallTest, XpHandsTheInfToThePrinterUiAndRecordsTheCopy) {
  SimSystem sim;
  sim.Prepare("xp");
  SeedInstallationSources(sim);
  // Without printui.dll the started printer UI installs nothing (rundll32
  // shows its load error), so what is left is the installer's own work.
  // printui_test.cc runs the path with the printer UI.
  std::filesystem::remove(sim.DriveC("WINDOWS/system32/printui.dll"));
  const std::string before = SystemState(sim);

  EXPECT_EQ(sim.Quillset(InstallLine()), 1);
  std::string events = sim.Events();
  std::string parameters = "printui.dll,PrintUIEntry /if /b \"Brevant TR-2210 Series PS\" /f \"" +
                           KitInf() + "\" /r \"USB002\" /m \"Brevant TR-2210 Series PS\"";
  // The event holds JSON strings: quotes and backslashes escaped.
  std::string json_parameters;
  for (char c : parameters) {
    if (c == '"' || c == '\\') json_parameters += '\\';
    json_parameters += c;
  }
  EXPECT_TRUE(Contains(events, "\"event\":\"ShellExecute\"")) << events;
  EXPECT_TRUE(Contains(events, "\"file\":\"C:\\\\WINDOWS\\\\system32\\\\rundll32.exe\"")) << events;
  EXPECT_TRUE(Contains(events, "\"parameters\":\"" + json_parameters + "\"")) << events;
  EXPECT_TRUE(Contains(events, "\"verb\":\"open\"")) << events;
  EXPECT_TRUE(Contains(events, "\"show\":0")) << events;

  // The installer itself installs nothing on this path.
  ASSERT_TRUE(kit_test::WaitForPrintUi(sim.root()));
  EXPECT_TRUE(Contains(sim.Events(), "Error loading printui.dll")) << sim.Events();
  EXPECT_FALSE(Contains(sim.Winsim({"drivers"}), kPrinter));
  std::string copy = SzValue(KeyBlock(sim, kRecordKey), "OEMINF");
  EXPECT_EQ(Lower(copy).rfind("c:\\windows\\inf\\oem", 0), 0u) << copy;
  std::string copy_name = copy.substr(copy.rfind('\\') + 1);
  EXPECT_TRUE(fs::exists(sim.DriveC("WINDOWS/inf/" + copy_name))) << copy_name;

  EXPECT_EQ(sim.Quillset(UninstallLine()), 1);
  EXPECT_FALSE(fs::exists(sim.DriveC("WINDOWS/inf/" + copy_name)));
  EXPECT_FALSE(KeyExists(sim, kRecordKey));
  EXPECT_EQ(SystemState(sim), before);
}

TEST(InstallUninstallTest, WhatElseTheManufacturerKeyHoldsKeepsItsParents) {
  struct Case {
    const char* name;
    bool ports;
    bool second_record;
    bool drivers_stays;
    bool product_stays;
  };
  const Case cases[] = {
      {"port records", true, false, false, true},
      {"another printer of the manufacturer", false, true, true, true},
      {"nothing else", false, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimSystem sim;
    sim.Prepare("2000", c.ports);
    EXPECT_EQ(sim.Quillset(InstallLine()), 1);
    if (c.second_record) {
      std::string reg = sim.root() + "/second.reg";
      std::ofstream(reg) << "Windows Registry Editor Version 5.00\r\n\r\n"
                         << "[HKEY_LOCAL_MACHINE\\Software\\Brevant\\QXPrinter\\Drivers\\"
                            "Brevant TR-3300 Series PS]\r\n";
      sim.Winsim({"reg", "import", reg});
    }
    EXPECT_EQ(sim.Quillset(UninstallLine()), 1);
    EXPECT_FALSE(KeyExists(sim, kRecordKey));
    EXPECT_EQ(KeyExists(sim, "HKEY_LOCAL_MACHINE\\Software\\Brevant\\QXPrinter\\Drivers"),
              c.drivers_stays);
    EXPECT_EQ(KeyExists(sim, "HKEY_LOCAL_MACHINE\\Software\\Brevant\\QXPrinter"),
              c.product_stays);
    EXPECT_TRUE(KeyExists(sim, "HKEY_LOCAL_MACHINE\\Software\\Brevant"));
  }
}

TEST(InstallUninstallTest, InstallEndsWithOneWhateverFails) {
  const char* faults[] = {
      "GetPrivateProfileSectionA=2",  // no manufacturer
      "RegCreateKeyA=5",              // no record
      "CopyFileA=5",                  // no driver files
      "AddPrinterDriverExA=5",
      "AddPrinterA=5",
      "SetupAddToSourceListA=5",
      "SendMessageTimeoutA=1460",
  };
  for (const char* fault : faults) {
    SCOPED_TRACE(fault);
    SimSystem sim;
    sim.Prepare("2000");
    sim.AppendSystemIni(std::string("[faults]\n") + fault + "\n");
    EXPECT_EQ(sim.Quillset(InstallLine()), 1);
  }
  SimSystem sim;
  sim.Prepare("2000");
  EXPECT_EQ(sim.Quillset("/INF \"Z:\\no\\such\\setup.inf\" /PRINTER \"x\""), 1);
}

// Windows looks for a bare INF name in the Windows directory, not in the
// current one: started from the kit's folder with /INF "setup.inf", the
// install finds no INF and installs nothing; with a path it installs.
TEST(InstallUninstallTest, ABareInfNameIsNotLookedForInTheCurrentDirectory) {
  SimSystem sim;
  sim.Prepare("2000");
  struct InKitFolder {
    fs::path old = fs::current_path();
    InKitFolder() { fs::current_path(std::string(KIT_SOURCE_DIR) + "/examples/kit"); }
    ~InKitFolder() { fs::current_path(old); }
  } cwd;
  EXPECT_EQ(sim.Quillset("/INF \"setup.inf\" /PRINTER \"" + std::string(kPrinter) + "\" /MDL \"TR-2210\""), 1);
  EXPECT_FALSE(KeyExists(sim, kRecordKey));  // no manufacturer was read
  EXPECT_FALSE(Contains(sim.Winsim({"printers"}), kPrinter));
  EXPECT_FALSE(Contains(sim.Winsim({"drivers"}), kPrinter));
  EXPECT_EQ(sim.Quillset("/INF \".\\setup.inf\" /PRINTER \"" + std::string(kPrinter) + "\" /MDL \"TR-2210\""), 1);
  EXPECT_TRUE(Contains(sim.Winsim({"printers"}), kPrinter)) << sim.Events();
  EXPECT_TRUE(KeyExists(sim, kRecordKey));
}

TEST(InstallUninstallTest, UninstallEndsWithZeroOnlyWhenPrintersCannotBeListed) {
  for (const char* fault : {"EnumPrintersA=5", "EnumPrintersA#2=5"}) {
    SCOPED_TRACE(fault);
    SimSystem sim;
    sim.Prepare("2000");
    ASSERT_EQ(sim.Quillset(InstallLine()), 1);
    sim.SaveSystemIni();
    const std::string installed = SystemState(sim) + KeyBlock(sim, kRecordKey);

    sim.AppendSystemIni(std::string("[faults]\n") + fault + "\n");
    EXPECT_EQ(sim.Quillset(UninstallLine()), 0);
    sim.RestoreSystemIni();
    EXPECT_EQ(SystemState(sim) + KeyBlock(sim, kRecordKey), installed);
  }
  // Everything else that fails still ends with 1.
  for (const char* fault : {"DeletePrinterDriverExA=3001", "OpenPrinterA=5", "DeleteFileA=5",
                            "GetPrivateProfileSectionA=2"}) {
    SCOPED_TRACE(fault);
    SimSystem sim;
    sim.Prepare("2000");
    ASSERT_EQ(sim.Quillset(InstallLine()), 1);
    sim.AppendSystemIni(std::string("[faults]\n") + fault + "\n");
    EXPECT_EQ(sim.Quillset(UninstallLine()), 1);
  }
  SimSystem sim;
  sim.Prepare("2000");
  EXPECT_EQ(sim.Quillset(UninstallLine("never installed")), 1);
}

TEST(InstallUninstallTest, APrinterThatCannotBeOpenedIsShownByName) {
  SimSystem sim;
  sim.Prepare("2000");
  ASSERT_EQ(sim.Quillset(InstallLine()), 1);
  sim.AppendSystemIni("[faults]\nOpenPrinterA=5\n");
  EXPECT_EQ(sim.Quillset(UninstallLine()), 1);
  EXPECT_TRUE(Contains(sim.Events(), "\"caption\":\"Brevant TR-2210 Series PS\"")) << sim.Events();
  EXPECT_TRUE(Contains(sim.Winsim({"printers"}), kPrinter));
}

TEST(InstallUninstallTest, AFailedSourceListRemovalKeepsTheRecordForALaterUninstall) {
  SimSystem sim;
  sim.Prepare("2000");
  ASSERT_EQ(sim.Quillset(InstallLine()), 1);
  sim.SaveSystemIni();
  sim.AppendSystemIni("[faults]\nSetupRemoveFromSourceListA=5\n");
  EXPECT_EQ(sim.Quillset(UninstallLine()), 1);
  EXPECT_TRUE(Contains(sim.Events(), "\"caption\":\"Remove Path from Source List\""))
      << sim.Events();
  EXPECT_FALSE(Contains(sim.Winsim({"printers"}), kPrinter));
  EXPECT_TRUE(KeyExists(sim, kRecordKey));

  sim.RestoreSystemIni();
  EXPECT_EQ(sim.Quillset(UninstallLine()), 1);
  EXPECT_FALSE(KeyExists(sim, kRecordKey));
  EXPECT_FALSE(Contains(sim.Winsim({"sources"}), KitFolder()));
}

TEST(InstallUninstallTest, InstallingTwiceRenewsTheRecordSilently) {
  SimSystem sim;
  sim.Prepare("2000");
  ASSERT_EQ(sim.Quillset(InstallLine()), 1);
  std::string reg = sim.root() + "/stale.reg";
  std::ofstream(reg) << "Windows Registry Editor Version 5.00\r\n\r\n[" << kRecordKey
                     << "]\r\n\"OEMINF\"=\"C:\\\\WINDOWS\\\\inf\\\\oem9.inf\"\r\n";
  sim.Winsim({"reg", "import", reg});
  ASSERT_TRUE(Contains(KeyBlock(sim, kRecordKey), "OEMINF"));

  // Driver (replaced) and printer (1802) already there: no box, same result.
  EXPECT_EQ(sim.Quillset(InstallLine()), 1);
  EXPECT_EQ(CountOf(sim.Events(), "\"MessageBox\""), 0u) << sim.Events();
  std::string record = KeyBlock(sim, kRecordKey);
  EXPECT_FALSE(record.empty());
  EXPECT_FALSE(Contains(record, "OEMINF")) << record;
  EXPECT_EQ(EntriesNamed(sim.Winsim({"printers"}), kPrinter), 1u);
}

/// The files installed for version-3 drivers, with their sizes.
std::string DriverFiles(const SimSystem& sim) {
  std::string dir = sim.DriveC("WINDOWS/system32/spool/drivers/w32x86/3");
  std::vector<std::string> files;
  if (fs::is_directory(dir)) {
    for (const auto& entry : fs::directory_iterator(dir)) {
      files.push_back(entry.path().filename().string() + " " + std::to_string(entry.file_size()));
    }
  }
  std::sort(files.begin(), files.end());
  std::string list;
  for (const std::string& f : files) list += f + "\n";
  return list;
}

TEST(InstallUninstallTest, UninstallingOneOfTwoDriversOnTheSameFilesKeepsTheOther) {
  // Beside the kit's driver a second one on the same files, as two
  // PostScript kits share their core: the kit's registration under another name.
  const std::string second = "Brevant TR-2210 Twin";
  const std::string drivers_key =
      "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\"
      "Windows NT x86\\Drivers\\Version-3\\";
  SimSystem sim;
  sim.Prepare("2000");
  ASSERT_EQ(sim.Quillset(InstallLine()), 1);
  // Registered as the install asks for: a user-mode driver, version 3.
  EXPECT_TRUE(Contains(sim.Winsim({"drivers"}), "\tversion=3\t")) << sim.Winsim({"drivers"});
  std::string block = KeyBlock(sim, drivers_key + kPrinter);
  ASSERT_FALSE(block.empty());
  block.replace(block.find(kPrinter), std::string(kPrinter).size(), second);
  std::string reg = sim.root() + "/twin.reg";
  std::ofstream(reg) << "Windows Registry Editor Version 5.00\r\n\r\n" << block;
  sim.Winsim({"reg", "import", reg});
  ASSERT_EQ(EntriesNamed(sim.Winsim({"drivers"}), second), 1u) << sim.Winsim({"drivers"});
  const std::string files = DriverFiles(sim);
  ASSERT_FALSE(files.empty());

  EXPECT_EQ(sim.Quillset(UninstallLine()), 1);
  std::string drivers = sim.Winsim({"drivers"});
  EXPECT_EQ(EntriesNamed(drivers, kPrinter), 0u) << drivers;
  EXPECT_EQ(EntriesNamed(drivers, second), 1u) << drivers;
  EXPECT_EQ(DriverFiles(sim), files);
  EXPECT_EQ(CountOf(sim.Events(), "\"MessageBox\""), 0u) << sim.Events();

  // The last driver of those files takes them with it.
  EXPECT_EQ(sim.Quillset(UninstallLine(second)), 1);
  EXPECT_EQ(sim.Winsim({"drivers"}), "");
  EXPECT_EQ(DriverFiles(sim), "");
}

TEST(InstallUninstallTest, ADriverNameTooLongForItsBufferIsRefusedBeforeAnyDeletion) {
  SimSystem sim;
  sim.Prepare("2000");
  ASSERT_EQ(sim.Quillset(InstallLine()), 1);
  const std::string installed = SystemState(sim);
  EXPECT_EQ(sim.Quillset(UninstallLine(std::string(kPrinter) + std::string(240, 'x'))), 0);
  EXPECT_EQ(CountOf(sim.Events(), "\"MessageBox\""), 1u) << sim.Events();
  EXPECT_EQ(SystemState(sim), installed);
}

}  // namespace
