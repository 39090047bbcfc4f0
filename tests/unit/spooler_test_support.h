// Fixture for the tests of the simulated spooler: a fresh system, driver
// files laid out in its driver directory, and short forms of the calls that
// set up drivers and printers.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "platform/winsim/spooler_store.h"
#include "platform/winsim/store.h"
#include "support/add_printer.h"
#include "support/temp_root.h"

namespace kit_test {

inline constexpr DWORD kPoison = 0xDEADBEEF;

class SpoolerTest : public ::testing::Test {
 protected:
  static constexpr const char* kDriverDir = "WINDOWS/system32/spool/drivers/w32x86";

  /// Writes a file into the driver directory, as an installer's copy would.
  void PlaceDriverFile(const std::string& name, const std::string& bytes = "stand-in") {
    root_.WriteDriveC(std::string(kDriverDir) + "/" + name, bytes);
  }
  bool InDriverDir(const std::string& name) const {
    return std::filesystem::exists(root_.DriveC(std::string(kDriverDir) + "/" + name));
  }
  bool InVersionDir(const std::string& name) const {
    return std::filesystem::exists(root_.DriveC(std::string(kDriverDir) + "/3/" + name));
  }

  /// A level-6 description naming the given files (dependents as a multi-string).
  struct DriverInfo {
    std::string name, driver = "DRV.DLL", data = "MODEL.PPD", config = "UI.DLL", help;
    std::string dependents;  // "A\0B\0\0"
    DRIVER_INFO_6A info{};
    DRIVER_INFO_6A* Fill() {
      info = DRIVER_INFO_6A{};
      info.cVersion = 3;
      info.pName = name.data();
      info.pDriverPath = driver.data();
      info.pDataFile = data.data();
      info.pConfigFile = config.data();
      info.pHelpFile = help.data();
      dependents.push_back('\0');
      info.pDependentFiles = dependents.data();
      return &info;
    }
  };

  /// Places the driver's three main files and registers it.
  bool AddDriver(const std::string& name, const std::string& dependents = std::string(1, '\0')) {
    DriverInfo d;
    d.name = name;
    d.dependents = dependents;
    for (const std::string* f : {&d.driver, &d.data, &d.config}) PlaceDriverFile(*f);
    return AddPrinterDriverExA(nullptr, 6, reinterpret_cast<LPBYTE>(d.Fill()), APD_COPY_ALL_FILES);
  }

  /// Creates a printer and returns its handle (nullptr on refusal).
  HANDLE AddPrinter(const std::string& name, const std::string& driver,
                    const std::string& port = "LPT1:", DWORD attributes = PRINTER_ATTRIBUTE_LOCAL) {
    return AddLocalPrinter(name, driver, port, attributes);
  }
  /// Creates a printer and closes its handle; false on refusal.
  bool AddClosedPrinter(const std::string& name, const std::string& driver,
                        const std::string& port = "LPT1:") {
    HANDLE h = AddPrinter(name, driver, port);
    return h != nullptr && ClosePrinter(h);
  }

  /// The "Device" entry of the default printer ("" when there is none).
  std::string Device() {
    winsim::Transaction tx(winsim::Transaction::kRead);
    return tx.status() == 0 ? winsim::spooler::DeviceEntry(tx.db()) : "<no store>";
  }

  /// Local printer names at `level` through the two-call protocol.
  std::vector<std::string> EnumNames(DWORD level = 2) {
    DWORD needed = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, level, nullptr, 0, &needed, &count);
    std::vector<BYTE> block(needed);
    std::vector<std::string> names;
    if (!EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, level, block.data(), needed, &needed, &count)) {
      return {"<enumeration failed>"};
    }
    for (DWORD i = 0; i < count; ++i) {
      const BYTE* b = block.data();
      names.push_back(level == 1   ? reinterpret_cast<const PRINTER_INFO_1A*>(b)[i].pName
                      : level == 2 ? reinterpret_cast<const PRINTER_INFO_2A*>(b)[i].pPrinterName
                      : level == 4 ? reinterpret_cast<const PRINTER_INFO_4A*>(b)[i].pPrinterName
                                   : reinterpret_cast<const PRINTER_INFO_5A*>(b)[i].pPrinterName);
    }
    return names;
  }

  TempRoot root_;
};

}  // namespace kit_test
