// A fresh simulated system for one test: a temporary root directory that the
// process's winsim state points at, removed again afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/winsim/winsim.h"

namespace kit_test {

class TempRoot {
 public:
  TempRoot() {
    char tmpl[] = "/tmp/winsim-test-XXXXXX";
    const char* made = mkdtemp(tmpl);
    dir_ = made ? made : "/tmp/winsim-test-failed";
    winsim::ResetProcessState();
    winsim::SetRoot(dir_);
    setenv("WINSIM_ROOT", dir_.c_str(), 1);
  }
  ~TempRoot() {
    winsim::ResetProcessState();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  const std::string& dir() const { return dir_; }

  /// Replaces system.ini (before the first Win32 call reads it) and makes
  /// the process read it again.
  void WriteSystemIni(const std::string& text) {
    winsim::Root();  // create the default tree first
    std::ofstream(dir_ + "/system.ini", std::ios::binary) << text;
    winsim::ResetProcessState();
    winsim::SetRoot(dir_);
  }

  /// Writes a file below the root's drive C: (path relative to drive_c,
  /// with forward slashes), creating its directories.
  std::string WriteDriveC(const std::string& relative, const std::string& bytes) {
    std::filesystem::path p = std::filesystem::path(dir_) / "drive_c" / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }

  /// The host path of a file below drive C:.
  std::string DriveC(const std::string& relative) const { return dir_ + "/drive_c/" + relative; }

  std::string ReadEvents() const {
    std::ifstream in(dir_ + "/events.jsonl", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::string dir_;
};

}  // namespace kit_test
