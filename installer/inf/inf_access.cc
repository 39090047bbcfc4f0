#include "installer/inf/inf_access.h"

#include "common/strbuf.h"
#include "common/text.h"
#include "platform/win32.h"

std::string GetManufacturerName(std::string inf_path) {
  std::string path = kit::RemoveChar(inf_path, '"');
  char section[kMaxPath] = {};
  DWORD count = GetPrivateProfileSectionA("Manufacturer", section, sizeof section, path.c_str());
  if (count == 0) return std::string();
  // The buffer is zero-filled and the read always leaves it NUL-terminated,
  // so the first entry ends at the first NUL.
  return kit::RemoveChar(section, '"');
}

std::string MyGetProfileString(std::string inf_path, std::string section, std::string key) {
  char value[kMaxPath] = {};
  // Native Windows NT faults on an empty section name; no section has it.
  if (section.empty()) return std::string();
  GetPrivateProfileStringA(section.c_str(), key.c_str(), "", value, sizeof value,
                           inf_path.c_str());
  value[sizeof value - 1] = '\0';
  return value;
}

std::string GetDriverDirectory() {
  char directory[kMaxPath] = {};
  DWORD needed = 0;
  if (GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(directory),
                                 sizeof directory, &needed)) {
    directory[sizeof directory - 1] = '\0';
    return directory;
  }
  char system[kMaxPath] = {};
  GetSystemDirectoryA(system, sizeof system);
  system[sizeof system - 1] = '\0';
  return kit::FormatString("%s\\spool\\drivers\\w32x86", system);
}

std::string GetIncludeInfPath(std::string inf_path, std::string ddi_section) {
  std::string include = MyGetProfileString(inf_path, ddi_section, "include");
  if (include.empty()) return std::string();
  char windows[kMaxPath] = {};
  GetWindowsDirectoryA(windows, sizeof windows);
  windows[sizeof windows - 1] = '\0';
  return kit::FormatString("%s\\Inf\\%s", windows, include.c_str());
}
