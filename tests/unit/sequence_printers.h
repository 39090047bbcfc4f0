// Printers for the sequence tests, written straight into the spooler's
// registry keys of the simulated system (no driver files needed).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "common/unique_handle.h"
#include "platform/win32.h"

namespace kit_test {

inline void AddPrinterRecord(const std::string& name, const std::string& driver,
                             const std::string& port = "LPT1:") {
  std::string path = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + name;
  kit::UniqueRegKey key;
  ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), key.Put()), ERROR_SUCCESS);
  auto sz = [&](const char* value, const std::string& text) {
    RegSetValueExA(key.Get(), value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
  };
  sz("Name", name);
  sz("Port", port);
  sz("Printer Driver", driver);
  sz("Print Processor", "WinPrint");
  sz("Datatype", "RAW");
  DWORD attributes = PRINTER_ATTRIBUTE_LOCAL;
  RegSetValueExA(key.Get(), "Attributes", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&attributes),
                 sizeof attributes);
}

/// The "Device" entry of the default printer ("name,winspool,port"), or "".
inline std::string DefaultDevice() {
  kit::UniqueRegKey key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
                    0, KEY_READ, key.Put()) != ERROR_SUCCESS) {
    return "";
  }
  char data[1024] = {};
  DWORD size = sizeof data - 1;
  if (RegQueryValueExA(key.Get(), "Device", nullptr, nullptr, reinterpret_cast<LPBYTE>(data),
                       &size) != ERROR_SUCCESS) {
    return "";
  }
  return data;
}

inline bool PrinterExists(const std::string& name) {
  kit::UniqueRegKey key;
  std::string path = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" + name;
  return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

}  // namespace kit_test
