// Fuzzes the whole installer with a kit built to attack the machine it is
// installed on: the INF (any sections, keys and file names: "..", drive
// letters, device names, very long names, UTF-16), the files beside it
// (symbolic links to places outside the kit among them), the system's driver
// cabinet (members with any names, damaged data) and the port records. Each
// input installs and uninstalls its kit in-process, as two runs of the
// program would, against a fresh simulated system, and checks afterwards:
//  - each run ends with the exit code its command line's sequence gives;
//  - nothing changed outside the simulated system (the kit, a folder of
//    files outside, the folders around them), and inside it only the driver
//    directory, the Windows INF directory and the system's own top-level
//    files (the store, the event log, the trace);
//  - no file was created under a device name (Windows would have opened the
//    device instead);
//  - in the "neighbour" mode, where the system starts with the example kit's
//    driver and printer installed, that printer is still there and every
//    file its driver names is still in the driver folder.
// The description format of a kit is in fuzz/hostile_kit/description.h; the
// seeds in fuzz/corpus/hostile_kit/ are hand-made attacks written in it. On
// Windows XP and later the install hands the driver to the printer UI, a
// process of its own: each run waits for it to end, as kitcheck does.
#include <sanitizer/common_interface_defs.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/hostile_kit/description.h"
#include "fuzz/hostile_kit/tree_listing.h"
#include "common/text.h"
#include "installer/front/command_line.h"
#include "installer/inf/file_names.h"
#include "platform/win32.h"
#include "platform/winsim/winsim.h"
#include "tests/support/cab_builder.h"
#include "tools/kitcheck/run.h"
#include "tools/kitcheck/sandbox.h"

namespace fs = std::filesystem;

namespace {

#define FUZZ_CHECK(cond)                                                    \
  do {                                                                      \
    if (!(cond)) {                                                          \
      std::fprintf(Stderr(), "finding: check failed: %s\n", #cond);     \
      std::fflush(Stderr());                                                \
      __builtin_trap();                                                     \
    }                                                                       \
  } while (0)

struct Workplace {
  fs::path top;      // everything this fuzzer touches, listed before and after
  fs::path root;     // the simulated system
  fs::path kit;      // the kit folder (outside the system, reached as Z:)
  fs::path outside;  // files a hostile kit points at
  int real_stderr = 2;
  int boxes = -1;    // the programs' own stderr (their echoed boxes) goes here
};

Workplace& Place() {
  static Workplace w = [] {
    Workplace w;
    const char* tmpdir = std::getenv("TMPDIR");
    std::string pattern = std::string(tmpdir && *tmpdir ? tmpdir : fs::exists("/dev/shm") ? "/dev/shm" : "/tmp") +
                          "/hostile-kit-XXXXXX";
    char* made = mkdtemp(pattern.data());
    static const fs::path base = made ? made : "/tmp/hostile-kit";
    // HOSTILE_KIT_KEEP=1 keeps the last input's system and kit to look at.
    std::atexit([] {
      std::error_code ec;
      if (!std::getenv("HOSTILE_KIT_KEEP")) fs::remove_all(base, ec);
    });
    w.top = base / "around";
    w.root = w.top / "root";
    w.kit = w.top / "kit";
    w.outside = w.top / "outside";
    fs::create_directories(w.outside / "folder");
    std::ofstream(w.outside / "secret.dll") << "a file outside the kit\n";
    std::ofstream(w.outside / "folder" / "BRVUI.DLL") << "a driver file outside the kit\n";
    w.real_stderr = dup(2);
    w.boxes = open((base / "boxes.log").c_str(), O_WRONLY | O_APPEND | O_CREAT | O_TRUNC, 0644);
    // Sanitizer reports still reach the real stderr while the programs' is
    // redirected.
    __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<intptr_t>(w.real_stderr)));
    return w;
  }();
  return w;
}

FILE* Stderr() {
  static FILE* f = fdopen(dup(Place().real_stderr), "w");
  return f ? f : stderr;
}

hostile_kit::Places PlacesOf(const Workplace& w) {
  return {winsim::ToWindowsPath(w.kit.string()), w.outside.string(),
          winsim::ToWindowsPath(w.outside.string())};
}

/// A name of the kit's Windows form as a host path inside the kit folder, or
/// empty when some component could not be made there safely.
fs::path KitHostPath(const std::string& windows_name) {
  fs::path path = Place().kit;
  size_t start = 0;
  while (start <= windows_name.size()) {
    size_t end = std::min(windows_name.find('\\', start), windows_name.size());
    std::string part = windows_name.substr(start, end - start);
    if (part.empty() || part == "." || part == ".." || part.size() > 200 ||
        part.find('/') != std::string::npos || part.find('\0') != std::string::npos)
      return {};
    path /= part;
    start = end + 1;
  }
  return path;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

/// The INF's bytes as stored: as given, or UTF-16LE with a byte-order mark
/// (each byte standing for the code point of its value).
std::string InfBytes(const hostile_kit::Kit& kit) {
  if (!kit.utf16) return kit.inf;
  std::string out = "\xFF\xFE";
  for (char c : kit.inf) {
    out += c;
    out += '\0';
  }
  return out;
}

void WriteKitFolder(const hostile_kit::Kit& kit) {
  std::error_code ec;
  fs::remove_all(Place().kit, ec);
  fs::create_directories(Place().kit, ec);
  for (const auto& d : kit.dirs) {
    if (fs::path p = KitHostPath(d.name); !p.empty()) fs::create_directories(p, ec);
  }
  for (const auto& f : kit.files) {
    if (fs::path p = KitHostPath(f.name); !p.empty()) WriteFile(p, f.text);
  }
  for (const auto& l : kit.links) {
    fs::path p = KitHostPath(l.name);
    if (p.empty() || l.text.empty() || l.text.find('\0') != std::string::npos) continue;
    fs::create_directories(p.parent_path(), ec);
    fs::create_symlink(l.text, p, ec);
  }
  if (fs::path p = KitHostPath(kit.inf_name); !p.empty()) WriteFile(p, InfBytes(kit));
}

std::string CabinetOf(const hostile_kit::Kit& kit) {
  if (kit.cab_raw) return kit.cab_bytes;
  kit_test::CabBuilder cab;
  for (const auto& m : kit.members) cab.Add(m.name, m.text);
  if (kit.cab_damaged) cab.DamageBlock(0, 0);
  return cab.Build();
}

std::string HostPathOf(const std::string& windows_path) {
  std::string host;
  return winsim::ToHostPath(windows_path, &host) == 0 ? host : "";
}

void AddPortRecords(const hostile_kit::Kit& kit) {
  for (const auto& p : kit.ports) {
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, p.key.c_str(), &key) != ERROR_SUCCESS) continue;
    RegSetValueExA(key, p.name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(p.text.c_str()),
                   static_cast<DWORD>(p.text.size() + 1));
    RegCloseKey(key);
  }
}

int RunProgram(std::string line);

constexpr char kNeighbourPrinter[] = "Brevant TR-2210 Series PS";

/// Installs the example kit, as another vendor's driver already on the
/// system, and returns the host paths of its installed files (every file of
/// the version folder: it is the only driver).
std::vector<fs::path> InstallNeighbour() {
  const std::string kit = winsim::ToWindowsPath(KIT_EXAMPLE_KIT_DIR);
  FUZZ_CHECK(RunProgram("/INF \"" + kit + "\\setup.inf\" /PRINTER \"" + kNeighbourPrinter +
                        "\" /MDL \"TR-2210\"") == 1);
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(HostPathOf(winsim::Facts().driver_dir + "\\3"), ec)) {
    files.push_back(entry.path());
  }
  FUZZ_CHECK(!files.empty());
  return files;
}

/// The neighbour's printer is still there and its files whole, unless the
/// kit was given the neighbour's name (its uninstall then removes it, as asked).
void CheckNeighbour(const hostile_kit::Kit& attacker, const std::vector<fs::path>& files) {
  if (kit::ToUpper(attacker.printer) == kit::ToUpper(kNeighbourPrinter)) return;
  kitcheck::UseRoot(Place().root.string());
  HANDLE printer = nullptr;
  std::string name = kNeighbourPrinter;
  FUZZ_CHECK(OpenPrinterA(name.data(), &printer, nullptr));
  ClosePrinter(printer);
  for (const fs::path& f : files) {
    if (!fs::is_regular_file(f)) {
      std::fprintf(Stderr(), "finding: the other driver's file is gone: %s\n", f.c_str());
      std::fflush(Stderr());
      __builtin_trap();
    }
  }
}

/// A fresh system of the kit's version, with its cabinet and port records
/// (in the neighbour mode, first with the example kit's, and its driver).
std::vector<fs::path> PrepareSystem(const hostile_kit::Kit& kit) {
  const Workplace& w = Place();
  std::error_code ec;
  fs::remove_all(w.root, ec);
  std::string error;
  kitcheck::Options options;
  if (kit.neighbour) {
    options.cabinet = KIT_EXAMPLE_KIT_DIR "/driver.cab";
    options.ports = KIT_EXAMPLE_KIT_DIR "/ports.reg";
  }
  FUZZ_CHECK(kitcheck::PrepareSandbox(options, kit.version, w.root.string(), &error));
  std::vector<fs::path> neighbour_files;
  if (kit.neighbour) neighbour_files = InstallNeighbour();
  if (kit.cab_raw || !kit.members.empty() || kit.cab_damaged)
    WriteFile(HostPathOf(winsim::Facts().windows_dir + "\\Driver Cache\\i386\\driver.cab"), CabinetOf(kit));
  AddPortRecords(kit);
  return neighbour_files;
}

/// The exit code a run of the program gives for this command line: the
/// invalid-parameters box ends with 0, the help box and an install with 1,
/// an uninstall with 0 only when the printers cannot be listed (a fresh
/// system always can) or the driver name is too long to be any driver's.
int ExpectedExitCode(const std::string& line) {
  std::string inf, printer, models;
  switch (ParseCommandLine(line.c_str(), inf, printer, models)) {
    case ModeInvalid: return 0;
    case ModeUninstall: return kit::RemoveChar(printer, '"').size() < kMaxPath ? 1 : 0;
    default: return 1;
  }
}

/// One run of the program, as a new process would make it.
int RunProgram(std::string line) {
  const Workplace& w = Place();
  kitcheck::UseRoot(w.root.string());
  std::fflush(stderr);
  dup2(w.boxes, 2);
  int code = WinMain(nullptr, nullptr, line.data(), SW_SHOWNORMAL);
  FUZZ_CHECK(kitcheck::WaitForPrinterUi(w.root.string()));
  std::fflush(stderr);
  dup2(w.real_stderr, 2);
  return code;
}

bool IsInside(const std::string& path, const std::string& folder) {
  return !folder.empty() && (path == folder || path.rfind(folder + "/", 0) == 0);
}

/// True for a change the installer may make: in the driver directory or the
/// Windows INF directory (a file there under an ordinary name), or one of
/// the system's own top-level files other than its facts.
bool MayChange(const std::string& path, const std::string& driver_dir, const std::string& inf_dir,
               const hostile_kit::EntryState& now) {
  const std::string root = "root";
  if (path == root) return true;
  if (IsInside(path, driver_dir) || IsInside(path, inf_dir)) {
    return now.kind != 'f' || !IsDeviceName(fs::path(path).filename().string());
  }
  fs::path p(path);
  return p.parent_path() == root && p.filename() != "system.ini" && now.kind != 'd' && now.kind != 'l';
}

std::string RelativeToTop(const std::string& host_path) {
  return host_path.empty() ? "" : fs::path(host_path).lexically_relative(Place().top).string();
}

void CheckChanges(const hostile_kit::Listing& before, const hostile_kit::Listing& after) {
  std::string driver_dir = RelativeToTop(HostPathOf(winsim::Facts().driver_dir));
  std::string inf_dir = RelativeToTop(HostPathOf(winsim::Facts().windows_dir + "\\inf"));
  for (const std::string& path : hostile_kit::ChangedPaths(before, after)) {
    auto now = after.find(path);
    hostile_kit::EntryState state = now == after.end() ? hostile_kit::EntryState{} : now->second;
    if (!MayChange(path, driver_dir, inf_dir, state)) {
      std::fprintf(Stderr(), "finding: changed where it must not be: %s\n", path.c_str());
      std::fflush(Stderr());
      __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 32 * 1024) return 0;
  const Workplace& w = Place();
  hostile_kit::Kit kit = hostile_kit::ParseKit(
      std::string_view(reinterpret_cast<const char*>(data), size), PlacesOf(w));
  setenv("QUILLSET_TRACE", (w.root / "trace.log").c_str(), 1);
  std::vector<fs::path> neighbour_files = PrepareSystem(kit);
  WriteKitFolder(kit);
  std::string inf_path = kit.inf_path.empty()
                             ? PlacesOf(w).kit_windows + "\\" + kit.inf_name
                             : kit.inf_path;
  hostile_kit::Listing before = hostile_kit::ListTree(w.top);

  std::string install = "/INF \"" + inf_path + "\" /PRINTER \"" + kit.printer + "\" /MDL \"" +
                        kit.models + "\"";
  FUZZ_CHECK(RunProgram(install) == ExpectedExitCode(install));
  std::string uninstall = "/INF \"" + inf_path + "\" /UNINSTALL \"" + kit.printer + "\"";
  FUZZ_CHECK(RunProgram(uninstall) == ExpectedExitCode(uninstall));

  CheckChanges(before, hostile_kit::ListTree(w.top));
  if (kit.neighbour) CheckNeighbour(kit, neighbour_files);
  ftruncate(w.boxes, 0);
  return 0;
}
