#include "tools/winsim-printui/install.h"

#include <vector>

#include "platform/win32.h"
#include "tools/winsim-printui/driver_files.h"
#include "tools/winsim-printui/driver_package.h"
#include "tools/winsim-printui/messages.h"
#include "tools/winsim-printui/model_lookup.h"

namespace printui {
namespace {

constexpr char kEnvironment[] = "Windows NT x86";
constexpr DWORD kDriverDirid = 66000;

/// A failure: its code and what it concerns.
struct Failure {
  DWORD code = 0;
  std::string subject;
};

bool IsFullPath(const std::string& p) {
  return (p.size() > 2 && p[1] == ':' && (p[2] == '\\' || p[2] == '/')) || p.rfind("\\\\", 0) == 0;
}

std::string Text(UINT(WINAPI* get)(LPSTR, UINT)) {
  char buffer[MAX_PATH] = {};
  UINT n = get(buffer, sizeof buffer);
  return n > 0 && n < sizeof buffer ? std::string(buffer) : std::string();
}

/// The driver description the printer class installer hands the spooler:
/// the four roles and, as dependent files, every other file copied to the
/// printer-driver directory, each by its path there.
class DriverDescription {
 public:
  DriverDescription(const Model& model, const DriverPackage& package, const std::string& provider,
                    const std::string& driver_dir) {
    auto in_dir = [&](const std::string& name) {
      return name.empty() ? std::string() : driver_dir + "\\" + name;
    };
    name_ = model.description;
    driver_ = in_dir(package.driver_file);
    data_ = in_dir(package.data_file);
    config_ = in_dir(package.config_file);
    help_ = in_dir(package.help_file);
    datatype_ = package.default_datatype;
    manufacturer_ = model.manufacturer;
    hardware_id_ = model.hardware_id;
    provider_ = provider;
    for (const PackageFile& f : package.files) {
      if (f.dirid != kDriverDirid || !f.subdir.empty() || IsRole(f.target_name, package)) continue;
      dependent_ += in_dir(f.target_name);
      dependent_ += '\0';
    }
    dependent_ += '\0';
  }

  DWORD Add() {
    DRIVER_INFO_6A info = {};
    info.cVersion = 3;
    info.pName = name_.data();
    info.pEnvironment = const_cast<char*>(kEnvironment);
    info.pDriverPath = driver_.data();
    info.pDataFile = data_.data();
    info.pConfigFile = config_.data();
    info.pHelpFile = help_.empty() ? nullptr : help_.data();
    info.pDependentFiles = dependent_.data();
    info.pDefaultDataType = datatype_.empty() ? nullptr : datatype_.data();
    info.pszMfgName = manufacturer_.data();
    info.pszHardwareID = hardware_id_.empty() ? nullptr : hardware_id_.data();
    info.pszProvider = provider_.empty() ? nullptr : provider_.data();
    if (AddPrinterDriverExA(nullptr, 6, reinterpret_cast<LPBYTE>(&info), APD_COPY_NEW_FILES)) return 0;
    DWORD code = GetLastError();
    return code == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED ? 0 : code;
  }

 private:
  static bool IsRole(const std::string& file, const DriverPackage& p) {
    for (const std::string* role : {&p.driver_file, &p.data_file, &p.config_file, &p.help_file}) {
      if (SameText(*role, file)) return true;
    }
    return false;
  }

  std::string name_, driver_, data_, config_, help_, dependent_, datatype_, manufacturer_,
      hardware_id_, provider_;
};

/// True when HKCU's "Device" entry names a default printer.
bool HasDefaultPrinter() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", 0,
                    KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return false;
  }
  char device[MAX_PATH] = {};
  DWORD size = sizeof device - 1, type = 0;
  LONG rc = RegQueryValueExA(key, "Device", nullptr, &type, reinterpret_cast<LPBYTE>(device), &size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && device[0] != '\0';
}

DWORD CreatePrinter(const std::string& name, const std::string& port, const std::string& driver) {
  std::string printer = name, port_name = port, driver_name = driver;
  char processor[] = "WinPrint";
  char datatype[] = "RAW";
  PRINTER_INFO_2A info = {};
  info.pPrinterName = printer.data();
  info.pPortName = port_name.data();
  info.pDriverName = driver_name.data();
  info.pPrintProcessor = processor;
  info.pDatatype = datatype;
  info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  HANDLE handle = AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
  if (handle == nullptr) return GetLastError();
  ClosePrinter(handle);
  // The printer UI makes the printer it adds the default one when the
  // system has none, as the Add Printer wizard does.
  if (!HasDefaultPrinter()) SetDefaultPrinterA(name.c_str());
  return 0;
}

/// Copies the model's files and registers its driver.
Failure InstallDriver(const InfFile& inf, const Model& model) {
  DriverPackage package = GatherPackage(inf, model.install_section, model.section_name);
  Failure f;
  f.code = CopyPackageFiles(package.files, &f.subject);
  if (f.code != 0) return f;
  char dir[MAX_PATH] = {};
  DWORD needed = 0;
  if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir), sizeof dir,
                                  &needed)) {
    return {GetLastError(), ""};
  }
  DriverDescription description(model, package, inf.Value("Version", "Provider"), dir);
  f.code = description.Add();
  if (f.code != 0) f.subject = model.description;
  return f;
}

Failure Install(const Arguments& args, const std::string& printer_name) {
  if (args.use_existing_driver && CreatePrinter(printer_name, args.port, args.model) == 0) {
    return {};
  }
  InfFile inf(InfPath(args.inf));
  if (!inf.Exists()) return {ERROR_FILE_NOT_FOUND, inf.path()};
  Model model;
  if (!FindModel(inf, args.model, RunningSystem(), &model)) {
    return {ERROR_UNKNOWN_PRINTER_DRIVER, args.model};
  }
  Failure f = InstallDriver(inf, model);
  if (f.code != 0) return f;
  f.code = CreatePrinter(printer_name, args.port, model.description);
  return f;
}

}  // namespace

std::string InfPath(const std::string& value) {
  if (IsFullPath(value)) return value;
  if (value.find_first_of("\\/") == std::string::npos) {
    return Text(&GetWindowsDirectoryA) + "\\inf\\" + value;
  }
  char folder[MAX_PATH] = {};
  DWORD n = GetCurrentDirectoryA(sizeof folder, folder);
  if (n == 0 || n >= sizeof folder) folder[0] = '\0';
  return std::string(folder) + "\\" + value;
}

DWORD InstallFromInf(const Arguments& args) {
  // Without /b the printer takes the model's name.
  std::string name = args.base_name.empty() ? args.model : args.base_name;
  Failure f = Install(args, name);
  if (f.code != 0 && !args.quiet) ShowInstallFailure(name, f.code, f.subject);
  return f.code;
}

}  // namespace printui
