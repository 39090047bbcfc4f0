// Fixture for the tests of the INF-driven install: a fresh simulated system
// with the trace switched on, and helpers to lay out INFs, driver files,
// cabinets and port records in it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "common/unique_handle.h"
#include "platform/win32.h"
#include "support/temp_root.h"

namespace kit_test {

/// The driver directory of a default simulated system, below drive_c.
inline constexpr char kDriverDirC[] = "WINDOWS/system32/spool/drivers/w32x86";
inline constexpr char kDriverDirWin[] = "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86";

class InfFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    trace_path_ = root_.dir() + "/trace.log";
    setenv("QUILLSET_TRACE", trace_path_.c_str(), 1);
  }
  void TearDown() override { unsetenv("QUILLSET_TRACE"); }

  /// Writes `text` as C:\kit\<name> (an INF or a driver file); its Windows path.
  std::string WriteKitFile(const std::string& name, const std::string& text) {
    root_.WriteDriveC("kit/" + name, text);
    return "C:\\kit\\" + name;
  }

  /// Writes C:\WINDOWS\Inf\<name>, where include INFs are looked for.
  void WriteSystemInf(const std::string& name, const std::string& text) {
    root_.WriteDriveC("WINDOWS/inf/" + name, text);
  }

  bool InDriverDir(const std::string& name) const {
    return std::filesystem::exists(root_.DriveC(std::string(kDriverDirC) + "/" + name));
  }

  std::string ReadDriverFile(const std::string& name) const {
    std::ifstream in(root_.DriveC(std::string(kDriverDirC) + "/" + name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  /// Names of the files in the driver directory (not its subdirectories).
  std::vector<std::string> DriverDirFiles() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(root_.DriveC(kDriverDirC), ec)) {
      if (e.is_regular_file()) names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string Trace() const {
    std::ifstream in(trace_path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  /// Number of message boxes shown so far.
  int BoxCount() const {
    std::string events = root_.ReadEvents();
    int n = 0;
    for (size_t at = events.find("\"event\":\"MessageBox\""); at != std::string::npos;
         at = events.find("\"event\":\"MessageBox\"", at + 1)) {
      ++n;
    }
    return n;
  }

  /// True when a box with this caption was shown.
  bool BoxShown(const std::string& caption) const {
    return root_.ReadEvents().find("\"caption\":" + winsim::JsonString(caption)) !=
           std::string::npos;
  }

  /// Builds C:\WINDOWS\Driver Cache\i386\driver.cab from (name, content)
  /// members, in this order, with gcab (MSZIP).
  void WriteDriverCab(const std::vector<std::pair<std::string, std::string>>& members) {
    std::string work = root_.dir() + "/cab-members";
    std::filesystem::create_directories(work);
    std::string names;
    for (const auto& [name, content] : members) {
      std::filesystem::path p = std::filesystem::path(work) / name;
      std::filesystem::create_directories(p.parent_path());
      std::ofstream(p, std::ios::binary) << content;
      names += " '" + name + "'";
    }
    std::string cab = root_.DriveC("WINDOWS/Driver Cache/i386/driver.cab");
    std::filesystem::create_directories(std::filesystem::path(cab).parent_path());
    std::string command = "cd '" + work + "' && gcab -c -z '" + cab + "'" + names + " >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }

  /// Sets a value of a port record key below HKLM, creating the key.
  void SetPortValue(const std::string& key_path, const std::string& name, DWORD type,
                    const std::string& data) {
    kit::UniqueRegKey key;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, key_path.c_str(), key.Put()), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key.Get(), name.c_str(), 0, type,
                             reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
  }

  /// A REG_SZ datum with its NUL.
  void SetPortText(const std::string& key_path, const std::string& name, const std::string& text) {
    SetPortValue(key_path, name, REG_SZ, text + std::string(1, '\0'));
  }

  void CreateKey(const std::string& key_path) {
    kit::UniqueRegKey key;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, key_path.c_str(), key.Put()), ERROR_SUCCESS);
  }

  TempRoot root_;
  std::string trace_path_;
};

}  // namespace kit_test
