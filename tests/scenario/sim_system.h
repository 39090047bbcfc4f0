// A simulated system in a temporary root for scenario tests, and running the
// built programs against it (quillset, winsim) as a shell would.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kit_test {

struct RunResult {
  int exit_code = -1;
  std::string out;  // stdout only; stderr goes to <root>/stderr.log
};

/// `text` as one single-quoted shell word.
inline std::string ShellWord(const std::string& text) {
  std::string word = "'";
  for (char c : text) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return word + "'";
}

/// `host_path` in the Windows form of the simulated system's Z: drive.
inline std::string ZPath(const std::string& host_path) {
  std::string path = "Z:" + host_path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

/// The install command line of the example kit's model for `printer`.
inline std::string InstallLine(const std::string& inf, const std::string& printer) {
  return "/INF \"" + ZPath(inf) + "\" /PRINTER \"" + printer + "\" /MDL \"TR-2210\"";
}

/// The uninstall command line of `printer` (its driver) with `inf`.
inline std::string UninstallLine(const std::string& inf, const std::string& printer) {
  return "/INF \"" + ZPath(inf) + "\" /UNINSTALL \"" + printer + "\"";
}

class SimSystem {
 public:
  SimSystem() {
    char tmpl[] = "/tmp/quillset-scenario-XXXXXX";
    const char* made = mkdtemp(tmpl);
    root_ = made ? made : "/tmp/quillset-scenario-failed";
  }
  ~SimSystem() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  SimSystem(const SimSystem&) = delete;
  SimSystem& operator=(const SimSystem&) = delete;

  const std::string& root() const { return root_; }

  /// Runs `program` from the build directory with already-quoted `args`
  /// (and `env`, "NAME=value" words, before it). stderr goes to
  /// <root>/stderr.log, or joins the output when `with_stderr`.
  RunResult Run(const std::string& program, const std::string& args, bool with_stderr = false,
                const std::string& env = "") const {
    std::string command = "WINSIM_ROOT=" + ShellWord(root_) + " " + env + " " +
                          ShellWord(std::string(KIT_BIN_DIR) + "/" + program) + " " + args +
                          (with_stderr ? " 2>&1" : " 2>>" + ShellWord(root_ + "/stderr.log"));
    RunResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) result.out.append(chunk, n);
    int status = pclose(pipe);
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
  }

  /// The same with each word quoted here.
  RunResult RunWords(const std::string& program, const std::vector<std::string>& words,
                     bool with_stderr = false, const std::string& env = "") const {
    std::string args;
    for (const std::string& w : words) args += ShellWord(w) + " ";
    return Run(program, args, with_stderr, env);
  }

  /// quillset with its command line as one argument.
  int Quillset(const std::string& command_line) const {
    return Run("quillset", ShellWord(command_line)).exit_code;
  }

  /// winsim's output for the words (each quoted here); fails the test when
  /// the tool does.
  std::string Winsim(std::initializer_list<std::string> words) const {
    std::string args;
    for (const std::string& w : words) args += ShellWord(w) + " ";
    RunResult r = Run("winsim", args);
    EXPECT_EQ(r.exit_code, 0) << "winsim " << args;
    return r.out;
  }

  /// A fresh system of the version with the example kit's driver cache and
  /// port records (when `ports`).
  void Prepare(const std::string& version, bool ports = true) const {
    Winsim({"init", "--version", version, "--force"});
    std::string cache = Winsim({"path", "C:\\WINDOWS\\Driver Cache\\i386"});
    while (!cache.empty() && (cache.back() == '\n' || cache.back() == '\r')) cache.pop_back();
    std::filesystem::create_directories(cache);
    std::filesystem::copy_file(KitFile("driver.cab"), cache + "/driver.cab",
                               std::filesystem::copy_options::overwrite_existing);
    if (ports) Winsim({"reg", "import", KitFile("ports.reg")});
  }

  /// Appends lines to system.ini (faults, versions) for the next programs.
  void AppendSystemIni(const std::string& text) const {
    std::ofstream(root_ + "/system.ini", std::ios::app | std::ios::binary) << "\n" << text;
  }

  /// Restores system.ini as it was before AppendSystemIni calls.
  void SaveSystemIni() { saved_ini_ = ReadFile(root_ + "/system.ini"); }
  void RestoreSystemIni() const {
    std::ofstream(root_ + "/system.ini", std::ios::binary | std::ios::trunc) << saved_ini_;
  }

  std::string Events() const { return ReadFile(root_ + "/events.jsonl"); }

  /// Every file below drive C: with its size, one a line, sorted.
  std::string DriveCFiles() const {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(DriveC(""))) {
      if (!entry.is_regular_file()) continue;
      files.push_back(std::filesystem::relative(entry.path(), DriveC("")).string() + " " +
                      std::to_string(entry.file_size()));
    }
    std::sort(files.begin(), files.end());
    std::string list;
    for (const std::string& f : files) list += f + "\n";
    return list;
  }

  /// The host path of a file below drive C: (relative, forward slashes).
  std::string DriveC(const std::string& relative) const { return root_ + "/drive_c/" + relative; }

  static std::string KitFile(const std::string& name) {
    return std::string(KIT_SOURCE_DIR) + "/examples/kit/" + name;
  }

  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::string root_;
  std::string saved_ini_;
};

}  // namespace kit_test
