// A simulated system prepared for the utility library's tests: a chosen
// Windows version and faults, drivers and printers made through the spooler,
// and readers for what a call changed (default printer, attributes, events).
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "support/add_printer.h"
#include "support/json_line.h"
#include "support/temp_root.h"

namespace ombrel_test {

/// system.ini [version] sections by name.
inline std::string VersionIni(const std::string& name) {
  if (name == "95") return "[version]\nPlatformId=1\nMajorVersion=4\nMinorVersion=0\nCSDVersion=\n";
  if (name == "98")
    return "[version]\nPlatformId=1\nMajorVersion=4\nMinorVersion=10\nCSDVersion=\n";
  if (name == "98a")
    return "[version]\nPlatformId=1\nMajorVersion=4\nMinorVersion=10\nCSDVersion=A\n";
  if (name == "me")
    return "[version]\nPlatformId=1\nMajorVersion=4\nMinorVersion=90\nCSDVersion=\n";
  if (name == "nt4")
    return "[version]\nPlatformId=2\nMajorVersion=4\nMinorVersion=0\nCSDVersion=Service Pack 6\n";
  if (name == "xp")
    return "[version]\nPlatformId=2\nMajorVersion=5\nMinorVersion=1\nCSDVersion=Service Pack 3\n";
  if (name == "win32s")
    return "[version]\nPlatformId=0\nMajorVersion=3\nMinorVersion=10\nCSDVersion=\n";
  if (name == "unknown") return "[version]\nFail=1\n";
  return "[version]\nPlatformId=2\nMajorVersion=5\nMinorVersion=0\nCSDVersion=Service Pack 4\n";
}

class OmbrelSystem {
 public:
  /// A fresh root of that version, with the extra system.ini text (faults).
  explicit OmbrelSystem(const std::string& version = "2000", const std::string& extra_ini = "") {
    root_.WriteSystemIni(VersionIni(version) + extra_ini);
  }

  kit_test::TempRoot& root() { return root_; }

  /// Installs a driver whose three files lie in the driver directory.
  void AddDriver(const std::string& name) {
    std::string stem = "drv" + std::to_string(++drivers_);
    std::string dir = "WINDOWS/system32/spool/drivers/w32x86/";
    for (const char* ext : {".dll", ".ppd", "ui.dll"}) root_.WriteDriveC(dir + stem + ext, "x");
    std::string driver_file = stem + ".dll", data_file = stem + ".ppd", ui_file = stem + "ui.dll";
    DRIVER_INFO_6A info = {};
    info.cVersion = 3;
    info.pName = const_cast<LPSTR>(name.c_str());
    info.pEnvironment = const_cast<LPSTR>("Windows NT x86");
    info.pDriverPath = driver_file.data();
    info.pDataFile = data_file.data();
    info.pConfigFile = ui_file.data();
    ASSERT_TRUE(
        AddPrinterDriverExA(nullptr, 6, reinterpret_cast<LPBYTE>(&info), APD_COPY_ALL_FILES))
        << "driver " << name << ": " << GetLastError();
  }

  /// Creates a local printer of `driver` on `port` with `attributes`.
  void AddPrinter(const std::string& name, const std::string& driver,
                  const std::string& port = "LPT1:", DWORD attributes = 0) {
    HANDLE printer = kit_test::AddLocalPrinter(name, driver, port, attributes);
    ASSERT_NE(printer, nullptr) << "printer " << name << ": " << GetLastError();
    ClosePrinter(printer);
  }

  static bool PrinterExists(const std::string& name) {
    std::string n = name;
    HANDLE printer = nullptr;
    if (!OpenPrinterA(n.data(), &printer, nullptr)) return false;
    ClosePrinter(printer);
    return true;
  }

  /// The printer's Attributes, or ~0 when it cannot be read.
  static DWORD PrinterAttributes(const std::string& name) {
    std::string n = name;
    HANDLE printer = nullptr;
    if (!OpenPrinterA(n.data(), &printer, nullptr)) return ~0u;
    DWORD needed = 0;
    GetPrinterA(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> block(needed + 1);
    DWORD attributes = ~0u;
    if (GetPrinterA(printer, 2, block.data(), needed, &needed)) {
      attributes = reinterpret_cast<PRINTER_INFO_2A*>(block.data())->Attributes;
    }
    ClosePrinter(printer);
    return attributes;
  }

  /// The "device" entry of the user's settings ("" when there is none).
  static std::string DeviceEntry() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
                      0, KEY_READ, &key) != ERROR_SUCCESS) {
      return "";
    }
    char value[1024] = {};
    DWORD size = sizeof value - 1, type = 0;
    LONG rc =
        RegQueryValueExA(key, "Device", nullptr, &type, reinterpret_cast<LPBYTE>(value), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? std::string(value) : "";
  }

  /// The events of the root, parsed, in order.
  std::vector<kit_test::JsonLine> Events() {
    std::vector<kit_test::JsonLine> events;
    std::istringstream in(root_.ReadEvents());
    std::string line;
    while (std::getline(in, line)) {
      kit_test::JsonLine event;
      if (kit_test::ParseJsonLine(line, &event)) events.push_back(event);
    }
    return events;
  }

  /// The events of one kind ("MessageBox", "Broadcast", "ShellExecute").
  std::vector<kit_test::JsonLine> EventsOf(const std::string& kind) {
    std::vector<kit_test::JsonLine> selected;
    for (const auto& e : Events()) {
      if (e.Str("event") == kind) selected.push_back(e);
    }
    return selected;
  }

  /// Captions of the message boxes shown so far.
  std::vector<std::string> BoxCaptions() {
    std::vector<std::string> captions;
    for (const auto& e : EventsOf("MessageBox")) captions.push_back(e.Str("caption"));
    return captions;
  }

 private:
  kit_test::TempRoot root_;
  int drivers_ = 0;
};

/// A name of `length` characters.
inline std::string NameOfLength(size_t length, char fill = 'N') {
  return std::string(length, fill);
}

}  // namespace ombrel_test
