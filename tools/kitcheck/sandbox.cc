#include "tools/kitcheck/sandbox.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "platform/winsim/reg_file.h"
#include "platform/winsim/winsim.h"
#include "tools/kitcheck/cabinet_layers.h"
#include "tools/kitcheck/observe.h"

namespace fs = std::filesystem;

namespace kitcheck {
namespace {

bool ImportPorts(const std::string& ports, std::string* error) {
  std::string text;
  if (!ReadHostFile(ports, &text)) {
    *error = "cannot read the port records " + ports;
    return false;
  }
  std::vector<winsim::regfile::Operation> ops;
  std::string parse_error;
  if (!winsim::regfile::Parse(text, &ops, &parse_error)) {
    *error = ports + ": " + parse_error;
    return false;
  }
  if (DWORD code = winsim::regfile::Apply(ops); code != 0) {
    *error = ports + ": import failed with error " + std::to_string(code);
    return false;
  }
  return true;
}

// Marks the sandbox throw-away: it is deleted after the run, so nothing
// written into it needs flushing to the disk.
bool MarkThrowAway(const std::string& dir, std::string* error) {
  std::ofstream ini(dir + "/system.ini", std::ios::binary | std::ios::app);
  ini << "\n[storage]\nThrowAway=1\n";
  if (!ini.flush()) *error = "cannot write " + dir + "/system.ini";
  return static_cast<bool>(ini);
}

}  // namespace

void UseRoot(const std::string& dir) {
  winsim::ResetProcessState();
  winsim::SetRoot(dir);
}

bool PrepareSandbox(const Options& options, const std::string& version, const std::string& dir,
                    std::string* error) {
  if (!options.root.empty()) {
    std::error_code ec;
    fs::copy(options.root, dir, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    if (ec) *error = "cannot copy the root " + options.root + ": " + ec.message();
    if (!ec && !MarkThrowAway(dir, error)) return false;
    UseRoot(dir);
    return !ec;
  }
  UseRoot(dir);
  if (!winsim::InitRoot(version, true, error) || !MarkThrowAway(dir, error)) return false;
  UseRoot(dir);
  if (!options.cabinet.empty() && !LayerKitCabinet(options.cabinet, error)) return false;
  return options.ports.empty() || ImportPorts(options.ports, error);
}

std::string MakeTempDir(std::string* error) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/kitcheck.XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) {
    *error = "cannot make a temporary directory from " + pattern;
    return "";
  }
  return buffer.data();
}

void RemoveTree(const std::string& dir) {
  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace kitcheck
