// The simulated system's root directory and its facts (system.ini).
//
//   Root, SetRoot, ResetProcessState, RegisterResetHook, Facts, InitRoot
//
// system.ini is read once per process with a small reader of its own (the
// INF reader is a Win32 function under test; the system's own facts must not
// depend on it). Unknown sections and keys are ignored; a line that is
// neither a header, a key=value pair, a comment nor blank is reported once.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/winsim/faults_internal.h"
#include "platform/winsim/store.h"
#include "platform/winsim/system_drivers.h"
#include "platform/winsim/winsim.h"

namespace winsim {
namespace {

struct ProcessState {
  std::mutex mu;
  std::string root;
  bool root_resolved = false;
  std::string override_root;
  std::unique_ptr<SystemFacts> facts;
  bool fresh_root = false;  // created by this process: give it its programs
};

ProcessState& State() {
  static ProcessState* s = new ProcessState;  // never destroyed: used at exit
  return *s;
}

std::vector<void (*)()>& ResetHooks() {
  static auto* hooks = new std::vector<void (*)()>;
  return *hooks;
}

std::string DefaultRoot() {
  if (const char* env = std::getenv("WINSIM_ROOT"); env && *env) return env;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
    return std::string(xdg) + "/winsim";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.local/share/winsim";
}

struct VersionPreset {
  const char* name;
  DWORD platform, major, minor, build;
  const char* csd;
};

// What GetVersionExA reports on each system `winsim init --version` knows,
// to a program with Quillset.exe's manifest (Vista, 7 and 8 declared). From
// 8.1 on Windows reports 6.2.9200 and no service pack to a program that does
// not declare the running version (Microsoft's documentation of
// GetVersionEx, "Targeting your application for Windows").
constexpr VersionPreset kPresets[] = {
    {"95", 1, 4, 0, 950, ""},
    {"95sp", 1, 4, 0, 1111, " B"},
    {"98", 1, 4, 10, 1998, " "},
    {"98a", 1, 4, 10, 2222, "A"},
    {"me", 1, 4, 90, 3000, " "},
    {"nt4", 2, 4, 0, 1381, "Service Pack 6"},
    {"2000", 2, 5, 0, 2195, "Service Pack 4"},
    {"xp", 2, 5, 1, 2600, "Service Pack 3"},
    {"2003", 2, 5, 2, 3790, "Service Pack 2"},
    {"vista", 2, 6, 0, 6002, "Service Pack 2"},
    {"7", 2, 6, 1, 7601, "Service Pack 1"},
    {"8", 2, 6, 2, 9200, ""},
    {"8.1", 2, 6, 2, 9200, ""},
    {"10", 2, 6, 2, 9200, ""},
    {"11", 2, 6, 2, 9200, ""},
};

std::string SystemIniText(const VersionPreset& p) {
  std::ostringstream out;
  out << "; The facts of this simulated Windows system. Every key is optional.\n"
      << "[version]\n"
      << "PlatformId=" << p.platform << "\n"
      << "MajorVersion=" << p.major << "\n"
      << "MinorVersion=" << p.minor << "\n"
      << "BuildNumber=" << p.build << "\n"
      << "CSDVersion=" << p.csd << "\n"
      << "ExtendedRecord=1\n"
      << "Fail=0\n"
      << "\n[directories]\n"
      << "Windows=C:\\WINDOWS\n"
      << "System=C:\\WINDOWS\\system32\n"
      << "DriverDirectory=C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\n"
      << "\n[locale]\n"
      << "CodePage=1252\n"
      << "\n[faults]\n"
      << "; Function=Code fails every call; Function#N=Code only the N-th.\n";
  return out.str();
}

const VersionPreset& Win2000() { return kPresets[6]; }

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return std::string();
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool ParseNumber(const std::string& text, DWORD* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  unsigned long v = std::strtoul(text.c_str(), &end, 0);
  if (errno != 0 || *end != '\0' || v > 0xFFFFFFFFul) return false;
  *out = static_cast<DWORD>(v);
  return true;
}

void Warn(const std::string& message) { std::fprintf(stderr, "winsim: %s\n", message.c_str()); }

// Applies one key of system.ini; false when the value is not usable.
bool ApplyKey(SystemFacts& f, const std::string& section, const std::string& key,
              const std::string& value) {
  DWORD n = 0;
  if (section == "version") {
    if (key == "platformid") return ParseNumber(value, &f.version.platform_id);
    if (key == "majorversion") return ParseNumber(value, &f.version.major);
    if (key == "minorversion") return ParseNumber(value, &f.version.minor);
    if (key == "buildnumber") return ParseNumber(value, &f.version.build);
    if (key == "csdversion") return f.version.csd = value, true;
    if (key == "extendedrecord") return ParseNumber(value, &n) && (f.version.extended_record = n != 0, true);
    if (key == "fail") return ParseNumber(value, &n) && (f.version.fail = n != 0, true);
  } else if (section == "directories") {
    if (value.size() < 3 || value[1] != ':') return false;
    if (key == "windows") return f.windows_dir = value, true;
    if (key == "system") return f.system_dir = value, true;
    if (key == "driverdirectory") return f.driver_dir = value, true;
  } else if (section == "locale") {
    if (key == "codepage") return ParseNumber(value, &n) && (f.code_page = n, true);
  } else if (section == "storage") {
    if (key == "throwaway") return ParseNumber(value, &n) && (f.throw_away = n != 0, true);
  } else if (section == "faults") {
    return AddFaultRule(key, value);
  }
  return true;  // unknown keys are ignored
}

std::unique_ptr<SystemFacts> ReadFacts(const std::string& ini_path) {
  auto facts = std::make_unique<SystemFacts>();
  ClearFaultRules();
  std::ifstream in(ini_path, std::ios::binary);
  std::string line, section;
  int number = 0, bad = 0;
  while (std::getline(in, line)) {
    ++number;
    std::string t = Trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '#') continue;
    if (t[0] == '[') {
      size_t close = t.find(']');
      if (close == std::string::npos) {
        if (bad++ == 0) Warn(ini_path + ":" + std::to_string(number) + ": ignoring malformed line");
        continue;
      }
      section = Lower(Trim(t.substr(1, close - 1)));
      continue;
    }
    size_t eq = t.find('=');
    std::string key = eq == std::string::npos ? std::string() : Trim(t.substr(0, eq));
    if (key.empty() || !ApplyKey(*facts, section, section == "faults" ? key : Lower(key),
                                 Trim(t.substr(eq + 1)))) {
      if (bad++ == 0) Warn(ini_path + ":" + std::to_string(number) + ": ignoring malformed line");
    }
  }
  return facts;
}

bool MakeDirs(const std::string& host, std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(host, ec);
  if (ec && !std::filesystem::is_directory(host)) {
    if (error) *error = "cannot create " + host + ": " + ec.message();
    return false;
  }
  return true;
}

// The directories every simulated system has.
bool MakeSystemTree(const SystemFacts& f, std::string* error) {
  const std::string dirs[] = {f.windows_dir, f.system_dir, f.driver_dir,
                              f.windows_dir + "\\inf", f.windows_dir + "\\Driver Cache\\i386",
                              f.driver_dir + "\\3"};  // the version-3 drivers' folder
  for (const std::string& d : dirs) {
    std::string host;
    if (ToHostPath(d, &host) != 0) continue;
    if (!MakeDirs(host, error)) return false;
  }
  return true;
}

// The programs of the system directory that the kit starts (the signed path
// runs "<System>\rundll32.exe printui.dll,PrintUIEntry"). Stand-in bytes:
// ShellExecuteA only needs the file to exist, and the printer UI is
// simulated by the winsim-printui host program.
bool MakeSystemPrograms(const SystemFacts& f, std::string* error) {
  for (const char* name : {"rundll32.exe", "printui.dll"}) {
    std::string host;
    if (ToHostPath(f.system_dir + "\\" + name, &host) != 0) continue;
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    out << "MZ stand-in: " << name << " of the simulated system\r\n";
    if (!out.flush()) {
      if (error) *error = "cannot create " + host + ": " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& text, std::string* error) {
  std::string tmp = path + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
      if (error) *error = "cannot write " + path + ": " + std::strerror(errno);
      return false;
    }
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    if (error) *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

// Creates a missing root with its defaults; reports a root that cannot be
// written once, then lets the Win32 calls fail with their own codes.
void EnsureRootExists(const std::string& root) {
  std::string ini = root + "/system.ini";
  struct stat st;
  if (::stat(ini.c_str(), &st) == 0) return;
  std::string error;
  if (!MakeDirs(root, &error) || !WriteFileAtomically(ini, SystemIniText(Win2000()), &error)) {
    Warn("cannot create the simulated system at " + root + ": " + error);
    return;
  }
  State().fresh_root = true;
}

}  // namespace

const std::string& Root() {
  ProcessState& s = State();
  std::lock_guard<std::mutex> lock(s.mu);
  if (!s.root_resolved) {
    s.root = s.override_root.empty() ? DefaultRoot() : s.override_root;
    while (s.root.size() > 1 && s.root.back() == '/') s.root.pop_back();
    s.root_resolved = true;
    EnsureRootExists(s.root);
  }
  return s.root;
}

void SetRoot(const std::string& dir) {
  ProcessState& s = State();
  std::lock_guard<std::mutex> lock(s.mu);
  s.override_root = dir;
  s.root_resolved = false;
  s.facts.reset();
}

void RegisterResetHook(void (*hook)()) { ResetHooks().push_back(hook); }

void ResetProcessState() {
  CloseDatabase();
  for (auto hook : ResetHooks()) hook();
  ProcessState& s = State();
  std::lock_guard<std::mutex> lock(s.mu);
  s.root_resolved = false;
  s.override_root.clear();
  s.facts.reset();
  s.fresh_root = false;
  ClearFaultRules();
}

const SystemFacts& Facts() {
  const std::string& root = Root();
  ProcessState& s = State();
  {
    std::lock_guard<std::mutex> lock(s.mu);
    if (s.facts) return *s.facts;
    s.facts = ReadFacts(root + "/system.ini");
  }
  std::string error;
  bool made = MakeSystemTree(*s.facts, &error);
  if (made && s.fresh_root) {
    s.fresh_root = false;
    made = MakeSystemPrograms(*s.facts, &error);
  }
  if (!made) {
    static bool warned = false;
    if (!warned) Warn(error);
    warned = true;
  }
  return *s.facts;
}

std::vector<std::string> VersionNames() {
  std::vector<std::string> names;
  for (const auto& p : kPresets) names.push_back(p.name);
  return names;
}

bool InitRoot(const std::string& version_name, bool force, std::string* error, bool bare) {
  const VersionPreset* preset = nullptr;
  for (const auto& p : kPresets)
    if (version_name == p.name) preset = &p;
  if (!preset) {
    std::string known;
    for (const std::string& name : VersionNames()) known += (known.empty() ? "" : ", ") + name;
    *error = "unknown version '" + version_name + "' (" + known + ")";
    return false;
  }
  std::string root = Root();
  std::string ini = root + "/system.ini";
  if (!force && std::filesystem::exists(root + "/system.db")) {
    *error = root + " already holds a simulated system (use --force to start afresh)";
    return false;
  }
  CloseDatabase();
  if (force) {
    std::error_code ec;
    for (const char* name : {"system.db", "system.db-wal", "system.db-shm", "events.jsonl"})
      std::filesystem::remove(root + "/" + name, ec);
    std::filesystem::remove_all(root + "/drive_c", ec);
  }
  if (!MakeDirs(root, error) || !WriteFileAtomically(ini, SystemIniText(*preset), error))
    return false;
  std::string saved_override = State().override_root;
  ResetProcessState();
  SetRoot(saved_override.empty() ? root : saved_override);
  if (!MakeSystemTree(Facts(), error) || !MakeSystemPrograms(Facts(), error)) return false;
  if (!bare && !InstallSystemDrivers(Facts(), error)) return false;
  DWORD db_error = 0;
  if (!Database(&db_error)) {
    *error = "cannot create the registry database in " + root;
    return false;
  }
  return true;
}

}  // namespace winsim
